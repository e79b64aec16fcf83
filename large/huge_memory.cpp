// Huge memory (zeroed tables mapped in huge pages, where the system has them)
#include "large/huge_memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace ugraph {

inline constexpr std::size_t HUGE_PAGE = 1U << 21;

void Unmap::operator()(void* /*table*/) const {
    munmap(base, length);
}

void* map_zeroed(std::size_t bytes, Unmap& unmap) {
    const std::size_t length = bytes + HUGE_PAGE;
    void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) {
        return nullptr;
    }
    const std::size_t skip =
        (HUGE_PAGE - reinterpret_cast<std::uintptr_t>(base) % HUGE_PAGE) % HUGE_PAGE;
    char* table = static_cast<char*>(base) + skip;
    madvise(table, length - skip, MADV_HUGEPAGE);
    unmap = Unmap{base, length};
    return table;
}

} // namespace ugraph

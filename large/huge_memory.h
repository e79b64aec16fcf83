// Huge memory (zeroed tables mapped in huge pages, where the system has them)
#ifndef UGRAPH_HUGE_MEMORY_H
#define UGRAPH_HUGE_MEMORY_H

#include <cstddef>
#include <memory>

namespace ugraph {

// Fresh memory costs a page fault at its first touch of every page; in
// pages of 2 MiB a large table faults 512 times less often, and a table read
// at random misses the address cache far less.
struct Unmap {
    void* base;
    std::size_t length;
    void operator()(void* table) const;
};

template <typename T> using Mapped = std::unique_ptr<T[], Unmap>;

// `bytes` of zeroed memory, on a huge-page boundary; nullptr when memory
// runs out.
void* map_zeroed(std::size_t bytes, Unmap& unmap);

template <typename T> Mapped<T> mapped_block(std::size_t count) {
    Unmap unmap{nullptr, 0};
    void* table = map_zeroed(count * sizeof(T), unmap);
    return Mapped<T>(static_cast<T*>(table), unmap);
}

} // namespace ugraph

#endif

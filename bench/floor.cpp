// Floor (the least work a summary or a text report of a numbers edge list takes, for the benchmark)
//
// Not ugraph: a measuring stick beside it. It knows its input is lines of two
// decimal ids and nothing else, checks nothing, and does only what no reader
// of such a file can skip:
//   floor parse FILE THREADS  read every byte (pread blocks taken by THREADS
//                             threads) and parse two numbers a line: below
//                             this no summary can go, whatever it does with
//                             the links.
//   floor text FILE           read and parse on one thread, keep the links,
//                             build the neighbor lists in id order, walk
//                             every component depth first, write every id.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t BLOCK = 1U << 18;

struct Input {
    int fd;
    std::size_t size;
};

Input open_input(const char* name) {
    const int fd = open(name, O_RDONLY);
    struct stat s {};
    if (fd < 0 || fstat(fd, &s) != 0) {
        std::perror(name);
        std::exit(1);
    }
    return {fd, static_cast<std::size_t>(s.st_size)};
}

// Reads `count` bytes at `offset`, or ends the run.
void read_at(const Input& in, char* bytes, std::size_t count, std::size_t offset) {
    if (pread(in.fd, bytes, count, static_cast<off_t>(offset)) != static_cast<ssize_t>(count)) {
        std::perror("floor: read");
        std::exit(1);
    }
}

// Calls pair(a, b) for every line of [p, end), which ends with a newline.
template <typename Pair> void parse(const char* p, const char* end, Pair&& pair) {
    while (p < end) {
        std::uint32_t a = 0;
        std::uint32_t b = 0;
        for (; *p >= '0'; p++) {
            a = a * 10 + static_cast<std::uint32_t>(*p - '0');
        }
        for (p++; *p >= '0'; p++) {
            b = b * 10 + static_cast<std::uint32_t>(*p - '0');
        }
        pair(a, b);
        p++;
    }
}

// Reads the lines that start in block k into the buffer; [begin, returned
// end) holds them. The byte before the block tells whether a line starts at
// it; lines are shorter than 4096 bytes, and the file ends with a newline.
const char* read_block(const Input& in, std::size_t k, std::vector<char>& buffer,
                       const char*& begin) {
    const std::size_t start = k * BLOCK;
    const std::size_t from = k == 0 ? 0 : start - 1;
    const std::size_t to = std::min(in.size, start + BLOCK + 4096);
    buffer.resize(to - from);
    read_at(in, buffer.data(), to - from, from);
    const char* p = buffer.data();
    const char* end = p + (to - from);
    begin = k == 0 ? p : static_cast<const char*>(std::memchr(p, '\n', to - from)) + 1;
    const char* last = p + (std::min(start + BLOCK, in.size) - from - 1); // the block's last byte
    const char* stop = static_cast<const char*>(std::memchr(last, '\n', end - last)) + 1;
    return begin < stop ? stop : begin;
}

// Reads and parses every line on `threads` threads; what a summary cannot
// do without, whatever it does with the links.
int parse_all(const char* name, unsigned threads) {
    const Input in = open_input(name);
    std::atomic<std::size_t> next{0};
    std::atomic<std::uint64_t> total{0};
    const std::size_t blocks = (in.size + BLOCK - 1) / BLOCK;
    auto work = [&] {
        std::vector<char> buffer;
        std::uint64_t sum = 0; // kept, so that the parse is not left out
        for (std::size_t k; (k = next.fetch_add(1)) < blocks;) {
            const char* begin = nullptr;
            const char* end = read_block(in, k, buffer, begin);
            parse(begin, end, [&sum](std::uint32_t a, std::uint32_t b) { sum += a ^ b; });
        }
        total += sum;
    };
    std::vector<std::thread> others;
    for (unsigned t = 1; t < threads; t++) {
        others.emplace_back(work);
    }
    work();
    for (std::thread& t : others) {
        t.join();
    }
    std::printf("%s  %llu\n", name, static_cast<unsigned long long>(total.load()));
    return 0;
}

// A zeroed table in huge pages, where the system has them: fresh memory is
// paid for at its first touch, 512 times less often in pages of 2 MiB.
template <typename T> T* table(std::size_t count) {
    void* memory = mmap(nullptr, count * sizeof(T) + 1, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        std::perror("floor: mmap");
        std::exit(1);
    }
    madvise(memory, count * sizeof(T) + 1, MADV_HUGEPAGE);
    return static_cast<T*>(memory);
}

// Output through one large buffer, numbers formatted by hand.
struct Out {
    std::vector<char> bytes = std::vector<char>(std::size_t{1} << 20);
    std::size_t used = 0;
    void number(std::uint32_t n, char after) {
        if (used + 16 > bytes.size()) {
            std::fwrite(bytes.data(), 1, used, stdout);
            used = 0;
        }
        char digits[12];
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + n % 10);
            n /= 10;
        } while (n != 0);
        while (count > 0) {
            bytes[used++] = digits[--count];
        }
        bytes[used++] = after;
    }
};

int text(const char* name) {
    const Input in = open_input(name);
    char* file = table<char>(in.size + 1); // a NUL after the end stops the parse
    read_at(in, file, in.size, 0);
    // Two ids of at least a digit and its separator a line.
    std::uint32_t* links = table<std::uint32_t>(in.size / 2);
    std::size_t count = 0;
    std::uint32_t top = 0;
    parse(file, file + in.size, [&](std::uint32_t a, std::uint32_t b) {
        links[count++] = a;
        links[count++] = b;
        top = std::max({top, a, b});
    });
    const std::uint32_t n = top + 1;
    std::uint64_t* offset = table<std::uint64_t>(n + 1);
    std::uint64_t* cursor = table<std::uint64_t>(n + 1);
    std::uint8_t* node = table<std::uint8_t>(n);
    for (std::size_t k = 0; k < count; k += 2) {
        offset[links[k] + 1]++;
        offset[links[k + 1] + 1] += links[k] != links[k + 1] ? 1 : 0;
        node[links[k]] = node[links[k + 1]] = 1;
    }
    for (std::uint32_t i = 0; i < n; i++) {
        offset[i + 1] += offset[i];
    }
    // Neighbors ascending without a sort: listed by link, then each node goes
    // into the lists of its neighbors in id order.
    std::uint32_t* listed = table<std::uint32_t>(offset[n]);
    std::copy(offset, offset + n, cursor);
    for (std::size_t k = 0; k < count; k += 2) {
        listed[cursor[links[k]]++] = links[k + 1];
        if (links[k] != links[k + 1]) {
            listed[cursor[links[k + 1]]++] = links[k];
        }
    }
    std::uint32_t* adjacent = links; // the links are used up: their room holds the lists
    std::copy(offset, offset + n, cursor);
    for (std::uint32_t r = 0; r < n; r++) {
        for (std::uint64_t i = offset[r]; i < offset[r + 1]; i++) {
            adjacent[cursor[listed[i]]++] = r;
        }
    }
    Out out;
    std::uint32_t* component = table<std::uint32_t>(n);
    std::vector<std::uint32_t> path;
    std::uint32_t components = 0;
    std::copy(offset, offset + n, cursor);
    for (std::uint32_t s = 0; s < n; s++) {
        if (node[s] == 0 || component[s] != 0) {
            continue;
        }
        component[s] = ++components;
        out.number(s, ' ');
        path.push_back(s);
        while (!path.empty()) {
            const std::uint32_t r = path.back();
            while (cursor[r] < offset[r + 1] && component[adjacent[cursor[r]]] != 0) {
                cursor[r]++;
            }
            if (cursor[r] == offset[r + 1]) {
                path.pop_back();
                continue;
            }
            const std::uint32_t next = adjacent[cursor[r]];
            component[next] = components;
            out.number(next, ' ');
            path.push_back(next);
        }
        out.number(components, '\n');
    }
    for (std::uint32_t s = 0; s < n; s++) {
        if (node[s] != 0) {
            out.number(s, ' ');
            out.number(component[s], ' ');
        }
    }
    std::fwrite(out.bytes.data(), 1, out.used, stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "parse") == 0) {
        return parse_all(argv[2], static_cast<unsigned>(std::atoi(argv[3])));
    }
    if (argc == 3 && std::strcmp(argv[1], "text") == 0) {
        return text(argv[2]);
    }
    std::fprintf(stderr, "usage: floor parse FILE THREADS | floor text FILE\n");
    return 2;
}

// Floor (the least work a summary or a text report of an edge list takes, for the benchmark)
//
// Not ugraph: a measuring stick beside it. It knows its input is lines of two
// ids (decimal numbers; for hashed, names too) and nothing else, checks
// nothing, and does only what no reader of such a file can skip:
//   floor parse FILE THREADS  read every byte (pread blocks taken by THREADS
//                             threads) and parse two numbers a line: below
//                             this no summary can go, whatever it does with
//                             the links.
//   floor text FILE           read and parse on one thread, keep the links,
//                             build the neighbor lists in id order, walk
//                             every component depth first, write every id.
//   floor hashed FILE THREADS [IDS]  read and parse as parse does, but the
//                             ids are sparse numbers or names: find or add
//                             each in a table of node indexes (room for IDS
//                             distinct ids), join the two nodes of a line,
//                             count the nodes and components.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
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

// ---- floor hashed: the ids of sparse numbers or names ----
//
// Ids that are not small numbers have to be found in a table that gives each
// a node index before two nodes can be joined; that table and the joining are
// all this mode adds to the parse. The table is open addressing with linear
// probes and no lock: a key is claimed by compare-and-swap, and its index,
// drawn from a shared counter, is published after it, so a thread that finds
// the key waits for the index. A number is its own key (plus one: 0 marks a
// free slot). A name's key is a 64-bit hash; its slot points at the name's
// bytes, copied into blocks of the thread that added it, and equal hashes
// compare the bytes. The slots of a batch of lines are prefetched before any
// is looked up, as the misses on a large table are the cost. Indexes start at
// 1, so that 0 means "not yet published" in a slot and "a root" in the forest.
//
// The table never grows: as a floor it assumes it never fills. It has twice
// as many slots as there are ids: IDS when given (the benchmark knows the
// graph's node count), else one id per 8 bytes of the file, at most 2^26
// slots. That guess is safe for any graph but far too large for most (the
// RMAT graphs repeat an id some 40 times): touching its pages and missing
// the cache on it would cost more than the lookups themselves.
constexpr std::size_t BATCH = 64;            // lines looked up together
constexpr std::size_t MOST_SLOTS = 1U << 26; // the table's largest size

// Zeroed pages read as atomics: an atomic integer is laid out as the integer.
static_assert(sizeof(std::atomic<std::uint64_t>) == 8 &&
              std::atomic<std::uint64_t>::is_always_lock_free);
static_assert(sizeof(std::atomic<std::uint32_t>) == 4 &&
              std::atomic<std::uint32_t>::is_always_lock_free);

// The union-find forest of the nodes: an entry is its node's parent, 0 for a
// root. A root is linked below a smaller one, so a parent is always smaller
// than its child and an entry only ever goes down: the forest publishes
// nothing but itself, and relaxed order is enough.
struct Forest {
    std::atomic<std::uint32_t>* parent;

    std::uint32_t find(std::uint32_t x) const {
        for (;;) {
            std::uint32_t p = parent[x].load(std::memory_order_relaxed);
            if (p == 0) {
                return x;
            }
            const std::uint32_t g = parent[p].load(std::memory_order_relaxed);
            if (g == 0) {
                return p;
            }
            // Path halving; a lost race leaves another ancestor there, as good.
            parent[x].compare_exchange_weak(p, g, std::memory_order_relaxed);
            x = g;
        }
    }

    void unite(std::uint32_t a, std::uint32_t b) const {
        for (;;) {
            a = find(a);
            b = find(b);
            if (a == b) {
                return;
            }
            if (a < b) {
                std::swap(a, b);
            }
            std::uint32_t root = 0; // a may have been linked since it was found
            if (parent[a].compare_exchange_strong(root, b, std::memory_order_relaxed)) {
                return;
            }
        }
    }
};

// Blocks of one thread that keep the names it added, as long as the table.
struct NameBytes {
    std::vector<std::unique_ptr<char[]>> blocks;
    char* free = nullptr;
    std::size_t left = 0;

    const char* keep(const char* name, std::size_t length) {
        if (length > left) {
            const std::size_t size = std::max<std::size_t>(length, 1U << 20);
            blocks.push_back(std::make_unique_for_overwrite<char[]>(size));
            free = blocks.back().get();
            left = size;
        }
        std::memcpy(free, name, length);
        free += length;
        left -= length;
        return free - length;
    }
};

// The index of a slot's key, once its claimer has published it.
std::uint32_t published(const std::atomic<std::uint32_t>& index) {
    std::uint32_t i = 0;
    while ((i = index.load(std::memory_order_acquire)) == 0) {
        __builtin_ia32_pause();
    }
    return i;
}

// The table's size and the next index, shared by the tables of both kinds.
struct Slots {
    std::size_t mask;
    int shift; // 64 - log2 of the size: a hash's top bits pick its first slot
    std::atomic<std::uint32_t> next{1};

    // Past three quarters full the probes get long, and a full table would
    // never end one: a run given too few IDS stops instead.
    std::uint32_t new_index() {
        const std::uint32_t index = next.fetch_add(1, std::memory_order_relaxed);
        if (index > mask / 4 * 3) {
            std::fprintf(stderr, "floor: the id table is full: give a larger IDS\n");
            std::exit(1);
        }
        return index;
    }
};

Slots slots_for(std::size_t file_size, std::size_t ids) {
    const std::size_t room = ids != 0 ? 2 * ids : std::min(2 * (file_size / 8), MOST_SLOTS);
    std::size_t size = 1U << 10;
    while (size < room) {
        size *= 2;
    }
    return {size - 1, 64 - std::countr_zero(size)};
}

// Numbers: the key is the number plus one.
struct NumberTable {
    struct Slot {
        std::atomic<std::uint64_t> key; // 0: free
        std::atomic<std::uint32_t> index;
    };
    struct Id {
        std::uint64_t key;
        std::size_t slot;
    };
    Slots& slots;
    Slot* slot = table<Slot>(slots.mask + 1);

    const char* parse(const char* p, Id& id) const {
        std::uint64_t n = 0;
        for (; *p >= '0'; p++) {
            n = n * 10 + static_cast<std::uint64_t>(*p - '0');
        }
        id.key = n + 1;
        id.slot = (id.key * 0x9e3779b97f4a7c15) >> slots.shift;
        __builtin_prefetch(&slot[id.slot]);
        return p + 1;
    }

    std::uint32_t find_or_add(const Id& id, NameBytes& /*unused*/) const {
        for (std::size_t s = id.slot;; s = (s + 1) & slots.mask) {
            std::uint64_t seen = slot[s].key.load(std::memory_order_relaxed);
            if (seen == 0 &&
                slot[s].key.compare_exchange_strong(seen, id.key, std::memory_order_relaxed)) {
                const std::uint32_t index = slots.new_index();
                slot[s].index.store(index, std::memory_order_release);
                return index;
            }
            if (seen == id.key) {
                return published(slot[s].index);
            }
        }
    }
};

// A name's hash, never 0: eight bytes a step, mixed as splitmix64 does.
std::uint64_t hash_name(const char* p, std::size_t length) {
    std::uint64_t h = length * 0x9e3779b97f4a7c15;
    for (;; p += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, p, std::min<std::size_t>(length, 8));
        h = (h ^ word) * 0xbf58476d1ce4e5b9;
        h ^= h >> 31;
        if (length <= 8) {
            break;
        }
        length -= 8;
    }
    h = (h ^ (h >> 27)) * 0x94d049bb133111eb;
    return (h ^ (h >> 31)) | 1;
}

// Names: the key is the hash; the slot says where the name's bytes are.
struct NameTable {
    struct Slot {
        std::atomic<std::uint64_t> hash; // 0: free
        const char* bytes;               // written before the index is published
        std::uint32_t length;
        std::atomic<std::uint32_t> index;
    };
    struct Id {
        const char* bytes; // in the block read, until the batch is done
        std::uint32_t length;
        std::uint64_t hash;
        std::size_t slot;
    };
    Slots& slots;
    Slot* slot = table<Slot>(slots.mask + 1);

    const char* parse(const char* p, Id& id) const {
        const char* q = p;
        while (*q != ',' && *q != ' ' && *q != '\n') {
            q++;
        }
        id.bytes = p;
        id.length = static_cast<std::uint32_t>(q - p);
        id.hash = hash_name(p, id.length);
        id.slot = id.hash >> slots.shift;
        __builtin_prefetch(&slot[id.slot]);
        return q + 1;
    }

    std::uint32_t find_or_add(const Id& id, NameBytes& bytes) const {
        for (std::size_t s = id.slot;; s = (s + 1) & slots.mask) {
            Slot& at = slot[s];
            std::uint64_t seen = at.hash.load(std::memory_order_relaxed);
            if (seen == 0 &&
                at.hash.compare_exchange_strong(seen, id.hash, std::memory_order_relaxed)) {
                at.bytes = bytes.keep(id.bytes, id.length);
                at.length = id.length;
                const std::uint32_t index = slots.new_index();
                at.index.store(index, std::memory_order_release);
                return index;
            }
            if (seen == id.hash) {
                const std::uint32_t index = published(at.index);
                if (at.length == id.length && std::memcmp(at.bytes, id.bytes, id.length) == 0) {
                    return index;
                }
            }
        }
    }
};

// Finds or adds the ids of the lines of [p, end) and joins them, a batch at a time.
template <typename Table>
void hash_lines(const Table& keys, const Forest& forest, const char* p, const char* end,
                NameBytes& bytes) {
    typename Table::Id id[2 * BATCH];
    std::uint32_t node[2 * BATCH];
    while (p < end) {
        std::size_t count = 0;
        for (; count < 2 * BATCH && p < end; count += 2) {
            p = keys.parse(keys.parse(p, id[count]), id[count + 1]);
        }
        for (std::size_t i = 0; i < count; i++) {
            node[i] = keys.find_or_add(id[i], bytes);
            __builtin_prefetch(&forest.parent[node[i]]);
        }
        for (std::size_t i = 0; i < count; i += 2) {
            forest.unite(node[i], node[i + 1]);
        }
    }
}

// Reads the blocks on `threads` threads, each hashing and joining its lines;
// then counts the nodes and the roots.
template <typename Table>
int hash_all(const Input& in, const char* name, unsigned threads, std::size_t ids) {
    Slots slots = slots_for(in.size, ids);
    const Table keys{slots};
    const Forest forest{table<std::atomic<std::uint32_t>>(slots.mask + 2)};
    std::vector<NameBytes> bytes(threads); // kept until the table is done with
    std::atomic<std::size_t> next{0};
    const std::size_t blocks = (in.size + BLOCK - 1) / BLOCK;
    auto work = [&](unsigned t) {
        std::vector<char> buffer;
        for (std::size_t k; (k = next.fetch_add(1)) < blocks;) {
            const char* begin = nullptr;
            const char* end = read_block(in, k, buffer, begin);
            hash_lines(keys, forest, begin, end, bytes[t]);
        }
    };
    std::vector<std::thread> others;
    for (unsigned t = 1; t < threads; t++) {
        others.emplace_back(work, t);
    }
    work(0);
    for (std::thread& t : others) {
        t.join();
    }
    const std::uint32_t nodes = slots.next.load() - 1;
    std::uint32_t components = 0;
    for (std::uint32_t i = 1; i <= nodes; i++) {
        components += forest.parent[i].load(std::memory_order_relaxed) == 0 ? 1 : 0;
    }
    std::printf("%s  %u node%s  %u component%s\n", name, nodes, nodes == 1 ? "" : "s", components,
                components == 1 ? "" : "s");
    return 0;
}

// Names unless the first line holds only digits and blanks.
bool holds_names(const Input& in) {
    char first[4096];
    const std::size_t count = std::min(in.size, sizeof first);
    read_at(in, first, count, 0);
    for (std::size_t i = 0; i < count && first[i] != '\n'; i++) {
        if ((first[i] < '0' || first[i] > '9') && first[i] != ' ') {
            return true;
        }
    }
    return false;
}

int hashed(const char* name, unsigned threads, std::size_t ids) {
    const Input in = open_input(name);
    threads = std::max(threads, 1U);
    return holds_names(in) ? hash_all<NameTable>(in, name, threads, ids)
                           : hash_all<NumberTable>(in, name, threads, ids);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "parse") == 0) {
        return parse_all(argv[2], static_cast<unsigned>(std::atoi(argv[3])));
    }
    if (argc == 3 && std::strcmp(argv[1], "text") == 0) {
        return text(argv[2]);
    }
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "hashed") == 0) {
        return hashed(argv[2], static_cast<unsigned>(std::atoi(argv[3])),
                      argc == 5 ? std::strtoull(argv[4], nullptr, 10) : 0);
    }
    std::fprintf(
        stderr,
        "usage: floor parse FILE THREADS | floor text FILE | floor hashed FILE THREADS [IDS]\n");
    return 2;
}

// Node index (gives every id of a graph file a node index and a word of its own)
#include "large/node_index.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace ugraph {

inline constexpr std::uint64_t NAME_BLOCK = 1U << 20;
// A name is kept as its first position (8 bytes) and its bytes, from a
// multiple of 8; its key is where it stands, with its length in the 16 top
// bits, which an address leaves free. A name of LONG_NAME bytes or more has
// LONG_NAME there, and its length in 4 bytes after the position.
inline constexpr std::uint64_t LONG_NAME = 0xFFFF;

// The finaliser of SplitMix64: every bit of the id reaches every bit of the hash.
std::uint64_t number_hash(std::uint64_t id) {
    std::uint64_t x = id;
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ULL;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

static std::uint64_t load8(const char* p) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, 8);
    return word;
}

static std::uint64_t load4(const char* p) {
    std::uint32_t word = 0;
    std::memcpy(&word, p, 4);
    return word;
}

__extension__ using Wide = unsigned __int128;

// Multiplies to 128 bits and folds the halves: one multiplication mixes two
// words (after W. Yi's wyhash).
static std::uint64_t fold(std::uint64_t a, std::uint64_t b) {
    const Wide product = static_cast<Wide>(a) * b;
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
}

inline constexpr std::uint64_t NAME_KEY_A = 0xA0761D6478BD642FULL;
inline constexpr std::uint64_t NAME_KEY_B = 0xE7037ED1A0B428DBULL;

// Sixteen bytes at a time, then the last one to sixteen, read as two words
// that may overlap, so that no byte past the name is read.
std::uint64_t name_hash(const char* name, std::uint32_t length) {
    std::uint64_t h = NAME_KEY_B ^ length;
    std::uint32_t n = length;
    for (; n > 16; name += 16, n -= 16) {
        h = fold(load8(name) ^ NAME_KEY_A, load8(name + 8) ^ h);
    }
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    if (n >= 8) {
        a = load8(name);
        b = load8(name + n - 8);
    } else if (n >= 4) {
        a = load4(name);
        b = load4(name + n - 4);
    } else if (n > 0) {
        const auto byte = [name](std::uint32_t i) {
            return std::uint64_t{static_cast<unsigned char>(name[i])};
        };
        a = byte(0) << 16 | byte(n / 2) << 8 | byte(n - 1);
    }
    return fold(NAME_KEY_A ^ length, fold(a ^ NAME_KEY_A, b ^ h));
}

// Whether n bytes are the same, read a word at a time as the hash reads them.
static bool same_bytes(const char* x, const char* y, std::uint32_t n) {
    if (n >= 8) {
        for (std::uint32_t i = 0; i + 8 < n; i += 8) {
            if (load8(x + i) != load8(y + i)) {
                return false;
            }
        }
        return load8(x + n - 8) == load8(y + n - 8);
    }
    if (n >= 4) {
        return load4(x) == load4(y) && load4(x + n - 4) == load4(y + n - 4);
    }
    for (std::uint32_t i = 0; i < n; i++) {
        if (x[i] != y[i]) {
            return false;
        }
    }
    return true;
}

// The record a key stands for: its address, the length taken off.
static char* name_record(std::uint64_t key) {
    return std::bit_cast<char*>(static_cast<std::uintptr_t>(key & KEY_ADDRESS));
}

// A name's key: where its record stands, and its length, or LONG_NAME.
static std::uint64_t name_key(std::uint64_t address, std::uint32_t length) {
    return address | std::min<std::uint64_t>(length, LONG_NAME) << KEY_LENGTH_SHIFT;
}

static std::uint32_t short_length(std::uint64_t key) {
    return static_cast<std::uint32_t>(key >> KEY_LENGTH_SHIFT);
}

static std::uint32_t name_length(std::uint64_t key) {
    std::uint32_t length = short_length(key);
    if (length == LONG_NAME) {
        std::memcpy(&length, name_record(key) + 8, 4);
    }
    return length;
}

static const char* name_bytes(std::uint64_t key) {
    return name_record(key) + (short_length(key) == LONG_NAME ? 12 : 8);
}

NodeId id_of(const NodeIndex& nodes, std::uint32_t index) {
    if (index <= nodes.directIds) {
        return {index - 1U, nullptr, 0};
    }
    const std::uint64_t key = key_of(nodes, index);
    if (nodes.kind == IdKind::numbers) {
        return {key, nullptr, 0};
    }
    return {0, name_bytes(key), name_length(key)};
}

// A record's first position, which workers lower at once: read and written whole.
static std::atomic_ref<std::uint64_t> position_of(std::uint64_t key) {
    return std::atomic_ref<std::uint64_t>(*std::bit_cast<std::uint64_t*>(name_record(key)));
}

std::uint64_t first_position(const NodeIndex& nodes, std::uint32_t index) {
    return position_of(key_of(nodes, index)).load(std::memory_order_relaxed);
}

static std::uint64_t hash_of_index(const void* context, std::uint32_t index) {
    const NodeId id = id_of(*static_cast<const NodeIndex*>(context), index);
    return id.name == nullptr ? number_hash(id.number) : name_hash(id.name, id.length);
}

std::unique_ptr<NodeIndex> make_node_index(IdKind kind, std::uint32_t directIds,
                                           std::uint64_t expected) {
    auto nodes = std::make_unique<NodeIndex>();
    nodes->kind = kind;
    directIds = directIds < DIRECT_IDS ? DIRECT_IDS : directIds;
    nodes->directIds = kind == IdKind::numbers ? std::min(directIds, LAST_INDEX - 1) : 0;
    nodes->directBottom = nodes->directIds + 1; // above every direct node until one is marked
    if (kind == IdKind::numbers) {
        nodes->direct = mapped_block<std::uint32_t>(std::size_t{nodes->directIds} + 1);
        if (!nodes->direct) {
            return nullptr;
        }
    }
    if (!start_id_table(nodes->table, 2 * expected, hash_of_index, nodes.get())) {
        return nullptr;
    }
    return nodes;
}

static bool ensure_segment(NodeIndex& nodes, std::uint32_t segment) {
    if (nodes.words[segment].load(std::memory_order_acquire) != nullptr) {
        return true;
    }
    const std::lock_guard<std::mutex> guard(nodes.segmentLock);
    if (nodes.words[segment].load(std::memory_order_relaxed) != nullptr) {
        return true;
    }
    Block<std::uint32_t> words = zeroed_block<std::uint32_t>(SEGMENT_SIZE);
    Block<std::uint64_t> keys = zeroed_block<std::uint64_t>(SEGMENT_SIZE);
    if (!words || !keys) {
        return false;
    }
    nodes.keys[segment].store(keys.get(), std::memory_order_release);
    nodes.words[segment].store(words.get(), std::memory_order_release);
    nodes.wordBlocks[segment] = std::move(words);
    nodes.keyBlocks[segment] = std::move(keys);
    return true;
}

// A new index for this key, its own root, in no slot yet: the maker's spare,
// or a fresh one. 0 when there is no room, WAIT_FOR_ROOM when the table must
// grow first.
static std::uint32_t reserve(NodeIndex& nodes, NodeMaker& maker, std::uint64_t key) {
    if (maker.spare == 0 && maker.next == maker.end) {
        const std::uint32_t room =
            table_room(nodes.table, nodes.hashed.load(std::memory_order_relaxed));
        if (room != 1) {
            return room;
        }
        maker.next = nodes.hashed.fetch_add(INDEX_RUN, std::memory_order_relaxed);
        maker.end = maker.next + INDEX_RUN;
        note_made(nodes.table, maker.next);
        if (maker.next >= most_hashed(nodes) ||
            !ensure_segment(nodes, static_cast<std::uint32_t>(maker.next >> SEGMENT_BITS))) {
            maker.next = maker.end; // past the last index, or no memory: the run is no nodes
            return 0;
        }
    }
    if (maker.spare == 0) {
        if (maker.next >= most_hashed(nodes)) {
            return 0;
        }
        maker.spare = static_cast<std::uint32_t>(first_hashed(nodes) + maker.next++);
        std::atomic_ref<std::uint32_t>(*word_of(nodes, maker.spare))
            .store(maker.spare, std::memory_order_relaxed);
    }
    const std::uint32_t k = maker.spare - first_hashed(nodes);
    nodes.keys[k >> SEGMENT_BITS].load(std::memory_order_relaxed)[k & (SEGMENT_SIZE - 1)] = key;
    return maker.spare;
}

// The index the table gives: the spare is used once placed. A table that
// must grow first lets it grow, and the id is looked up again.
template <typename Matches>
static std::uint32_t placed(NodeIndex& nodes, NodeMaker& maker, std::uint64_t hash,
                            std::uint64_t key, Matches&& matches) {
    for (;;) {
        const std::uint32_t index =
            find_or_claim(nodes.table, hash, matches, [&] { return reserve(nodes, maker, key); });
        if (index != WAIT_FOR_ROOM) {
            maker.spare = index == maker.spare ? 0 : maker.spare;
            return index;
        }
        pause_table(nodes.table);
    }
}

std::uint32_t hashed_number_node(NodeIndex& nodes, NodeMaker& maker, std::uint64_t id,
                                 std::uint64_t hash) {
    return placed(nodes, maker, hash, id,
                  [&nodes, id](std::uint32_t index) { return key_of(nodes, index) == id; });
}

// Room in the maker's block for a record of `size` bytes, or a new block;
// false without memory.
static bool name_room(NodeIndex& nodes, NodeMaker& maker, std::uint64_t size) {
    if (maker.names != nullptr && maker.used + size <= maker.size) {
        return true;
    }
    const std::uint64_t blockSize = size > NAME_BLOCK ? size : NAME_BLOCK;
    Block<char> block = zeroed_block<char>(blockSize);
    if (!block) {
        return false;
    }
    maker.names = block.get();
    maker.used = 0;
    maker.size = blockSize;
    const std::lock_guard<std::mutex> guard(nodes.segmentLock);
    nodes.nameBlocks.push_back(std::move(block));
    return true;
}

// Keeps a name in the maker's block, at `key`; false without memory. A
// record the table does not take is left unused.
static bool keep_name(NodeIndex& nodes, NodeMaker& maker, const char* name, std::uint32_t length,
                      std::uint64_t position, std::uint64_t& key) {
    const std::uint64_t header = length < LONG_NAME ? 8 : 12;
    const std::uint64_t size = (header + length + 7) & ~std::uint64_t{7};
    if (!name_room(nodes, maker, size)) {
        return false;
    }
    char* record = maker.names + maker.used;
    const auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(record));
    if ((address & ~KEY_ADDRESS) != 0) {
        return false; // an address past 48 bits, which no system gives a process today
    }
    std::memcpy(record, &position, 8);
    std::memcpy(record + 8, &length, header - 8);
    if (length != 0) { // an empty name may come from an empty buffer: no bytes, no pointer
        std::memcpy(record + header, name, length);
    }
    key = name_key(address, length);
    maker.used += size;
    return true;
}

// Lowers a name's first position to `position` when that is lower.
static void lower_position(std::uint64_t key, std::uint64_t position) {
    std::atomic_ref<std::uint64_t> first = position_of(key);
    std::uint64_t seen = first.load(std::memory_order_relaxed);
    while (position < seen && !first.compare_exchange_weak(seen, position)) {
    }
}

std::uint32_t name_node(NodeIndex& nodes, NodeMaker& maker, const char* name, std::uint32_t length,
                        std::uint64_t position, std::uint64_t hash) {
    const auto matches = [&nodes, name, length, position](std::uint32_t index) {
        const std::uint64_t key = key_of(nodes, index);
        if (name_length(key) != length || !same_bytes(name_bytes(key), name, length)) {
            return false;
        }
        lower_position(key, position);
        return true;
    };
    const std::uint32_t known = find_or_claim(nodes.table, hash, matches, [] { return 0U; });
    if (known != 0) {
        return known;
    }
    std::uint64_t key = 0;
    if (!keep_name(nodes, maker, name, length, position, key)) {
        return 0;
    }
    return placed(nodes, maker, hash, key, matches);
}

void finish_maker(NodeIndex& nodes, NodeMaker& maker) {
    if (maker.spare != 0) {
        std::atomic_ref<std::uint32_t>(*word_of(nodes, maker.spare))
            .store(0, std::memory_order_relaxed);
        maker.spare = 0;
    }
}

void drop_hash_slots(NodeIndex& nodes) {
    nodes.table.slots.reset();
    nodes.table.mask = 0;
}

} // namespace ugraph

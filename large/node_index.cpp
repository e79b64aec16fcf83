// Node index (gives every id of a graph file a node index and a word of its own)
#include "large/node_index.h"

#include <algorithm>
#include <cstring>

namespace ugraph {

inline constexpr std::uint32_t FIRST_CAPACITY = 64;
inline constexpr std::uint64_t ARENA_BLOCK = 1U << 20;
inline constexpr std::uint32_t NAME_HEADER = 12; // first position and length

// The finaliser of SplitMix64: every bit of x reaches every bit of the hash.
static std::uint64_t mix(std::uint64_t x) {
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ULL;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

static std::uint64_t name_hash(const char* name, std::uint32_t length) {
    std::uint64_t h = mix(length);
    for (; length >= 8; name += 8, length -= 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, name, 8);
        h = mix(h ^ word);
    }
    std::uint64_t rest = 0;
    std::memcpy(&rest, name, length);
    return mix(h ^ rest);
}

std::unique_ptr<NodeIndex> make_node_index(IdKind kind, std::uint32_t directIds) {
    auto nodes = std::make_unique<NodeIndex>();
    nodes->kind = kind;
    directIds = directIds < DIRECT_IDS ? DIRECT_IDS : directIds;
    nodes->directIds = kind == IdKind::numbers ? std::min(directIds, LAST_INDEX - 1) : 0;
    if (kind == IdKind::numbers) {
        nodes->direct = mapped_block<std::uint32_t>(std::size_t{nodes->directIds} + 1);
        if (!nodes->direct) {
            return nullptr;
        }
    }
    return nodes;
}

// The name record a key points at: the shard, the arena block, the offset.
static char* name_record(const NodeIndex& nodes, std::uint64_t key) {
    const HashShard& shard = nodes.shards[key >> 56];
    return shard.arena[(key >> 32) & 0xFFFFFF].get() + (key & 0xFFFFFFFF);
}

static std::uint32_t record_length(const char* record) {
    std::uint32_t length = 0;
    std::memcpy(&length, record + 8, 4);
    return length;
}

NodeId id_of(const NodeIndex& nodes, std::uint32_t index) {
    if (index <= nodes.directIds) {
        return {index - 1U, nullptr, 0};
    }
    const std::uint64_t key = key_of(nodes, index);
    if (nodes.kind == IdKind::numbers) {
        return {key, nullptr, 0};
    }
    const char* record = name_record(nodes, key);
    return {0, record + NAME_HEADER, record_length(record)};
}

std::uint64_t first_position(const NodeIndex& nodes, std::uint32_t index) {
    std::uint64_t position = 0;
    std::memcpy(&position, name_record(nodes, key_of(nodes, index)), 8);
    return position;
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

// A new hashed node with this key, its own root; 0 when there is no room.
static std::uint32_t add_node(NodeIndex& nodes, std::uint64_t key) {
    const std::uint64_t k = nodes.hashed.fetch_add(1, std::memory_order_relaxed);
    if (k >= LAST_INDEX - std::uint64_t{nodes.directIds} ||
        !ensure_segment(nodes, static_cast<std::uint32_t>(k >> SEGMENT_BITS))) {
        return 0;
    }
    const auto index = static_cast<std::uint32_t>(first_hashed(nodes) + k);
    const std::uint32_t slot = static_cast<std::uint32_t>(k) & (SEGMENT_SIZE - 1);
    nodes.keys[k >> SEGMENT_BITS].load(std::memory_order_relaxed)[slot] = key;
    std::atomic_ref<std::uint32_t>(*word_of(nodes, index)).store(index, std::memory_order_release);
    return index;
}

static std::uint64_t hash_of_node(const NodeIndex& nodes, std::uint32_t index) {
    const NodeId id = id_of(nodes, index);
    return id.name == nullptr ? mix(id.number) : name_hash(id.name, id.length);
}

// Doubles the table of a shard when it is three quarters full.
static bool make_room(const NodeIndex& nodes, HashShard& shard) {
    if (shard.count < shard.capacity - shard.capacity / 4) {
        return true;
    }
    const std::uint32_t capacity = shard.capacity == 0 ? FIRST_CAPACITY : shard.capacity * 2;
    Block<std::uint32_t> slots = zeroed_block<std::uint32_t>(capacity);
    if (!slots) {
        return false;
    }
    for (std::uint32_t i = 0; i < shard.capacity; i++) {
        const std::uint32_t index = shard.slots[i];
        if (index != 0) {
            std::uint64_t pos = hash_of_node(nodes, index);
            while (slots[pos & (capacity - 1)] != 0) {
                pos++;
            }
            slots[pos & (capacity - 1)] = index;
        }
    }
    shard.slots = std::move(slots);
    shard.capacity = capacity;
    return true;
}

// Probes the shard's table from `hash` for the node that `matches` takes;
// returns it, or 0 with `slot` the free slot that a new node of that hash
// takes.
template <typename Matches>
static std::uint32_t probe(const HashShard& shard, std::uint64_t hash, Matches&& matches,
                           std::uint64_t& slot) {
    for (slot = hash;; slot++) {
        const std::uint32_t index = shard.slots[slot & (shard.capacity - 1)];
        if (index == 0 || matches(index)) {
            return index;
        }
    }
}

// Puts a new node into the free slot that probe found; index 0 (no room)
// leaves it free.
static std::uint32_t settle(HashShard& shard, std::uint64_t slot, std::uint32_t index) {
    if (index != 0) {
        shard.slots[slot & (shard.capacity - 1)] = index;
        shard.count++;
    }
    return index;
}

std::uint32_t hashed_number_node(NodeIndex& nodes, std::uint64_t id) {
    const std::uint64_t h = mix(id);
    HashShard& shard = nodes.shards[h >> 56];
    const std::lock_guard<std::mutex> guard(shard.lock);
    if (!make_room(nodes, shard)) {
        return 0;
    }
    std::uint64_t slot = 0;
    const std::uint32_t found = probe(
        shard, h, [&nodes, id](std::uint32_t index) { return key_of(nodes, index) == id; }, slot);
    return found != 0 ? found : settle(shard, slot, add_node(nodes, id));
}

// Appends a name record to the shard's arena; false without memory.
static bool store_name(HashShard& shard, std::uint64_t shardNumber, const char* name,
                       std::uint32_t length, std::uint64_t position, std::uint64_t& key) {
    const std::uint64_t size = NAME_HEADER + std::uint64_t{length};
    if (shard.arena.empty() || shard.arenaUsed + size > shard.arenaSize) {
        const std::uint64_t blockSize = size > ARENA_BLOCK ? size : ARENA_BLOCK;
        Block<char> block = zeroed_block<char>(blockSize);
        if (!block) {
            return false;
        }
        shard.arena.push_back(std::move(block));
        shard.arenaUsed = 0;
        shard.arenaSize = blockSize;
    }
    char* record = shard.arena.back().get() + shard.arenaUsed;
    std::memcpy(record, &position, 8);
    std::memcpy(record + 8, &length, 4);
    std::memcpy(record + NAME_HEADER, name, length);
    key = shardNumber << 56 | std::uint64_t{shard.arena.size() - 1} << 32 | shard.arenaUsed;
    shard.arenaUsed += size;
    return true;
}

std::uint32_t name_node(NodeIndex& nodes, const char* name, std::uint32_t length,
                        std::uint64_t position) {
    const std::uint64_t h = name_hash(name, length);
    HashShard& shard = nodes.shards[h >> 56];
    const std::lock_guard<std::mutex> guard(shard.lock);
    if (!make_room(nodes, shard)) {
        return 0;
    }
    std::uint64_t slot = 0;
    char* record = nullptr;
    const std::uint32_t found = probe(
        shard, h,
        [&nodes, &record, name, length](std::uint32_t index) {
            record = name_record(nodes, key_of(nodes, index));
            return record_length(record) == length &&
                   std::memcmp(record + NAME_HEADER, name, length) == 0;
        },
        slot);
    if (found != 0) {
        std::uint64_t first = 0;
        std::memcpy(&first, record, 8);
        if (position < first) {
            std::memcpy(record, &position, 8); // the name's first position is its lowest
        }
        return found;
    }
    std::uint64_t key = 0;
    const bool stored = store_name(shard, h >> 56, name, length, position, key);
    return settle(shard, slot, stored ? add_node(nodes, key) : 0);
}

void drop_hash_slots(NodeIndex& nodes) {
    for (HashShard& shard : nodes.shards) {
        shard.slots.reset();
        shard.capacity = 0;
        shard.count = 0;
    }
}

} // namespace ugraph

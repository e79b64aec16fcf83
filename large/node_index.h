// Node index (gives every id of a graph file a node index and a word of its own)
#ifndef UGRAPH_NODE_INDEX_H
#define UGRAPH_NODE_INDEX_H

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "large/huge_memory.h"

namespace ugraph {

enum class IdKind { numbers, names };

// Index 0 is no node. A number below the node index's `directIds` is node
// index number + 1, in a table that holds a word for each such number and is
// touched only where numbers occur, so a file of ids 0 to n - 1 needs 4 bytes
// a node and no hashing. Every other id, and every name, gets the next index
// above the direct ones through a hash table. The two top bits of a word are
// left free for the tally, which marks roots with them.
inline constexpr std::uint32_t DIRECT_IDS = 1U << 22; // direct numbers of an edge list
inline constexpr std::uint32_t LAST_INDEX = (1U << 30) - 1;

inline constexpr std::uint32_t SEGMENT_BITS = 18; // hashed nodes' words and keys, in segments
inline constexpr std::uint32_t SEGMENT_SIZE = 1U << SEGMENT_BITS;
inline constexpr std::uint32_t SEGMENTS = (LAST_INDEX >> SEGMENT_BITS) + 1;
inline constexpr std::uint32_t SHARDS = 256; // hash tables, each under a lock of its own

struct FreeDeleter {
    void operator()(void* memory) const {
        std::free(memory);
    }
};

// Zeroed memory from calloc: its pages cost nothing until first written.
template <typename T> using Block = std::unique_ptr<T[], FreeDeleter>;

template <typename T> Block<T> zeroed_block(std::size_t count) {
    return Block<T>(static_cast<T*>(std::calloc(count, sizeof(T))));
}

// One of the hash tables: node indexes in open addressing, 0 for a free slot;
// with names, also the names' bytes, each as its first position in the file
// (8 bytes), its length (4 bytes) and its bytes.
struct alignas(64) HashShard { // a cache line of its own: no two locks share one
    std::mutex lock;
    Block<std::uint32_t> slots;
    std::uint32_t capacity; // a power of two, or 0
    std::uint32_t count;
    std::vector<Block<char>> arena;
    std::uint64_t arenaUsed; // bytes used in the last arena block
    std::uint64_t arenaSize; // bytes of the last arena block
};

struct NodeIndex {
    IdKind kind;
    std::uint32_t directIds;              // numbers below it are direct; 0 with names
    Mapped<std::uint32_t> direct;         // the direct numbers' words, 0..directIds
    std::atomic<std::uint32_t> directTop; // the highest direct node; no word above it is read
    std::array<std::atomic<std::uint32_t*>, SEGMENTS> words;
    std::array<std::atomic<std::uint64_t*>, SEGMENTS> keys; // numbers, or where names stand
    std::array<Block<std::uint32_t>, SEGMENTS> wordBlocks;  // owners of the segments above
    std::array<Block<std::uint64_t>, SEGMENTS> keyBlocks;
    std::mutex segmentLock;
    std::atomic<std::uint64_t> hashed; // hashed nodes so far
    std::array<HashShard, SHARDS> shards;
};

// A node index for ids of one kind, with numbers below `directIds` direct
// (at least DIRECT_IDS, at most LAST_INDEX - 1); nullptr when memory runs out.
std::unique_ptr<NodeIndex> make_node_index(IdKind kind, std::uint32_t directIds = DIRECT_IDS);

inline std::uint32_t first_hashed(const NodeIndex& nodes) {
    return nodes.directIds + 1;
}

// How many hashed nodes there are, and how many there may be.
inline std::uint64_t hashed_count(const NodeIndex& nodes) {
    const std::uint64_t most = LAST_INDEX - nodes.directIds;
    const std::uint64_t count = nodes.hashed.load();
    return count < most ? count : most;
}

inline bool is_full(const NodeIndex& nodes) {
    return nodes.hashed.load() >= LAST_INDEX - std::uint64_t{nodes.directIds};
}

// The index of a hashed number or a name, added when new; 0 when there is no
// room left (memory, or no index). A name's first position is the lowest
// `position` it was given with.
std::uint32_t hashed_number_node(NodeIndex& nodes, std::uint64_t id);
std::uint32_t name_node(NodeIndex& nodes, const char* name, std::uint32_t length,
                        std::uint64_t position);

// The word of a node: 0 while a direct number has not occurred.
inline std::uint32_t* word_of(NodeIndex& nodes, std::uint32_t index) {
    if (index <= nodes.directIds) {
        return &nodes.direct[index];
    }
    const std::uint32_t k = index - first_hashed(nodes);
    return nodes.words[k >> SEGMENT_BITS].load(std::memory_order_acquire) +
           (k & (SEGMENT_SIZE - 1));
}

inline std::uint64_t key_of(const NodeIndex& nodes, std::uint32_t index) {
    const std::uint32_t k = index - first_hashed(nodes);
    return nodes.keys[k >> SEGMENT_BITS].load(std::memory_order_acquire)[k & (SEGMENT_SIZE - 1)];
}

// The index of a number. A direct one is known without a look at memory,
// and becomes a node only when marked.
inline std::uint32_t number_index(NodeIndex& nodes, std::uint64_t id) {
    return id < nodes.directIds ? static_cast<std::uint32_t>(id + 1)
                                : hashed_number_node(nodes, id);
}

// Whether a node has a word in the direct table.
inline bool is_direct(const NodeIndex& nodes, std::uint32_t index) {
    return index <= nodes.directIds;
}

// Makes a direct number a node, its own root, when it is not one yet.
inline void mark_node(NodeIndex& nodes, std::uint32_t index) {
    if (index > nodes.directIds) {
        return; // hashed nodes are made as they are found
    }
    std::atomic_ref<std::uint32_t> word(nodes.direct[index]);
    std::uint32_t absent = 0;
    if (word.load(std::memory_order_relaxed) == 0 &&
        word.compare_exchange_strong(absent, index, std::memory_order_acq_rel)) {
        std::uint32_t top = nodes.directTop.load(std::memory_order_relaxed);
        while (top < index && !nodes.directTop.compare_exchange_weak(top, index)) {
        }
    }
}

// A node's id as read: its number, or its name's bytes.
struct NodeId {
    std::uint64_t number;
    const char* name; // nullptr for a number
    std::uint32_t length;
};

NodeId id_of(const NodeIndex& nodes, std::uint32_t index);

// Where a name first stood in the file.
std::uint64_t first_position(const NodeIndex& nodes, std::uint32_t index);

// The hash tables are no longer needed once every link is read.
void drop_hash_slots(NodeIndex& nodes);

} // namespace ugraph

#endif

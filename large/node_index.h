// Node index (gives every id of a graph file a node index and a word of its own)
//
// Threads. During a pass, any number of readers call, between enter_table
// and leave_table of the id table: hashed_number_node, name_node, mark_node,
// word_of and key_of, the prefetches, and the union-find on the words. What
// carries what:
// - a segment of words and keys is made under segmentLock and published with
//   a release store of its pointer, which every reader loads with acquire;
// - a hashed index's key and word are written before the index is published
//   into a slot of the id table (compare-and-swap, acq_rel), so a reader that
//   finds the index through the table (acquire) reads both;
// - a direct word becomes a node with a compare-and-swap from 0, and
//   directTop and directBottom only rise and fall with compare-and-swap;
//   nobody reads them for a decision before the pass ends;
// - hashed counts the indexes taken, a run at a time (fetch_add): an index
//   is a worker's alone until it publishes it;
// - a name's first position only falls, with compare-and-swap.
// After the readers are joined, the calling thread alone calls
// finish_maker, hashed_count, id_of, first_position, drop_hash_slots and
// reads or writes the words plainly (the component labels).
#ifndef UGRAPH_NODE_INDEX_H
#define UGRAPH_NODE_INDEX_H

#include <array>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "large/huge_memory.h"
#include "large/id_table.h"

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
static_assert(LAST_INDEX <= INDEX_MASK, "an index fits in a slot of the id table");

inline constexpr std::uint32_t SEGMENT_BITS = 18; // hashed nodes' words and keys, in segments
inline constexpr std::uint32_t SEGMENT_SIZE = 1U << SEGMENT_BITS;
inline constexpr std::uint32_t SEGMENTS = (LAST_INDEX >> SEGMENT_BITS) + 1;
static_assert(SEGMENT_SIZE % INDEX_RUN == 0, "a run of indexes lies in one segment");

struct NodeIndex {
    IdKind kind;
    std::uint32_t directIds;                 // numbers below it are direct; 0 with names
    Mapped<std::uint32_t> direct;            // the direct numbers' words, 0..directIds
    std::atomic<std::uint32_t> directTop;    // the highest direct node; no word above it is read
    std::atomic<std::uint32_t> directBottom; // the lowest; no word below it is read
    std::array<std::atomic<std::uint32_t*>, SEGMENTS> words;
    std::array<std::atomic<std::uint64_t*>, SEGMENTS> keys; // numbers, or where names stand
    std::array<Block<std::uint32_t>, SEGMENTS> wordBlocks;  // owners of the segments above
    std::array<Block<std::uint64_t>, SEGMENTS> keyBlocks;
    std::mutex segmentLock;                        // also of nameBlocks
    alignas(64) std::atomic<std::uint64_t> hashed; // hashed indexes taken, holes among them;
                                                   // a cache line apart from what lookups read
    alignas(64) IdTable table;
    std::vector<Block<char>> nameBlocks; // the blocks of every worker's names
};

// What one worker keeps of its own while it adds nodes: the run of indexes
// it took, an index it made but could not place, kept for its next new id,
// and the block its names' bytes go to. Indexes taken a run at a time keep
// the workers off each other's cache line; a run lies in one segment.
struct NodeMaker {
    std::uint64_t next; // the run of hashed indexes not made yet, numbered from 0
    std::uint64_t end;
    std::uint32_t spare; // an index with its word, in no slot; 0 when none
    char* names;
    std::uint64_t used;
    std::uint64_t size;
};

// A node index for ids of one kind, with numbers below `directIds` direct
// (at least DIRECT_IDS, at most LAST_INDEX - 1), and a table sized for
// about `expected` hashed ids; nullptr when memory runs out.
std::unique_ptr<NodeIndex> make_node_index(IdKind kind, std::uint32_t directIds = DIRECT_IDS,
                                           std::uint64_t expected = 0);

inline std::uint32_t first_hashed(const NodeIndex& nodes) {
    return nodes.directIds + 1;
}

inline std::uint64_t most_hashed(const NodeIndex& nodes) {
    return LAST_INDEX - std::uint64_t{nodes.directIds};
}

// How many hashed indexes there are, and how many there may be. An index
// whose word is 0 is a hole: taken by a worker and never placed.
inline std::uint64_t hashed_count(const NodeIndex& nodes) {
    const std::uint64_t count = nodes.hashed.load();
    return count < most_hashed(nodes) ? count : most_hashed(nodes);
}

// How many entries a table by node index needs: every direct index and
// every hashed one taken, holes included.
inline std::uint64_t index_count(const NodeIndex& nodes) {
    return std::uint64_t{first_hashed(nodes)} + hashed_count(nodes);
}

inline bool is_full(const NodeIndex& nodes) {
    return nodes.hashed.load() >= most_hashed(nodes);
}

std::uint64_t number_hash(std::uint64_t id);
std::uint64_t name_hash(const char* name, std::uint32_t length);

// The index of a hashed number or a name, of `hash`, added when new; 0 when
// there is no room left (memory, or no index). A name's first position is
// the lowest `position` it was given with. Only between enter_table and
// leave_table of the node index's table.
std::uint32_t hashed_number_node(NodeIndex& nodes, NodeMaker& maker, std::uint64_t id,
                                 std::uint64_t hash);
std::uint32_t name_node(NodeIndex& nodes, NodeMaker& maker, const char* name, std::uint32_t length,
                        std::uint64_t position, std::uint64_t hash);

// A worker's spare index, and the rest of its run, become holes once it adds
// no more nodes.
void finish_maker(NodeIndex& nodes, NodeMaker& maker);

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

// A name's key: the address of where it is kept, in the bits below 48,
// which are all an address takes; its length above them.
inline constexpr std::uint32_t KEY_LENGTH_SHIFT = 48;
inline constexpr std::uint64_t KEY_ADDRESS = (std::uint64_t{1} << KEY_LENGTH_SHIFT) - 1;

// Fetches what a probe from `hash` compares first: the key of the index in
// its first slot, or, for a name, the bytes that key points at.
inline void prefetch_key(const NodeIndex& nodes, std::uint64_t hash) {
    const std::uint32_t index = first_slot(nodes.table, hash);
    if (index != 0) {
        const std::uint32_t k = index - first_hashed(nodes);
        __builtin_prefetch(nodes.keys[k >> SEGMENT_BITS].load(std::memory_order_acquire) +
                           (k & (SEGMENT_SIZE - 1)));
    }
}

inline void prefetch_name(const NodeIndex& nodes, std::uint64_t hash) {
    const std::uint32_t index = first_slot(nodes.table, hash);
    if (index != 0) {
        const std::uint64_t address = key_of(nodes, index) & KEY_ADDRESS;
        __builtin_prefetch(std::bit_cast<const char*>(static_cast<std::uintptr_t>(address)));
    }
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
        std::uint32_t bottom = nodes.directBottom.load(std::memory_order_relaxed);
        while (bottom > index && !nodes.directBottom.compare_exchange_weak(bottom, index)) {
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

// The hash table is no longer needed once every link is read.
void drop_hash_slots(NodeIndex& nodes);

} // namespace ugraph

#endif

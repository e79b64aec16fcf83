// Id table (the node index of every hashed number and name, found on every core without a lock)
//
// Open addressing with linear probing, after the folklore table of T. Maier,
// P. Sanders and R. Dementiev, "Concurrent Hash Tables: Fast and General(?)!",
// PPoPP 2016: a free slot is claimed with one compare-and-swap, and a
// lookup only reads. A slot holds a node index, 0 when free, and above it
// two bits of its key's hash, so that three probes in four past another
// key are told apart without a look at that key. The index's key
// (a number, or where a name is kept) is the node index's to keep, and is
// written before the index is published into a slot, so whoever reads the
// index reads its key. A slot, once claimed, never changes while workers are
// inside, so a probe that meets its key can stop there.
//
// Growth: the thread whose new index passes three quarters of the slots asks
// for a larger table; every worker stops at its next batch of lines (the
// gate), and the last one to stop doubles the table alone, placing every
// index again, while the others wait; then all go on. A worker that would
// add an index past seven eighths waits for the growth first, so the table
// never fills while the others finish their batch.
//
// Invariant: while any worker is inside the gate, the table's slots and mask
// stay as they are, and every index in a slot has its key and its word.
#ifndef UGRAPH_ID_TABLE_H
#define UGRAPH_ID_TABLE_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace ugraph {

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

// Workers take indexes a run at a time; past seven eighths of the slots, a
// run of every thread there may be still fits.
inline constexpr std::uint64_t INDEX_RUN = 16;
inline constexpr std::uint32_t MAX_THREADS = 1024; // that look up ids at once, at most
inline constexpr std::uint64_t FIRST_SLOTS = 1U << 17;
inline constexpr std::uint64_t MOST_FIRST_SLOTS = 1U << 22; // 16 MiB: a guess costs no more
static_assert(FIRST_SLOTS / 8 >= MAX_THREADS * INDEX_RUN, "every thread's run fits past 7/8");

// A slot's bits: the index below, the tag of its hash above.
inline constexpr std::uint32_t INDEX_BITS = 30;
inline constexpr std::uint32_t INDEX_MASK = (1U << INDEX_BITS) - 1;

// A reservation that must wait for the table to grow: the lookup starts again.
inline constexpr std::uint32_t WAIT_FOR_ROOM = 0xFFFFFFFFU;

// The hash of an index's key, for placing it again when the table grows.
using IndexHash = std::uint64_t (*)(const void* context, std::uint32_t index);

struct IdTable {
    Block<std::uint32_t> slots;
    std::uint64_t mask;   // slots - 1, a power of two less one
    std::uint64_t growAt; // indexes made before growth is asked for
    std::uint64_t fullAt; // indexes made before a new one waits for growth
    std::uint64_t weaken; // the hash bits used: all but in tests, which force collisions
    // The gate.
    std::mutex lock;
    std::condition_variable changed;
    std::uint32_t inside;      // workers between enter_table and leave_table
    std::atomic<bool> wanted;  // a worker asked for growth
    std::atomic<bool> cramped; // growth failed: no memory for a larger table
    IndexHash hashOf;
    const void* context;
};

// A table of about `slots` (a power of two from FIRST_SLOTS to
// MOST_FIRST_SLOTS); false when memory runs out.
bool start_id_table(IdTable& table, std::uint64_t slots, IndexHash hashOf, const void* context);

// A worker looks up ids only between enter_table and leave_table, and lets
// the table grow at pause_table between its batches.
void enter_table(IdTable& table);
void leave_table(IdTable& table);

inline void pause_table(IdTable& table) {
    if (table.wanted.load(std::memory_order_relaxed)) {
        leave_table(table);
        enter_table(table);
    }
}

// Whether a new index may be made while `made` exist: 1 when it may, 0
// when the table is full and cannot grow, WAIT_FOR_ROOM when it must grow
// first (which is then asked for).
inline std::uint32_t table_room(IdTable& table, std::uint64_t made) {
    if (made < table.fullAt) {
        return 1;
    }
    table.wanted.store(true, std::memory_order_relaxed);
    return table.cramped.load(std::memory_order_relaxed) ? 0 : WAIT_FOR_ROOM;
}

// Asks for growth when the run of indexes from `made` (numbered from 0)
// passes three quarters.
inline void note_made(IdTable& table, std::uint64_t made) {
    if (made <= table.growAt && table.growAt < made + INDEX_RUN) {
        table.wanted.store(true, std::memory_order_relaxed);
    }
}

inline void prefetch_slot(const IdTable& table, std::uint64_t hash) {
    __builtin_prefetch(&table.slots[hash & table.weaken & table.mask]);
}

// The tag of a hash: its two top bits, placed above the index.
inline std::uint32_t slot_tag(const IdTable& table, std::uint64_t hash) {
    return static_cast<std::uint32_t>((hash & table.weaken) >> 62) << INDEX_BITS;
}

// The index in the first slot of a hash, where a probe begins, when its tag
// is the hash's, else 0; its key can be read.
inline std::uint32_t first_slot(const IdTable& table, std::uint64_t hash) {
    const std::uint32_t slot =
        std::atomic_ref<std::uint32_t>(table.slots[hash & table.weaken & table.mask])
            .load(std::memory_order_acquire);
    return (slot & ~INDEX_MASK) == slot_tag(table, hash) ? slot & INDEX_MASK : 0;
}

// Probes from `hash` for the index that `matches` takes. At a free slot
// first, `reserve` gives an index with its key (0 when there is no room,
// WAIT_FOR_ROOM when the table must grow first), which claims the slot; when
// another index claims it first, the probe goes on from there.
template <typename Matches, typename Reserve>
inline std::uint32_t find_or_claim(IdTable& table, std::uint64_t hash, Matches&& matches,
                                   Reserve&& reserve) {
    const std::uint32_t tag = slot_tag(table, hash);
    std::uint32_t made = 0;
    for (std::uint64_t p = hash & table.weaken;; p++) {
        std::atomic_ref<std::uint32_t> slot(table.slots[p & table.mask]);
        std::uint32_t seen = slot.load(std::memory_order_acquire);
        if (seen == 0) {
            made = made != 0 ? made : reserve();
            if (made == 0 || made == WAIT_FOR_ROOM) {
                return made;
            }
            if (slot.compare_exchange_strong(seen, made | tag, std::memory_order_acq_rel,
                                             std::memory_order_acquire)) {
                return made;
            }
        }
        if ((seen & ~INDEX_MASK) == tag && matches(seen & INDEX_MASK)) {
            return seen & INDEX_MASK;
        }
    }
}

} // namespace ugraph

#endif

// Id table (the node index of every hashed number and name, found on every core without a lock)
#include "large/id_table.h"

namespace ugraph {

static void set_capacity(IdTable& table, Block<std::uint32_t> slots, std::uint64_t capacity) {
    table.slots = std::move(slots);
    table.mask = capacity - 1;
    table.growAt = capacity / 4 * 3;
    table.fullAt = capacity / 8 * 7;
}

bool start_id_table(IdTable& table, std::uint64_t slots, IndexHash hashOf, const void* context) {
    std::uint64_t capacity = FIRST_SLOTS;
    while (capacity < slots && capacity < MOST_FIRST_SLOTS) {
        capacity *= 2;
    }
    Block<std::uint32_t> block = zeroed_block<std::uint32_t>(capacity);
    if (!block) {
        return false;
    }
    set_capacity(table, std::move(block), capacity);
    table.weaken = ~std::uint64_t{0};
    table.hashOf = hashOf;
    table.context = context;
    return true;
}

// Doubles the table, alone: every worker is outside the gate. When memory
// runs out the table stays, and no index is made past seven eighths.
static void grow(IdTable& table) {
    const std::uint64_t capacity = 2 * (table.mask + 1);
    Block<std::uint32_t> slots = zeroed_block<std::uint32_t>(capacity);
    if (!slots) {
        table.cramped.store(true, std::memory_order_relaxed);
        return;
    }
    for (std::uint64_t i = 0; i <= table.mask; i++) {
        const std::uint32_t slot = table.slots[i];
        if (slot != 0) {
            std::uint64_t p = table.hashOf(table.context, slot & INDEX_MASK) & table.weaken;
            while (slots[p & (capacity - 1)] != 0) {
                p++;
            }
            slots[p & (capacity - 1)] = slot; // the tag stays: the hash is the same
        }
    }
    set_capacity(table, std::move(slots), capacity);
}

void enter_table(IdTable& table) {
    std::unique_lock<std::mutex> guard(table.lock);
    table.changed.wait(guard, [&table] { return !table.wanted.load(std::memory_order_relaxed); });
    table.inside++;
}

// The last worker out of a table that must grow grows it, under the lock:
// the others wait to enter again.
void leave_table(IdTable& table) {
    const std::lock_guard<std::mutex> guard(table.lock);
    table.inside--;
    if (table.inside == 0 && table.wanted.load(std::memory_order_relaxed)) {
        if (!table.cramped.load(std::memory_order_relaxed)) {
            grow(table);
        }
        table.wanted.store(false, std::memory_order_relaxed);
        table.changed.notify_all();
    }
}

} // namespace ugraph

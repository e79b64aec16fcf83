// The id table: ids added from many threads at once while the table grows,
// with the real hash and with one weakened until most ids collide.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "large/node_index.h"

namespace ugraph::testing {
namespace {

struct Worker {
    std::vector<std::uint32_t> index;    // of each id
    std::vector<std::uint64_t> position; // each name was given at
};

std::uint64_t number_of(std::uint32_t i) {
    return std::uint64_t{DIRECT_IDS} + std::uint64_t{i} * 1000003; // above the direct range
}

std::string name_of(std::uint32_t i) {
    return "n" + std::to_string(i) + std::string(i % 23, 'x'); // lengths of 2 to 30 bytes
}

// One thread adds every id, in an order of its own, and lets the table grow
// between batches as a reader does.
void add_every_id(NodeIndex& nodes, std::uint32_t ids, std::uint32_t seed, Worker& w) {
    std::vector<std::uint32_t> order(ids);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(seed));
    w.index.assign(ids, 0);
    w.position.assign(ids, 0);
    NodeMaker maker{};
    enter_table(nodes.table);
    for (std::uint32_t k = 0; k < ids; k++) {
        const std::uint32_t i = order[k];
        if (nodes.kind == IdKind::numbers) {
            w.index[i] = hashed_number_node(nodes, maker, number_of(i), number_hash(number_of(i)));
        } else {
            const std::string name = name_of(i);
            const auto length = static_cast<std::uint32_t>(name.size());
            w.position[i] = std::uint64_t{k} * 64 + seed;
            w.index[i] = name_node(nodes, maker, name.data(), length, w.position[i],
                                   name_hash(name.data(), length));
        }
        if (k % 64 == 63) {
            pause_table(nodes.table);
        }
    }
    leave_table(nodes.table);
    finish_maker(nodes, maker);
}

TEST(IdTable, EveryIdGetsOneIndexWhileTheTableGrows) {
    struct Case {
        IdKind kind;
        std::uint64_t hashMask; // 0: the whole hash
        std::uint32_t ids;      // 40000 is past the first table's three quarters
        std::uint32_t threads;
    };
    const Case cases[] = {
        {IdKind::numbers, 0, 40000, 1}, {IdKind::numbers, 0, 40000, 4},
        {IdKind::names, 0, 40000, 4},   {IdKind::numbers, 0x7, 1500, 8},
        {IdKind::names, 0x3, 1500, 8},
    };
    for (const Case& c : cases) {
        const auto nodes = make_node_index(c.kind);
        ASSERT_NE(nodes, nullptr);
        if (c.hashMask != 0) {
            nodes->table.weaken = c.hashMask;
        }
        std::vector<Worker> workers(c.threads);
        std::vector<std::thread> threads;
        for (std::uint32_t t = 0; t < c.threads; t++) {
            threads.emplace_back(add_every_id, std::ref(*nodes), c.ids, t, std::ref(workers[t]));
        }
        for (std::thread& t : threads) {
            t.join();
        }
        const std::string row = "kind " + std::to_string(static_cast<int>(c.kind)) + ", mask " +
                                std::to_string(c.hashMask) + ", threads " +
                                std::to_string(c.threads);
        std::set<std::uint32_t> distinct;
        for (std::uint32_t i = 0; i < c.ids; i++) {
            const std::uint32_t index = workers[0].index[i];
            ASSERT_GT(index, nodes->directIds) << row;
            distinct.insert(index);
            std::uint64_t lowest = workers[0].position[i];
            for (const Worker& w : workers) {
                ASSERT_EQ(w.index[i], index) << row << ", id " << i;
                lowest = std::min(lowest, w.position[i]);
            }
            const NodeId id = id_of(*nodes, index);
            if (c.kind == IdKind::numbers) {
                ASSERT_EQ(id.number, number_of(i)) << row;
            } else {
                ASSERT_EQ(std::string(id.name, id.length), name_of(i)) << row;
                ASSERT_EQ(first_position(*nodes, index), lowest) << row;
            }
        }
        ASSERT_EQ(distinct.size(), c.ids) << row;
        // Every index made is a node of its own, or a hole with no word.
        std::uint64_t live = 0;
        for (std::uint64_t k = 0; k < hashed_count(*nodes); k++) {
            const auto index = static_cast<std::uint32_t>(first_hashed(*nodes) + k);
            const std::uint32_t word = *word_of(*nodes, index);
            ASSERT_TRUE(word == 0 || word == index) << row;
            live += word != 0 ? 1 : 0;
        }
        EXPECT_EQ(live, c.ids) << row;
    }
}

} // namespace
} // namespace ugraph::testing

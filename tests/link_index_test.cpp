// Link index: degrees and first entries of a sorted link table.
#include <gtest/gtest.h>

#include <vector>

#include "analysis/link_index.h"
#include "link_table.h"

namespace ugraph::testing {
namespace {

struct Index {
    NodeTable degree{};
    NodeTable firstLink{};
};

Index index_of(std::int32_t nodes, const Entries& entries) {
    const Table t = make_table(nodes, entries);
    Index x;
    x.degree.fill(-1);
    x.firstLink.fill(-1);
    build_link_index(t.linkFrom, t.linkTo, x.degree, x.firstLink);
    return x;
}

std::vector<std::int32_t> slots(const NodeTable& table, std::int32_t first, std::int32_t last) {
    return {table.begin() + first, table.begin() + last + 1};
}

TEST(LinkIndex, WorkedCases) {
    Index x = index_of(6, {{1, 2}, {2, 1}, {2, 3}, {3, 2}, {4, 5}, {5, 4}});
    EXPECT_EQ(slots(x.degree, 0, 6), (std::vector<std::int32_t>{0, 1, 2, 1, 1, 1, 0}));
    EXPECT_EQ(slots(x.firstLink, 0, 7), (std::vector<std::int32_t>{0, 1, 2, 4, 5, 6, 7, 7}));

    x = index_of(3, {});
    EXPECT_EQ(slots(x.degree, 1, 3), (std::vector<std::int32_t>{0, 0, 0}));
    EXPECT_EQ(slots(x.firstLink, 1, 4), (std::vector<std::int32_t>{1, 1, 1, 1}));

    x = index_of(3, {{2, 2}});
    EXPECT_EQ(slots(x.degree, 1, 3), (std::vector<std::int32_t>{0, 1, 0}));
    EXPECT_EQ(slots(x.firstLink, 1, 4), (std::vector<std::int32_t>{1, 1, 2, 2}));

    x = index_of(1, {{1, 1}});
    EXPECT_EQ(slots(x.firstLink, 1, 2), (std::vector<std::int32_t>{1, 2}));
}

TEST(LinkIndex, NoNodesWritesOnlySlotsZeroAndOne) {
    const Index x = index_of(0, {});
    EXPECT_EQ(x.degree[0], 0);
    EXPECT_EQ(x.firstLink[0], 0);
    EXPECT_EQ(x.firstLink[1], 1);
    EXPECT_EQ(x.degree[1], -1);
    EXPECT_EQ(x.firstLink[2], -1);
}

TEST(LinkIndex, NodeCountBeyondTheTablesIsCut) {
    const Index x = index_of(5000, {{1, 2}, {2, 1}});
    EXPECT_EQ(x.firstLink[MAX_NODE + 1], 3);
    EXPECT_EQ(x.degree[2], 1);
    const Index none = index_of(-4, {{1, 2}});
    EXPECT_EQ(none.firstLink[1], 1);
    EXPECT_EQ(none.degree[1], -1);
}

} // namespace
} // namespace ugraph::testing

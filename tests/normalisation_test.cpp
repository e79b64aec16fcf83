// Link normalisation: both directions, sorted, no duplicates, and stable.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "analysis/link_normalisation.h"
#include "link_table.h"

namespace ugraph::testing {
namespace {

Entries normalised(const Entries& raw, std::int32_t nodes = 9) {
    Table t = make_table(nodes, raw);
    normalize_links(t.linkFrom, t.linkTo);
    EXPECT_EQ(t.linkTo[0], nodes) << "the node count is not touched";
    EXPECT_EQ(t.linkFrom[0], static_cast<std::int32_t>(entries_of(t).size()));
    return entries_of(t);
}

TEST(Normalisation, WorkedCases) {
    EXPECT_EQ(normalised({}), Entries{});
    EXPECT_EQ(normalised({{1, 2}, {2, 3}, {4, 5}}),
              (Entries{{1, 2}, {2, 1}, {2, 3}, {3, 2}, {4, 5}, {5, 4}}));
    EXPECT_EQ(normalised({{1, 2}, {2, 1}, {1, 2}}), (Entries{{1, 2}, {2, 1}}));
    EXPECT_EQ(normalised({{1, 10}, {1, 2}, {2, 1}, {5, 5}}),
              (Entries{{1, 2}, {1, 10}, {2, 1}, {5, 5}, {10, 1}}));
    EXPECT_EQ(normalised({{2, 2}}), (Entries{{2, 2}}));
}

TEST(Normalisation, EmptyTableEndsAtSlotOne) {
    Table t = make_table(3, {});
    t.linkFrom[1] = 0;
    t.linkTo[1] = 7;
    normalize_links(t.linkFrom, t.linkTo);
    EXPECT_EQ(t.linkFrom[0], 0);
    EXPECT_EQ(t.linkFrom[1], 0);
    EXPECT_EQ(t.linkTo[1], 0);
    EXPECT_EQ(t.linkTo[0], 3);
}

TEST(Normalisation, ZeroFromNodeEndsTheWalk) {
    Table t = make_table(5, {{1, 2}, {0, 0}, {3, 4}});
    normalize_links(t.linkFrom, t.linkTo);
    EXPECT_EQ(entries_of(t), (Entries{{1, 2}, {2, 1}}));
    EXPECT_EQ(t.linkFrom[0], 2);
}

TEST(Normalisation, EntriesWithoutAPairCodeAreLeftOut) {
    Table t = make_table(5, {{1, 2}, {-3, 1}, {2, 10000}, {4, 0}, {2, 3}});
    normalize_links(t.linkFrom, t.linkTo);
    EXPECT_EQ(entries_of(t), (Entries{{1, 2}, {2, 1}, {2, 3}, {3, 2}}));
}

TEST(Normalisation, TakesAtMostTheLargestRawTable) {
    Entries raw;
    for (std::int32_t k = 0; k < MAX_RAW_ENTRIES + 20; k++) {
        raw.emplace_back(1 + k % 49, 1 + (k * 7 + 3) % 49);
    }
    Table t = make_table(49, raw);
    t.linkFrom[0] = MAX_RAW_ENTRIES + 20;
    normalize_links(t.linkFrom, t.linkTo);
    std::set<std::pair<std::int32_t, std::int32_t>> expected;
    for (std::int32_t k = 0; k < MAX_RAW_ENTRIES; k++) {
        expected.emplace(raw[k]);
        expected.emplace(raw[k].second, raw[k].first);
    }
    EXPECT_EQ(entries_of(t), Entries(expected.begin(), expected.end()));
}

// Against a plain set on random raw tables, and a second call changes nothing.
TEST(Normalisation, MatchesASortedSetAndIsStable) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; round++) {
        const std::int32_t nodes = 1 + static_cast<std::int32_t>(random() % 49);
        const std::size_t count = random() % 600;
        Entries raw;
        std::set<std::pair<std::int32_t, std::int32_t>> expected;
        for (std::size_t k = 0; k < count; k++) {
            const std::int32_t a = 1 + static_cast<std::int32_t>(random() % nodes);
            const std::int32_t b = 1 + static_cast<std::int32_t>(random() % nodes);
            raw.emplace_back(a, b);
            expected.emplace(a, b);
            expected.emplace(b, a);
        }
        Table t = make_table(nodes, raw);
        normalize_links(t.linkFrom, t.linkTo);
        const Entries once = entries_of(t);
        ASSERT_EQ(once, Entries(expected.begin(), expected.end()));
        normalize_links(t.linkFrom, t.linkTo);
        ASSERT_EQ(entries_of(t), once);
        ASSERT_EQ(t.linkFrom[0], static_cast<std::int32_t>(once.size()));
    }
}

} // namespace
} // namespace ugraph::testing

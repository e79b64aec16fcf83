// Link normalisation: both directions, sorted, no duplicates, and stable.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "analysis/link_normalisation.h"
#include "analysis/pair_code_sort.h"
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

TEST(Normalisation, TakesTheLastEntryOfAFullTable) {
    Entries raw;
    for (std::int32_t k = 1; k <= MAX_RAW_ENTRIES; k++) {
        raw.emplace_back(1 + k % 49, 100 + k); // distinct pairs: a dropped one shows
    }
    raw.emplace_back(1, 9000);
    const Entries result = normalised(raw, 49);
    EXPECT_EQ(result.size(), 2U * MAX_RAW_ENTRIES);
    const std::pair<std::int32_t, std::int32_t> last{1 + MAX_RAW_ENTRIES % 49,
                                                     100 + MAX_RAW_ENTRIES};
    EXPECT_NE(std::find(result.begin(), result.end(), last), result.end());
    EXPECT_EQ(std::find(result.begin(), result.end(), std::make_pair(1, 9000)), result.end());
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

// Codes of nodes far above 49 need every radix digit of the sort.
TEST(Normalisation, LargeNodeNumbersSortByValue) {
    EXPECT_EQ(normalised({{1700, 1}, {30, 5}}, 1700),
              (Entries{{1, 1700}, {5, 30}, {30, 5}, {1700, 1}}));
    EXPECT_EQ(normalised({{9999, 9998}, {256, 9999}, {2, 511}}, 9999),
              (Entries{{2, 511}, {256, 9999}, {511, 2}, {9998, 9999}, {9999, 256}, {9999, 9998}}));
}

using Exchanges = std::vector<std::pair<std::int32_t, std::int32_t>>;

// The plain selection sort: an upward scan in which only a strictly smaller
// item replaces the smallest found so far.
Exchanges scanned_exchanges(PairCodes codes, std::int32_t n) {
    Exchanges done;
    for (std::int32_t p = 1; p <= n; p++) {
        std::int32_t at = p;
        for (std::int32_t i = p + 1; i <= n; i++) {
            at = codes[i] < codes[at] ? i : at;
        }
        if (at != p) {
            std::swap(codes[p], codes[at]);
            done.emplace_back(p, at);
        }
    }
    return done;
}

// Raw tables pair every entry with its reverse, so ties are the rule; the
// small-range rounds make long runs of equal codes too.
TEST(Normalisation, SortMakesTheSelectionSortsExchanges) {
    std::mt19937 random(11);
    for (int round = 0; round < 300; round++) {
        const std::int32_t range = round % 3 == 0 ? 3 : 49;
        const std::int32_t entries = 1 + static_cast<std::int32_t>(random() % MAX_RAW_ENTRIES);
        PairCodes codes{};
        std::int32_t n = 0;
        for (std::int32_t k = 0; k < entries; k++) {
            const std::int32_t a = 1 + static_cast<std::int32_t>(random() % range);
            const std::int32_t b = 1 + static_cast<std::int32_t>(random() % range);
            codes[++n] = a * PAIR_BASE + b;
            codes[++n] = b * PAIR_BASE + a;
        }
        const Exchanges expected = scanned_exchanges(codes, n);
        Exchanges made;
        sort_pair_codes(codes, n,
                        [&made](std::int32_t p, std::int32_t at) { made.emplace_back(p, at); });
        ASSERT_EQ(made, expected) << "round " << round;
        ASSERT_TRUE(std::is_sorted(codes.begin() + 1, codes.begin() + n + 1));
    }
}

} // namespace
} // namespace ugraph::testing

// Keyboard entry: prompts, the raw table it leaves, and its limits.
#include <gtest/gtest.h>

#include <string>

#include "console_capture.h"
#include "input/keyboard_entry.h"
#include "link_table.h"

namespace ugraph::testing {
namespace {

struct Typed {
    std::string output;
    Table table;
    NameBuffer name{};
};

Typed type_in(const std::string& input) {
    Typed t;
    t.table.linkFrom.fill(-5);
    t.table.linkTo.fill(-5);
    t.name.fill('?');
    ConsoleCapture console(input);
    read_graph_keyboard(t.table.linkFrom, t.table.linkTo, t.name);
    t.output = console.output();
    return t;
}

const std::string NAME_PROMPT = "Not exceeding 10 characters, input name of graph   ";
const std::string COUNT_PROMPT = "Input number of non-isolated nodes:  ";
const std::string NEIGHBOR_HEAD =
    "Input every neighbor with higher natural number after each (node):\n";

TEST(KeyboardEntry, WorkedExample) {
    const Typed t = type_in("Tri\n4\n2 3\n3\n\n\n");
    EXPECT_EQ(t.output, NAME_PROMPT + COUNT_PROMPT + NEIGHBOR_HEAD + "(1),(2),(3),(4),");
    EXPECT_STREQ(t.name.data(), "Tri");
    EXPECT_EQ(entries_of(t.table), (Entries{{1, 2}, {1, 3}, {2, 3}}));
    EXPECT_EQ(t.table.linkFrom[0], 3);
    EXPECT_EQ(t.table.linkTo[0], 4);
    EXPECT_EQ(t.table.linkTo[4], 0);
    EXPECT_EQ(t.table.linkFrom[5], -5) << "slots beyond E + 1 are left alone";
}

TEST(KeyboardEntry, NumbersOnALine) {
    const Typed t = type_in("G\n5\n\n1 3,3 2 0 -4x5\n");
    EXPECT_EQ(entries_of(t.table), (Entries{{2, 1}, {2, 3}, {2, 3}, {2, 4}, {2, 5}}));
}

TEST(KeyboardEntry, NameIsCutToTenCharacters) {
    EXPECT_STREQ(type_in("ABCDEFGHIJKLMNO\n0\n").name.data(), "ABCDEFGHIJ");
    EXPECT_STREQ(type_in("\n0\n").name.data(), "");
}

TEST(KeyboardEntry, NoNodes) {
    const Typed t = type_in("Nil\n0\n1 2 3\n");
    EXPECT_EQ(t.output, NAME_PROMPT + COUNT_PROMPT + NEIGHBOR_HEAD);
    EXPECT_EQ(t.table.linkFrom[0], 0);
    EXPECT_EQ(t.table.linkTo[0], 0);
    EXPECT_EQ(t.table.linkFrom[1], 0);
    EXPECT_EQ(t.table.linkTo[1], 0);
}

TEST(KeyboardEntry, RestOfTheCountLineIsNodeOnesLine) {
    const Typed t = type_in("G\n3 \n2\n");
    EXPECT_EQ(t.output, NAME_PROMPT + COUNT_PROMPT + NEIGHBOR_HEAD + "(1),(2),(3),");
    EXPECT_EQ(entries_of(t.table), Entries{}) << "node 2's own number is dropped";
    EXPECT_EQ(t.table.linkTo[0], 3);
}

TEST(KeyboardEntry, NodeCountOutsideTheRangeIsAskedAgain) {
    const std::string again = "Number of nodes must be between 0 and 49\n";
    const Typed t = type_in("G\n50\n-1\nmany\n2\n2\n");
    EXPECT_EQ(t.output, NAME_PROMPT + COUNT_PROMPT + again + COUNT_PROMPT + again + COUNT_PROMPT +
                            again + COUNT_PROMPT + NEIGHBOR_HEAD + "(1),(2),");
    EXPECT_EQ(entries_of(t.table), (Entries{{1, 2}}));
}

TEST(KeyboardEntry, NumbersAboveTheNodeCountAreNamedAndNotStored) {
    const Typed t = type_in("G\n3\n2 9 3 99999999999 2147483640\n");
    EXPECT_EQ(t.output, NAME_PROMPT + COUNT_PROMPT + NEIGHBOR_HEAD +
                            "(1),Neighbor 9 ignored: the nodes are 1 to 3\n"
                            "Neighbor 2147483647 ignored: the nodes are 1 to 3\n"
                            "Neighbor 2147483640 ignored: the nodes are 1 to 3\n(2),(3),");
    EXPECT_EQ(entries_of(t.table), (Entries{{1, 2}, {1, 3}}));
}

TEST(KeyboardEntry, EndOfInputCountsAsEmptyLines) {
    Typed t = type_in("Half\n3\n2");
    EXPECT_EQ(t.output, NAME_PROMPT + COUNT_PROMPT + NEIGHBOR_HEAD + "(1),(2),(3),");
    EXPECT_EQ(entries_of(t.table), (Entries{{1, 2}}));
    t = type_in("");
    EXPECT_STREQ(t.name.data(), "");
    EXPECT_EQ(t.table.linkTo[0], 0);
}

TEST(KeyboardEntry, TableFullKeepsTheFirstEntries) {
    std::string input = "Big\n49\n";
    for (int node = 1; node <= 49; node++) {
        for (int k = 0; k < 30; k++) {
            input += std::to_string(node == 49 ? 1 : 49) + " ";
        }
        input += "\n";
    }
    const Typed t = type_in(input);
    EXPECT_EQ(t.table.linkFrom[0], MAX_RAW_ENTRIES);
    EXPECT_EQ(t.table.linkFrom[MAX_RAW_ENTRIES + 1], 0);
    EXPECT_EQ(t.table.linkFrom[MAX_RAW_ENTRIES], MAX_RAW_ENTRIES / 30 + 1);
    const std::string full = "Too many neighbors: only the first 1249 are kept\n";
    const auto at = t.output.find(full);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(t.output.find(full, at + 1), std::string::npos) << "told once";
}

} // namespace
} // namespace ugraph::testing

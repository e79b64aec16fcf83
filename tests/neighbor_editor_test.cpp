// Neighbor-list editor: the dialogue, the rows and the table written back.
#include <gtest/gtest.h>

#include <string>

#include "analysis/link_normalisation.h"
#include "console_capture.h"
#include "editing/neighbor_editor.h"
#include "link_table.h"

namespace ugraph::testing {
namespace {

struct Edited {
    std::string output;
    Table table;
    NameBuffer name{};
};

Edited edit(Table table, const std::string& input, const std::string& name = "Old") {
    Edited e;
    e.table = table;
    name.copy(e.name.data(), NAME_SIZE - 1);
    ConsoleCapture console(input);
    edit_neighbor_lists(e.table.linkFrom, e.table.linkTo, e.name);
    e.output = console.output();
    return e;
}

std::string menu(std::int32_t nodes) {
    return "Input integer:\n(node number) between 1 and " + std::to_string(nodes) +
           "\n0 (zero) to terminate editing\n-1 to edit NAME of graph\n";
}

std::string row_edit(std::int32_t n, const std::string& shown) {
    return "all the given as neighbors of (" + std::to_string(n) + ") are:  " + shown +
           "\ntype in entire correct line of ALL neighbors of node (" + std::to_string(n) + "):  ";
}

Table square() {
    Table t = make_table(4, {{1, 2}, {1, 3}, {2, 3}, {3, 4}});
    normalize_links(t.linkFrom, t.linkTo);
    return t;
}

TEST(NeighborEditor, WorkedExample) {
    const Edited e = edit(square(), "2\n1, 4 2 9\n-1\nSquare\n0\n");
    EXPECT_EQ(e.output,
              menu(4) + row_edit(2, "1,3,") + menu(4) +
                  "Input full NAME of file (less than 15 characters):New NAME = Square\n" +
                  menu(4));
    EXPECT_STREQ(e.name.data(), "Square");
    EXPECT_EQ(entries_of(e.table),
              (Entries{{1, 2}, {1, 3}, {2, 4}, {3, 1}, {3, 2}, {3, 4}, {4, 3}}));
    EXPECT_EQ(e.table.linkFrom[0], 7);
    EXPECT_EQ(e.table.linkTo[0], 4);
    EXPECT_EQ(e.table.linkFrom[8], 0);
    EXPECT_EQ(e.table.linkTo[8], 0);
}

TEST(NeighborEditor, ZeroAtOnceKeepsAGroupedTable) {
    Table t = make_table(5, {{1, 4}, {1, 2}, {2, 9}, {4, 1}, {4, 1}});
    t.linkFrom[0] = 99; // recounted, not copied
    const Edited e = edit(t, "0\n");
    EXPECT_EQ(entries_of(e.table), (Entries{{1, 4}, {1, 2}, {2, 9}, {4, 1}, {4, 1}}));
    EXPECT_EQ(e.table.linkFrom[0], 5);
    EXPECT_EQ(e.output, menu(5));
}

TEST(NeighborEditor, EmptyLineEmptiesTheRowAndRowNAlwaysEmpties) {
    const Edited e = edit(square(), "1\n\n1\n\n4\n1 2 3 4 5\n0\n");
    EXPECT_EQ(e.output, menu(4) + row_edit(1, "2,3,") + menu(4) + row_edit(1, "") + menu(4) +
                            row_edit(4, "3,") + menu(4));
    EXPECT_EQ(entries_of(e.table), (Entries{{2, 1}, {2, 3}, {3, 1}, {3, 2}, {3, 4}}));
}

TEST(NeighborEditor, NumbersOnALine) {
    Table t = make_table(20, {});
    const Edited e = edit(t, "1\n12abc7 2.5 007 7 -3 99999999999 21 1\n0\n");
    EXPECT_EQ(entries_of(e.table),
              (Entries{{1, 12}, {1, 7}, {1, 2}, {1, 5}, {1, 7}, {1, 7}, {1, 3}}));
}

TEST(NeighborEditor, AnyNegativeAnswerEditsTheName) {
    const Edited e = edit(square(), "-7\nABCDEFGHIJKLMNOPQR\n0\n");
    EXPECT_STREQ(e.name.data(), "ABCDEFGHIJKLMNO");
    EXPECT_NE(e.output.find("New NAME = ABCDEFGHIJKLMNO\n"), std::string::npos);
}

TEST(NeighborEditor, LineTypedAfterTheAnswer) {
    const Edited e = edit(square(), "3 4 5\n0\n");
    EXPECT_EQ(e.output, menu(4) + row_edit(3, "1,2,4,") + menu(4));
    EXPECT_EQ(entries_of(e.table), (Entries{{1, 2}, {1, 3}, {2, 1}, {2, 3}, {3, 4}, {4, 3}}));
}

TEST(NeighborEditor, NoNodes) {
    Table t = make_table(0, {});
    t.linkFrom[1] = 0;
    const Edited e = edit(t, "0\n");
    EXPECT_EQ(e.output, menu(0));
    EXPECT_EQ(e.table.linkFrom[0], 0);
    EXPECT_EQ(e.table.linkFrom[1], 0);
    EXPECT_EQ(e.table.linkTo[1], 0);
}

TEST(NeighborEditor, AnswersAboveNAndNotNumbersShowTheMenuAgain) {
    const Edited e = edit(square(), "5\nhello\n0\n");
    EXPECT_EQ(e.output, menu(4) + "Node 5 is not between 1 and 4\n" + menu(4) + menu(4));
    EXPECT_EQ(entries_of(e.table), entries_of(square()));
}

TEST(NeighborEditor, EndOfInputKeepsTheEditsSoFar) {
    Edited e = edit(square(), "1\n3\n");
    EXPECT_EQ(entries_of(e.table),
              (Entries{{1, 3}, {2, 1}, {2, 3}, {3, 1}, {3, 2}, {3, 4}, {4, 3}}));
    e = edit(square(), "1\n");
    EXPECT_EQ(entries_of(e.table), entries_of(square())) << "a row line that never came";
    e = edit(square(), "-1\n");
    EXPECT_STREQ(e.name.data(), "Old") << "a name line that never came";
    EXPECT_EQ(e.output, menu(4) + "Input full NAME of file (less than 15 characters):" + menu(4));
}

TEST(NeighborEditor, FullRowKeepsFiftyValues) {
    std::string line;
    for (int k = 0; k < 60; k++) {
        line += "2 ";
    }
    const Edited e = edit(make_table(3, {}), "1\n" + line + "\n0\n");
    EXPECT_EQ(e.table.linkFrom[0], 50);
    EXPECT_NE(e.output.find("Row (1) holds at most 50 neighbors; the rest are dropped\n"),
              std::string::npos);
}

TEST(NeighborEditor, LargestTablesAreTaken) {
    const Entries fifty(50, {1, 2});
    EXPECT_EQ(edit(make_table(49, {}), "0\n").output, menu(49));
    const Edited e = edit(make_table(2, fifty), "0\n");
    EXPECT_EQ(e.output, menu(2));
    EXPECT_EQ(e.table.linkFrom[0], 50);
}

TEST(NeighborEditor, MalformedTablesAreRefusedUnchanged) {
    Entries fiftyOne(51, {1, 2});
    const Table cases[] = {
        make_table(3, {{2, 1}, {1, 2}}),
        make_table(1, {{1, 2}, {2, 1}}),
        make_table(50, {}),
        make_table(-1, {}),
        make_table(2, fiftyOne),
    };
    for (const Table& t : cases) {
        const Edited e = edit(t, "-1\nNew\n0\n");
        EXPECT_EQ(e.output, "Links are not grouped by ascending node; nothing edited\n");
        EXPECT_EQ(e.table.linkFrom, t.linkFrom);
        EXPECT_EQ(e.table.linkTo, t.linkTo);
        EXPECT_STREQ(e.name.data(), "Old");
    }
}

} // namespace
} // namespace ugraph::testing

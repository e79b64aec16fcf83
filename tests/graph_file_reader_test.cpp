// Graph data file reader: what each data-input loads, and what it refuses.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "console_capture.h"
#include "input/graph_file_reader.h"
#include "link_table.h"
#include "scratch_dir.h"

namespace ugraph::testing {
namespace {

struct Loaded {
    std::int32_t result = -1;
    std::string output;
    Table table;
    NameBuffer name{};
};

// Loads data-input `answer` of a data file holding `file`.
Loaded load(const std::string& file, const std::string& answer = "1\n") {
    ScratchDir dir;
    ScratchDir::write("GraphDataFile2.txt", file);
    Loaded l;
    l.table.linkFrom.fill(-5);
    l.table.linkTo.fill(-5);
    l.name.fill('?');
    ConsoleCapture console(answer);
    l.result = read_graph_file(l.table.linkFrom, l.table.linkTo, l.name);
    l.output = console.output();
    return l;
}

// The normalised table of the given links, as a list of entries.
Entries both_ways(const Entries& links) {
    std::set<std::pair<std::int32_t, std::int32_t>> all;
    for (const auto& [a, b] : links) {
        all.emplace(a, b);
        all.emplace(b, a);
    }
    return {all.begin(), all.end()};
}

// A data-input of 13 x 48 = 624 links, the most one may list.
std::string most_links_file() {
    std::string file = "[U \"Many\" ";
    for (int node = 1; node <= 13; node++) {
        file += "(" + std::to_string(node) + ")";
        for (int n = 1; n <= 48; n++) {
            file += " " + std::to_string(n);
        }
    }
    return file + "]";
}

TEST(GraphFileReader, NodeListsOfTheFormat) {
    struct Case {
        const char* nodeList;
        Entries links;
        std::int32_t nodes;
    };
    const Case cases[] = {
        {"(1) 2, 3", {{1, 2}, {1, 3}}, 3},
        {"(1)2,3", {{1, 2}, {1, 3}}, 3},
        {"(1) 2 3", {{1, 2}, {1, 3}}, 3},
        {"(1), 2", {{1, 2}}, 2},
        {"(1) 2,", {{1, 2}}, 2},
        {"(2) 3, 0", {{2, 3}}, 3},
        {"(5)(6) 1", {{6, 1}}, 6},
        {"(007) 02", {{7, 2}}, 7},
        {"(1),2,4, (2),3, (3),4, (4)", {{1, 2}, {1, 4}, {2, 3}, {3, 4}}, 4},
        {"(1) 2 , 3", {{1, 2}, {1, 3}}, 3},
        {"(1)2,,3", {{1, 2}, {1, 3}}, 3},
        {"(1) 2\n(2)\t3\r\n", {{1, 2}, {2, 3}}, 3},
        {"(1) 0 2", {{1, 2}}, 2},
        {"(1) 2 (9)", {{1, 2}}, 9},
        {"(1) 2 (2) 1 (1) 2", {{1, 2}}, 2},
    };
    for (const Case& c : cases) {
        const Loaded l = load(std::string("[U \"G\" ") + c.nodeList + "]");
        EXPECT_EQ(entries_of(l.table), both_ways(c.links)) << c.nodeList;
        EXPECT_EQ(l.table.linkTo[0], c.nodes) << c.nodeList;
        EXPECT_EQ(l.result, 2 * static_cast<std::int32_t>(c.links.size())) << c.nodeList;
    }
}

TEST(GraphFileReader, SelfLinkStandsOnce) {
    const Loaded l = load("[U \"Loop\" (1) 1 2]");
    EXPECT_EQ(entries_of(l.table), (Entries{{1, 1}, {1, 2}, {2, 1}}));
    EXPECT_EQ(l.result, 3);
}

TEST(GraphFileReader, DemoDataInput) {
    const Loaded l = load("[U \"Demo\" (1) 2, 3 (2) 3 (4) 5 (6) 0]");
    EXPECT_STREQ(l.name.data(), "Demo");
    EXPECT_EQ(l.table.linkTo[0], 6);
    EXPECT_EQ(entries_of(l.table), both_ways({{1, 2}, {1, 3}, {2, 3}, {4, 5}}));
    EXPECT_EQ(l.result, 8);
}

TEST(GraphFileReader, NamesAsStored) {
    EXPECT_STREQ(load("[U \"\" (1) 2]").name.data(), "");
    EXPECT_STREQ(load("[U lead \"a (b [c\" (1) 2]").name.data(), "a (b [c");
    EXPECT_STREQ(load("[U \"ABCDEFGHIJKLMNOPQRS\" (1) 2]").name.data(), "ABCDEFGHIJKLMNO");
}

TEST(GraphFileReader, GraphWithoutNodesSetsOnlyTheName) {
    const Loaded l = load("[U \"Empty\"]");
    EXPECT_EQ(l.result, 0);
    EXPECT_STREQ(l.name.data(), "Empty");
    EXPECT_EQ(l.table.linkFrom[0], 0);
    EXPECT_EQ(l.table.linkTo[0], 0);
    EXPECT_EQ(l.table.linkFrom[1], 0);
}

TEST(GraphFileReader, GraphWithoutLinksLoadsNothingToAnalyse) {
    const Loaded l = load("[U \"Dots\" (1) 0 (2) (3) 0]");
    EXPECT_EQ(l.result, 0);
    EXPECT_EQ(l.table.linkTo[0], 3);
    EXPECT_EQ(l.table.linkFrom[0], 0);
}

// Every refusal writes one line, returns 0 and changes nothing in the record.
TEST(GraphFileReader, RefusalsLeaveTheRecordAlone) {
    const std::string manyLinks = most_links_file();

    struct Case {
        std::string file;
        std::string message;
    };
    const Case cases[] = {
        {"[X \"G\" (1) 2]", "Input-array in file not marked 'U' (after '[') for Ugraph\n"},
        {"[ U \"G\" (1) 2]", "Input-array in file not marked 'U' (after '[') for Ugraph\n"},
        {"[U \"G\" (1) 2", "Input-array in file not closed by ']'\n"},
        {"[X \"G\" (1) 2", "Input-array in file not closed by ']'\n"},
        {"[U \"G\" (1) " + std::string(2500, ' ') + "]",
         "Input-array in file is longer than 2503 characters\n"},
        {"[U G (1) 2]", "Input-array in file has no name in double quotes\n"},
        {"[U \"G (1) 2]", "Input-array in file has no name in double quotes\n"},
        {"[U \"G\" (1) 50]", "Node number 50 in input-array is outside 1 to 49\n"},
        {"[U \"G\" (0) 2]", "Node number 0 in input-array is outside 1 to 49\n"},
        {"[U \"G\" (1) 99999999999]", "Node number 2147483647 in input-array is outside 1 to 49\n"},
        {manyLinks.substr(0, manyLinks.size() - 1) + " 1]",
         "Input-array in file lists more than 624 links\n"},
        {"[U \"G\" (1) 2 # 3]", "Input-array in file has an unexpected character at position 14\n"},
        {"[U \"G\" (1) -2]", "Input-array in file has an unexpected character at position 12\n"},
        {"[U \"G\" (1) 2.5]", "Input-array in file has an unexpected character at position 13\n"},
        {"[U \"G\" () 2]", "Input-array in file has an unexpected character at position 9\n"},
        {"[U \"G\" (1 2)]", "Input-array in file has an unexpected character at position 10\n"},
        {"[U \"G\" (1) 2 (]", "Input-array in file has an unexpected character at position 15\n"},
        {"[U \"G\" (1) \"2\"]", "Input-array in file has an unexpected character at position 12\n"},
        {"[U \"G\" (1) [2]", "Input-array in file has an unexpected character at position 12\n"},
        {std::string("[U \"G\" (1) \0 2]", 15),
         "Input-array in file has an unexpected character at position 12\n"},
    };
    for (const Case& c : cases) {
        const Loaded l = load(c.file);
        EXPECT_EQ(l.result, 0) << c.file;
        ASSERT_GE(l.output.size(), c.message.size()) << c.file;
        EXPECT_EQ(l.output.substr(l.output.size() - c.message.size()), c.message) << c.file;
        EXPECT_EQ(l.name[0], '?') << c.file;
        EXPECT_EQ(l.table.linkFrom[0], -5) << c.file;
        EXPECT_EQ(l.table.linkTo[0], -5) << c.file;
        EXPECT_EQ(l.table.linkFrom[1], -5) << c.file;
    }
}

TEST(GraphFileReader, LongestDataInputThatFits) {
    const std::string head = "[U \"G\" (1) 2";
    const std::string fits = head + std::string(2503 - head.size() - 1, ' ') + "]";
    ASSERT_EQ(fits.size(), 2503U);
    EXPECT_EQ(load(fits).result, 2);
    const std::string over = head + std::string(2503 - head.size(), ' ') + "]";
    const Loaded refused = load(over);
    EXPECT_EQ(refused.result, 0);
    EXPECT_EQ(refused.output, "1  " + over +
                                  "\n\nInput number before the selected data-input "
                                  "(zero to abort):\nInput-array in file is longer "
                                  "than 2503 characters\n");
}

TEST(GraphFileReader, TerminatingEntryFollowsTheLastLinkOverOldEntries) {
    ScratchDir dir;
    ScratchDir::write("GraphDataFile2.txt", "[U \"G\" (1) 2 (2) 3]");
    Table t;
    t.linkFrom.fill(7);
    t.linkTo.fill(8);
    NameBuffer name{};
    ConsoleCapture console("1\n");
    ASSERT_EQ(read_graph_file(t.linkFrom, t.linkTo, name), 4);
    EXPECT_EQ(entries_of(t), (Entries{{1, 2}, {2, 1}, {2, 3}, {3, 2}}));
    EXPECT_EQ(t.linkFrom[5], 0);
    EXPECT_EQ(t.linkTo[5], 0);
}

TEST(GraphFileReader, MostLinksThatFit) {
    const Loaded l = load(most_links_file());
    EXPECT_NE(l.result, 0);
    EXPECT_EQ(l.table.linkTo[0], 48);
}

TEST(GraphFileReader, StrayBracketInFreeTextDoesNotShiftTheChoice) {
    const std::string file = "free ] text\n[U \"One\" (1) 2]\n ] \n[U \"Two\" (1) 2 (2) 3]";
    EXPECT_STREQ(load(file, "2\n").name.data(), "Two");
    EXPECT_STREQ(load(file, "1\n").name.data(), "One");
}

TEST(GraphFileReader, MissingFile) {
    ScratchDir dir;
    Table t;
    NameBuffer name{};
    ConsoleCapture console("1\n");
    EXPECT_EQ(read_graph_file(t.linkFrom, t.linkTo, name), 0);
    EXPECT_EQ(console.output(), "Cannot find file GraphDataFile2.txt\n");
    EXPECT_EQ(console.rest(), "1\n") << "no answer is read";
}

} // namespace
} // namespace ugraph::testing

// Direct range: how many numbers get a direct word, from a file's first lines;
// and a file of ids from an offset reads as the same file from 0.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "graph_files_run.h"
#include "large/direct_range.h"
#include "large/node_index.h"
#include "scratch_dir.h"

namespace ugraph::testing {
namespace {

constexpr Dialect PLAIN{BLANKS, 0, 1};

// `lines` links between random numbers in [low, high], after a first line
// that links low and high themselves, so that the span is known.
std::string random_links(std::uint64_t low, std::uint64_t high, int lines) {
    std::mt19937_64 random(low + high);
    std::string text = std::to_string(low) + " " + std::to_string(high) + "\n";
    for (int k = 0; k < lines; k++) {
        text += std::to_string(low + random() % (high - low + 1)) + " " +
                std::to_string(low + random() % (high - low + 1)) + "\n";
    }
    return text;
}

// Links between the numbers x * 1000003 + 17: one id every million.
std::string strided_links(int count) {
    std::string text;
    for (std::uint64_t x = 0; x + 1 < static_cast<std::uint64_t>(count); x++) {
        text +=
            std::to_string(x * 1000003 + 17) + " " + std::to_string((x + 1) * 1000003 + 17) + "\n";
    }
    return text;
}

// `lines` links around a cycle of `count` ids from `low`.
std::string repeated_links(std::uint64_t low, std::uint64_t count, int lines) {
    std::string text;
    for (int k = 0; k < lines; k++) {
        text +=
            std::to_string(low + k % count) + " " + std::to_string(low + (k + 1) % count) + "\n";
    }
    return text;
}

struct Row {
    const char* what;
    std::string text;
    std::uint64_t fileBytes; // the whole text the lines begin; 0 for the lines alone
    std::uint32_t range;
    Dialect dialect = PLAIN;
};

// A file long enough to pay for any table its first lines show to be worth it.
constexpr std::uint64_t LONG = 1ULL << 32;

std::uint64_t rest_of(const Row& row) {
    return row.fileBytes > row.text.size() ? row.fileBytes - row.text.size() : 0;
}

// Ids 1 to 20000000 in random order: a table of 80000004 bytes.
const std::string& dense_from_one() {
    static const std::string text = random_links(1, 20000000, 4000);
    return text;
}

TEST(DirectRange, FollowsTheFirstLinesAndTheFileLength) {
    const std::vector<Row> rows = {
        {"nothing", "", LONG, DIRECT_IDS},
        {"dense and small", "1 2\n2 3\n0 4194303\n", LONG, DIRECT_IDS},
        {"the first number above today's range, alone", "4194304 1\n", 0, DIRECT_IDS},
        {"the first number above today's range, paid for", "4194304 1\n", 16777216, 4194305},
        {"the first number above today's range, a byte short", "4194304 1\n", 16777215, DIRECT_IDS},
        {"dense from 1, the lines alone", dense_from_one(), 0, DIRECT_IDS},
        {"dense from 1, in a file of a gigabyte", dense_from_one(), 1000000000, 40000002},
        {"dense from 1, the file as long as the table", dense_from_one(), 80000000, 20000001},
        {"dense from 1, the file a byte shorter", dense_from_one(), 79999999, DIRECT_IDS},
        {"from an offset, a whole small file", random_links(300000000, 300099999, 3000), 0,
         DIRECT_IDS},
        {"from an offset, in a file that pays for the table below it too",
         random_links(300000000, 300099999, 3000), 3000000000, 600200000},
        {"from an offset, a file too short for all the room", "300000000 300000001\n", 400000000,
         400000000},
        {"few ids that repeat, in a long file: their span is cheap",
         repeated_links(300000000, 10, 1000), LONG, 308589932},
        {"one id that repeats: a table of a few words", repeated_links(DIRECT_IDS, 1, 4), 0,
         4194308},
        {"strided sparse, the lines alone", strided_links(3000), 0, DIRECT_IDS},
        {"strided sparse, in a file of a gigabyte", strided_links(3000), 1000000000, DIRECT_IDS},
        {"sparse, in a file as long as the table", "4194304 1073741821\n", 4294967288,
         LAST_INDEX - 1},
        {"the highest number that can be direct", "1073741821 1073741820\n", LONG, LAST_INDEX - 1},
        {"numbers too large to be direct", "1073741822 1\n5000000000 1073741823\n", LONG,
         DIRECT_IDS},
        {"beyond 2^64", "99999999999999999999999 1\n", LONG, DIRECT_IDS},
        {"a number too large beside others",
         "300000000 300000001\n300000002 99999999999999999999999\n", LONG, 600000006},
        {"leading zeros", "000000000300000000 1\n", LONG, 600000002},
        {"names", "a b\n300000000 1\n", LONG, DIRECT_IDS},
        {"a name after numbers", "300000000 1\nx y\n500000000 1\n", LONG, 600000002},
        {"a quoted number", "\"300000000\" 1\n", LONG, DIRECT_IDS},
        {"an empty second id", "300000000,\n500000000,1\n", LONG, DIRECT_IDS},
        {"comments and blank lines", "# 900000000 1\n\n \t\n% 900000000\n300000000 1\n", LONG,
         600000002},
        {"a node alone", "300000000\n", LONG, 600000002},
        {"fields after the ids", "300000000 1 900000000\n", LONG, 600000002},
        {"carriage returns", "300000000 1\r\n400000000 2\r\n", LONG, 800000002},
        {"the last line without its newline", "300000000 1\n400000000 1", LONG, 600000002},
        {"the dialect's columns", "x,300000000,400000000\n", LONG, 800000002, Dialect{',', 1, 2}},
        {"no field of the first id", "300000000 1\n", LONG, DIRECT_IDS, Dialect{BLANKS, 2, 3}},
    };
    for (const Row& row : rows) {
        const char* begin = row.text.data();
        EXPECT_EQ(direct_range(begin, begin + row.text.size(), row.dialect, rest_of(row)),
                  row.range)
            << row.what;
    }
}

// Dense ids from an offset and, at the end of the file, links to ids far
// above them; with `padded`, a comment after the links makes the file long
// enough to pay for a table to its dense ids from DIRECT_IDS: they are then
// direct, and those far above hashed.
std::string links_from(std::uint64_t offset, bool padded) {
    std::mt19937_64 random(7);
    std::string text;
    const auto link = [&text](std::uint64_t a, std::uint64_t b) {
        text += std::to_string(a) + " " + std::to_string(b) + "\n";
    };
    for (int k = 0; k < 60000; k++) {
        link(offset + random() % 50000, offset + random() % 50000);
    }
    for (int k = 0; k < 2000; k++) {
        link(offset + random() % 50000, offset + 600000000 + random() % 1000);
    }
    for (int k = 0; k < 200; k++) {
        link(offset + 600000000 + random() % 3000, offset + 600000000 + random() % 3000);
    }
    const std::string comment = "#" + std::string(78, '-') + "\n";
    while (padded && text.size() < 4 * (DIRECT_IDS + 50000)) {
        text += comment;
    }
    return text;
}

// Labels with every id lowered by `offset`.
std::string lowered(const std::string& labels, std::uint64_t offset) {
    std::string out;
    for (std::size_t at = 0; at < labels.size();) {
        const std::size_t tab = labels.find('\t', at);
        const std::size_t end = labels.find('\n', at) + 1;
        out += std::to_string(std::stoull(labels.substr(at, tab - at)) - offset);
        out += labels.substr(tab, end - tab);
        at = end;
    }
    return out;
}

// Whatever part of a file is direct, its labels are those of the same file
// with every id lowered to begin at 0.
TEST(DirectRange, IdsFromAnOffsetReadAsFromZero) {
    struct Case {
        std::uint64_t offset;
        bool padded;
        bool piped;
        std::uint32_t threads;
        std::uint64_t block;
    };
    const Case cases[] = {
        {300000000, false, false, 2, 0},    // too short for a table: hashed
        {DIRECT_IDS, true, false, 1, 0},    // direct to the range, hashed above
        {DIRECT_IDS, true, false, 2, 4093}, // the same in small blocks
        {DIRECT_IDS, true, true, 8, 0},     // a pipe's length is not known: hashed
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        ScratchDir::write("zero.txt", links_from(0, c.padded));
        const std::string text = links_from(c.offset, c.padded);
        ScratchDir::write("offset.txt", text);
        const GraphFileOptions o =
            options_of(FileFormat::labels, IdChoice::from_file, c.threads, c.block);
        const Outcome zero = run_files({"zero.txt"}, o);
        const Outcome r = c.piped ? with_pipe(text, [&o] { return run_files({"-"}, o); })
                                  : run_files({"offset.txt"}, o);
        const std::string where = "offset " + std::to_string(c.offset) +
                                  (c.piped ? ", piped, " : ", from the file, ") +
                                  std::to_string(c.threads) + " threads";
        ASSERT_EQ(zero.err, "") << where;
        EXPECT_EQ(r.err, "") << where;
        EXPECT_EQ(r.status, 0) << where;
        EXPECT_TRUE(lowered(r.out, c.offset) == zero.out) << where;
    }
}

} // namespace
} // namespace ugraph::testing

// Graph file writer: the text, the file it replaces, refusals, and round trips.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>

#include "analysis/link_normalisation.h"
#include "console_capture.h"
#include "editing/graph_file_writer.h"
#include "input/graph_file_reader.h"
#include "link_table.h"
#include "scratch_dir.h"

namespace ugraph::testing {
namespace {

NameBuffer name_of(const std::string& text) {
    NameBuffer name{};
    text.copy(name.data(), NAME_SIZE - 1);
    return name;
}

Table normalised(std::int32_t nodes, const Entries& links) {
    Table t = make_table(nodes, links);
    normalize_links(t.linkFrom, t.linkTo);
    return t;
}

// Everything in the scratch folder: the data file alone after every save.
std::ptrdiff_t files_in(const ScratchDir& dir) {
    return std::distance(std::filesystem::directory_iterator(dir.path()),
                         std::filesystem::directory_iterator());
}

struct Written {
    std::int32_t result = 0;
    std::string output;
    std::string file;
    std::string unread;
};

// Writes the table in a scratch folder whose data file first holds `old`.
Written write(const Table& t, const std::string& name, const std::string& input = "\n",
              const std::string& old = "old graphs\n") {
    ScratchDir dir;
    ScratchDir::write("GraphDataFile2.txt", old);
    ConsoleCapture console(input);
    Written w;
    w.result = write_graph_file(t.linkFrom, t.linkTo, name_of(name));
    w.output = console.output();
    w.unread = console.rest();
    w.file = ScratchDir::read("GraphDataFile2.txt");
    EXPECT_EQ(files_in(dir), 1) << "no file left behind";
    return w;
}

TEST(GraphFileWriter, WorkedExamples) {
    Written w = write(normalised(4, {{1, 2}, {2, 3}, {3, 4}, {4, 1}}), "Ring4", "xy");
    EXPECT_EQ(w.result, 0);
    EXPECT_EQ(w.file, "[U \"Ring4\", (1),2,4, (2),3, (3),4, (4)]");
    EXPECT_EQ(w.file.size(), 39U);
    EXPECT_EQ(w.output, w.file + "\n");
    EXPECT_EQ(w.unread, "y") << "the pause takes one character";

    w = write(normalised(0, {}), "Empty");
    EXPECT_EQ(w.file, "[U \"Empty\"]");
    EXPECT_EQ(w.result, 0);
}

TEST(GraphFileWriter, TextPieces) {
    EXPECT_EQ(write(normalised(12, {{10, 12}, {3, 3}}), "").file,
              "[U \"\", (1), (2), (3), (4), (5), (6), (7), (8), (9), (10),12, (11), (12)]");
    EXPECT_EQ(write(normalised(2, {{1, 2}}), "a b \tc").file, "[U \"a b \tc\", (1),2, (2)]");
    Table negative = normalised(0, {});
    negative.linkTo[0] = -3;
    EXPECT_EQ(write(negative, "N").file, "[U \"N\"]");
}

// 49 nodes (285 characters with the brackets and an empty name) and 737
// links to two-digit nodes (3 characters each) leave room for one name byte.
TEST(GraphFileWriter, LongestTextThatFits) {
    Entries links;
    for (std::int32_t b = 10; b <= 49 && links.size() < 737; b++) {
        for (std::int32_t a = 1; a < b && links.size() < 737; a++) {
            links.emplace_back(a, b);
        }
    }
    const Table t = normalised(49, links);
    const Written fits = write(t, "F");
    EXPECT_EQ(fits.result, 0);
    EXPECT_EQ(fits.file.size(), 2503U);
    const Written over = write(t, "FF");
    EXPECT_EQ(over.result, -1);
    EXPECT_EQ(over.output, "Graph text is longer than 2503 characters; file not written\n");
}

TEST(GraphFileWriter, EndOfInputAtThePauseStillWrites) {
    const Written w = write(normalised(2, {{1, 2}}), "P", "");
    EXPECT_EQ(w.result, 0);
    EXPECT_EQ(w.file, "[U \"P\", (1),2, (2)]");
}

TEST(GraphFileWriter, SecondWriteReplacesTheFirst) {
    ScratchDir dir;
    const Table first = normalised(3, {{1, 2}, {2, 3}});
    const Table second = normalised(2, {{1, 2}});
    ConsoleCapture console("\n\n");
    ASSERT_EQ(write_graph_file(first.linkFrom, first.linkTo, name_of("One")), 0);
    ASSERT_EQ(write_graph_file(second.linkFrom, second.linkTo, name_of("Two")), 0);
    EXPECT_EQ(ScratchDir::read("GraphDataFile2.txt"), "[U \"Two\", (1),2, (2)]");
}

// Each refusal writes its line, reads no pause and leaves the old file alone.
TEST(GraphFileWriter, RefusalsLeaveTheFileAlone) {
    Table unsorted = make_table(3, {{2, 1}, {1, 2}});
    Table aboveN = make_table(1, {{1, 2}, {2, 1}});
    Table noEnd = normalised(2, {{1, 2}});
    noEnd.linkFrom.fill(1);
    Entries dense;
    for (std::int32_t a = 1; a <= 49; a++) {
        for (std::int32_t b = a + 1; b <= 49; b++) {
            dense.emplace_back(a, b);
        }
    }
    const Table complete = normalised(49, dense);

    struct Case {
        const Table& table;
        std::string name;
        std::string message;
    };
    const Table ring = normalised(2, {{1, 2}});
    const Case cases[] = {
        {ring, "say \"hi\"", "Graph name must not contain '\"' or ']'; file not written\n"},
        {ring, "a]b", "Graph name must not contain '\"' or ']'; file not written\n"},
        {unsorted, "U", "Links are not grouped by ascending node; file not written\n"},
        {aboveN, "A", "Links are not grouped by ascending node; file not written\n"},
        {noEnd, "E", "Links are not grouped by ascending node; file not written\n"},
        {complete, "D", "Graph text is longer than 2503 characters; file not written\n"},
    };
    for (const Case& c : cases) {
        const Written w = write(c.table, c.name, "x", "old graphs\n");
        EXPECT_EQ(w.result, -1) << c.message;
        EXPECT_EQ(w.output, c.message);
        EXPECT_EQ(w.file, "old graphs\n");
        EXPECT_EQ(w.unread, "x") << "no pause character is read";
    }
}

// Fails, in a child process, with the file size limited to 10 bytes: the
// write fails (no SIGXFSZ ends the run) and the old file stays whole.
TEST(GraphFileWriter, FailedStoreKeepsTheOldFile) {
    const Table t = normalised(2, {{1, 2}});
    {
        ScratchDir dir;
        ScratchDir::write("GraphDataFile2.txt", "old");
        const pid_t child = fork();
        if (child == 0) {
            const rlimit limit{10, 10};
            setrlimit(RLIMIT_FSIZE, &limit);
            ConsoleCapture console("\n");
            _exit(write_graph_file(t.linkFrom, t.linkTo, name_of("T")) == -1 ? 0 : 1);
        }
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        EXPECT_EQ(ScratchDir::read("GraphDataFile2.txt"), "old");
        EXPECT_EQ(files_in(dir), 1) << "the temporary file is gone";
    }
    {
        ScratchDir dir; // the rename fails: a folder stands in the file's place
        std::filesystem::create_directory("GraphDataFile2.txt");
        ConsoleCapture console("\n");
        EXPECT_EQ(write_graph_file(t.linkFrom, t.linkTo, name_of("T")), -1);
        EXPECT_EQ(console.output(),
                  "[U \"T\", (1),2, (2)]\nCannot write file GraphDataFile2.txt: Is a directory\n");
        EXPECT_TRUE(std::filesystem::is_directory("GraphDataFile2.txt"));
        EXPECT_EQ(files_in(dir), 1);
    }
}

// A data file reached through a symbolic link: the target is replaced, the
// link stays, and the new file keeps the old one's permission bits.
TEST(GraphFileWriter, SavesThroughALinkKeepingThePermissions) {
    ScratchDir dir;
    std::filesystem::create_directory("store");
    ScratchDir::write("store/graphs.txt", "old");
    std::filesystem::permissions("store/graphs.txt", std::filesystem::perms::owner_read |
                                                         std::filesystem::perms::owner_write |
                                                         std::filesystem::perms::group_read);
    std::filesystem::create_symlink("store/graphs.txt", "GraphDataFile2.txt");
    const Table t = normalised(2, {{1, 2}});
    ConsoleCapture console("\n");
    ASSERT_EQ(write_graph_file(t.linkFrom, t.linkTo, name_of("L")), 0);
    EXPECT_TRUE(std::filesystem::is_symlink("GraphDataFile2.txt"));
    EXPECT_EQ(ScratchDir::read("store/graphs.txt"), "[U \"L\", (1),2, (2)]");
    EXPECT_EQ(std::filesystem::status("store/graphs.txt").permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("store"),
                            std::filesystem::directory_iterator()),
              1);
}

// Random graphs written and loaded back give the same name and table.
TEST(GraphFileWriter, ReaderLoadsBackWhatWasWritten) {
    std::mt19937 random(11);
    int roundTrips = 0;
    for (int round = 0; round < 150; round++) {
        const std::int32_t nodes = 1 + static_cast<std::int32_t>(random() % 49);
        Entries links;
        const std::size_t count = random() % 300;
        for (std::size_t k = 0; k < count; k++) {
            const std::int32_t a = 1 + static_cast<std::int32_t>(random() % nodes);
            const std::int32_t b = 1 + static_cast<std::int32_t>(random() % nodes);
            if (a != b) {
                links.emplace_back(a, b);
            }
        }
        const Table t = normalised(nodes, links);
        const std::string name = "G " + std::to_string(round);
        ScratchDir dir;
        ConsoleCapture console("\n1\n");
        if (write_graph_file(t.linkFrom, t.linkTo, name_of(name)) != 0) {
            continue; // too long a text
        }
        Table back;
        NameBuffer backName{};
        read_graph_file(back.linkFrom, back.linkTo, backName);
        ASSERT_STREQ(backName.data(), name.c_str());
        ASSERT_EQ(back.linkTo[0], nodes);
        ASSERT_EQ(back.linkFrom[0], t.linkFrom[0]);
        ASSERT_EQ(entries_of(back), entries_of(t));
        roundTrips++;
    }
    EXPECT_GT(roundTrips, 100);
}

} // namespace
} // namespace ugraph::testing

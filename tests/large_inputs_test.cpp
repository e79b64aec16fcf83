// Large inputs: pipes and gzip files longer than a buffer read as the plain
// file, a pipe's links kept in its order, and every id of a growing hash table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "graph_files_run.h"
#include "scratch_dir.h"

namespace ugraph::testing {
namespace {

constexpr int BIG_LINKS = 100000;

// About 1.2 MB, many times the program's 64 KiB read-ahead and 256 KiB
// blocks: 100,000 links between numbers below 100,000, so that there are
// components of many sizes.
const std::string& big_file() {
    static const std::string text = [] {
        std::mt19937_64 random(2024);
        std::string t;
        for (int k = 0; k < BIG_LINKS; k++) {
            t += std::to_string(random() % 100000) + " " + std::to_string(random() % 100000) + "\n";
        }
        return t;
    }();
    return text;
}

// How a file is read: on how many threads, in blocks of how many bytes.
struct Reading {
    std::uint32_t threads;
    std::uint64_t block; // 0 for the default
};

// The default blocks, and blocks far smaller than a pipe's reads, on one
// worker, two, and more than the cores.
const Reading READINGS[] = {{1, 0}, {2, 0}, {8, 0}, {1, 509}, {2, 61}, {8, 4093}};

std::string reading_text(const Reading& r) {
    return std::to_string(r.threads) + " threads, block " + std::to_string(r.block);
}

Outcome read_file(const std::string& name, FileFormat format, const Reading& r = {2, 0}) {
    return run_files({name}, options_of(format, IdChoice::from_file, r.threads, r.block));
}

// The bytes read from a pipe on standard input, as "-".
Outcome read_pipe(const std::string& bytes, FileFormat format, const Reading& r = {2, 0}) {
    return with_pipe(bytes, [&] { return read_file("-", format, r); });
}

// A summary line's figures, without the file's name.
std::string figures(const std::string& summary) {
    const std::size_t at = summary.find("  ");
    return at == std::string::npos ? summary : summary.substr(at);
}

// Whether a long output is the one expected; if not, the first line where
// the two part, rather than both of them whole.
::testing::AssertionResult same_text(const std::string& got, const std::string& want) {
    if (got == want) {
        return ::testing::AssertionSuccess();
    }
    const std::size_t at = static_cast<std::size_t>(
        std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first - got.begin());
    const std::size_t newline = at == 0 ? std::string::npos : want.rfind('\n', at - 1);
    const std::size_t start = newline == std::string::npos ? 0 : newline + 1;
    const auto line_at = [start](const std::string& s) {
        return s.substr(start, s.find('\n', start) - start);
    };
    return ::testing::AssertionFailure()
           << "line "
           << std::count(want.begin(), want.begin() + static_cast<std::ptrdiff_t>(at), '\n') + 1
           << " is '" << line_at(got) << "', not '" << line_at(want) << "' (of "
           << std::count(got.begin(), got.end(), '\n') << " lines, not "
           << std::count(want.begin(), want.end(), '\n') << ")";
}

// A pipe gives a stream's reader its bytes in short reads, none of which is
// its end: the whole file is read, whatever the blocks and threads.
TEST(LargeInputs, PipeLongerThanABufferReadsLikeTheFile) {
    ScratchDir dir;
    ScratchDir::write("g.txt", big_file());
    const std::string summary = figures(read_file("g.txt", FileFormat::summary).out);
    const std::string labels = read_file("g.txt", FileFormat::labels).out;
    ASSERT_NE(summary.find("  " + std::to_string(BIG_LINKS) + " links  "), std::string::npos)
        << summary;
    for (const Reading& r : READINGS) {
        const Outcome piped = read_pipe(big_file(), FileFormat::summary, r);
        EXPECT_EQ(piped.out, "-" + summary) << reading_text(r);
        EXPECT_EQ(piped.err, "") << reading_text(r);
        EXPECT_TRUE(same_text(read_pipe(big_file(), FileFormat::labels, r).out, labels))
            << "labels, " << reading_text(r);
    }
}

// A gzip file longer than the compressed input read at a time decompresses
// whole, from a file and from a pipe.
TEST(LargeInputs, GzipLongerThanItsInputReadsLikeThePlainFile) {
    ScratchDir dir;
    ScratchDir::write("g.txt", big_file());
    const std::string packed = gzipped(big_file());
    ASSERT_GT(packed.size(), 1U << 16) << "too short to need a second read of compressed input";
    ScratchDir::write("g.gz", packed);
    const std::string summary = figures(read_file("g.txt", FileFormat::summary).out);
    const std::string labels = read_file("g.txt", FileFormat::labels).out;
    struct Case {
        Reading reading;
        bool piped;
    };
    const Case cases[] = {{{1, 0}, false}, {{2, 0}, true}, {{8, 61}, false}, {{2, 4093}, true}};
    for (const Case& c : cases) {
        const auto read = [&](FileFormat format) {
            return c.piped ? read_pipe(packed, format, c.reading)
                           : read_file("g.gz", format, c.reading);
        };
        const Outcome s = read(FileFormat::summary);
        const std::string where =
            reading_text(c.reading) + (c.piped ? ", piped" : ", from the file");
        EXPECT_EQ(figures(s.out), summary) << where;
        EXPECT_EQ(s.err, "") << where;
        EXPECT_TRUE(same_text(read(FileFormat::labels).out, labels)) << "labels, " << where;
    }
}

// A pipe's links are kept as its blocks are read, by whichever worker takes
// each block, and written back in the file's order.
TEST(LargeInputs, EdgesOfAPipeComeInTheFileOrder) {
    ScratchDir dir;
    ScratchDir::write("g.txt", big_file());
    // Every id of the file is linked and written as read: its edge list is itself.
    ASSERT_TRUE(same_text(read_file("g.txt", FileFormat::edges).out, big_file()));
    // One worker, and several that take blocks in turns.
    for (const Reading& r : {Reading{1, 0}, Reading{2, 0}, Reading{8, 61}, Reading{2, 4093}}) {
        const Outcome piped = read_pipe(big_file(), FileFormat::edges, r);
        EXPECT_EQ(piped.err, "") << reading_text(r);
        EXPECT_TRUE(same_text(piped.out, big_file())) << reading_text(r);
    }
}

// A chain of 30,000 links through 30,001 ids that all go to the hash tables,
// which grow many times over: every id is found again as the next link's
// first, so a node lost in a growth splits the chain.
TEST(LargeInputs, EveryIdOfALongChainIsKept) {
    constexpr std::uint64_t LINKS = 30000;
    struct Case {
        bool names;
        bool piped;
        std::uint32_t threads;
    };
    const Case cases[] = {{false, false, 1}, {false, true, 8}, {true, false, 8}, {true, true, 2}};
    for (const Case& c : cases) {
        // Numbers ascend along the chain, and names come in its order: the
        // labels list the ids in the chain's order either way.
        const auto id = [&c](std::uint64_t i) {
            return c.names ? "node-" + std::to_string(i * 7919)
                           : std::to_string((1ULL << 22) + 1 + i * 104729);
        };
        std::string text;
        std::string labels;
        for (std::uint64_t i = 0; i < LINKS; i++) {
            text += id(i) + " " + id(i + 1) + "\n";
        }
        for (std::uint64_t i = 0; i <= LINKS; i++) {
            labels += id(i) + "\t1\n";
        }
        ScratchDir dir;
        ScratchDir::write("g.txt", text);
        const std::string where = std::string(c.names ? "names" : "numbers") +
                                  (c.piped ? ", piped, " : ", from the file, ") +
                                  std::to_string(c.threads) + " threads";
        const Reading r{c.threads, 0};
        const auto read = [&](FileFormat format) {
            return c.piped ? read_pipe(text, format, r) : read_file("g.txt", format, r);
        };
        const Outcome summary = read(FileFormat::summary);
        EXPECT_EQ(figures(summary.out), "  30001 nodes  30000 links  1 component  largest 30001\n")
            << where;
        EXPECT_EQ(summary.err, "") << where;
        EXPECT_TRUE(same_text(read(FileFormat::labels).out, labels)) << "labels, " << where;
    }
}

} // namespace
} // namespace ugraph::testing

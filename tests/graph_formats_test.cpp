// Graph files in every format they come in: Matrix Market, DOT, gzip; one
// component alone; the links written back as an edge list, and read again.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <string>
#include <vector>

#include "graph_files_run.h"
#include "program_run.h"
#include "scratch_dir.h"

namespace ugraph::testing {
namespace {

// A file's figures, without its name.
std::string figures(const std::string& summary) {
    return summary.substr(summary.find("  "));
}

struct Row {
    std::string file;    // named g.mtx, g.gv or g.txt
    bool reads;          // false: refused
    std::string labels;  // what --format=labels writes
    std::string summary; // its figures, or the message when it is refused
};

void check_rows(const char* name, const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        ScratchDir dir;
        ScratchDir::write(name, row.file);
        const Outcome labels = run_args({"-q", "--format=labels", name});
        const Outcome summary = run_args({"-q", name});
        if (!row.reads) {
            EXPECT_EQ(summary.status, 1) << row.file;
            EXPECT_EQ(summary.out, "") << row.file;
            EXPECT_EQ(summary.err, "ugraph: " + std::string(name) + ":" + row.summary + "\n");
            continue;
        }
        EXPECT_EQ(labels.out, row.labels) << row.file;
        EXPECT_EQ(summary.out, name + row.summary + "\n") << row.file;
        EXPECT_EQ(labels.err + summary.err, "");
    }
}

const std::string MTX = "%%MatrixMarket matrix coordinate ";

TEST(GraphFormats, MatrixMarket) {
    check_rows(
        "g.mtx",
        {
            {MTX + "pattern general\n% rows 5\n5 4 3\n1 2\n2 3\n4 4\n", true,
             "1\t1\n2\t1\n3\t1\n4\t2\n5\t3\n", "  5 nodes  3 links  3 components  largest 3"},
            {MTX + "integer symmetric\r\n3 3 2\r\n2 1 5\r\n\r\n3 3 -1\r\n", true,
             "1\t1\n2\t1\n3\t2\n", "  3 nodes  2 links  2 components  largest 2"},
            {MTX + "real skew-symmetric\n4 4 1\n  3\t1 0.5e3\n", true, "1\t1\n2\t2\n3\t1\n4\t3\n",
             "  4 nodes  1 link  3 components  largest 2"},
            {MTX + "Complex Hermitian\n2 2 1\n2 1 1.0 -2.0\n", true, "1\t1\n2\t1\n",
             "  2 nodes  1 link  1 component  largest 2"},
            {MTX + "pattern general\n2 6 1\n1 6\n", true, "1\t1\n2\t2\n3\t3\n4\t4\n5\t5\n6\t1\n",
             "  6 nodes  1 link  5 components  largest 2"},
            {MTX + "pattern general\n03 00000000000000000000002 01\n0000000000000000003 002\n",
             true, "1\t1\n2\t2\n3\t2\n", "  3 nodes  1 link  2 components  largest 2"},
            {MTX + "pattern general\n0 0 0\n", true, "",
             "  0 nodes  0 links  0 components  largest 0"},
            {MTX + "pattern general\n2 2 0", true, "1\t1\n2\t2\n",
             "  2 nodes  0 links  2 components  largest 1"},
            {"\xEF\xBB\xBF" + MTX + "pattern general\r2 2 1\r1 2\r", true, "1\t1\n2\t1\n",
             "  2 nodes  1 link  1 component  largest 2"}, // a byte-order mark, CR line ends
            {"%%MatrixMarket matrix array real general\n2 2\n1\n2\n3\n4\n", false, "",
             "1: the header names no coordinate matrix"},
            {MTX + "float general\n1 1 0\n", false, "",
             "1: the header needs a field (real, complex, integer or pattern) and a "
             "symmetry (general, symmetric, skew-symmetric or hermitian)"},
            {MTX + "pattern general\n% no size\n", false, "", "3: the size line is missing"},
            {MTX + "pattern general\n3 3\n", false, "",
             "2: the size line must give rows, columns and entries"},
            {MTX + "pattern general\n3 2 2\n1 2\n1 3\n", false, "",
             "4: entry 1 3 is outside the 3 by 2 matrix"},
            {MTX + "pattern general\n3 3 1\n0 1\n", false, "",
             "3: entry 0 1 is outside the 3 by 3 matrix"},
            {MTX + "pattern general\n3 3 1\n1 x\n", false, "",
             "3: an entry must give a row and a column"},
            {MTX + "pattern general\n3 3 3\n1 2\n", false, "",
             "2: the size line gives 3 entries, the file holds 1"},
            {MTX + "pattern general\n% c\n3 3 1\n1 2\n2 3\n", false, "",
             "3: the size line gives 1 entry, the file holds 2"},
        });
}

bool reads_dot() {
    ScratchDir dir;
    ScratchDir::write("g.gv", "graph { a }\n");
    return run_args({"g.gv"}).status == 0;
}

TEST(GraphFormats, Dot) {
    if (!reads_dot()) {
        GTEST_SKIP() << "built without Graphviz's cgraph";
    }
    const std::string constructs = "/* every construct */ strict digraph \"G\" {\n"
                                   "  graph [rankdir=LR]; node [shape=box];\n"
                                   "  subgraph cluster_x { a; b -> c [color=red] }\n"
                                   "  a -> b -> d;\n"
                                   "  {e f} -> g;\n"
                                   "  \"quoted \\\"id\\\"\" -> <<b>html</b>>;\n"
                                   "  h;\n"
                                   "  b -> c; // repeated: one edge in a strict graph\n"
                                   "}\n"
                                   "graph Second { z }\n";
    check_rows(
        "g.gv",
        {
            {constructs, true,
             "a\t1\nb\t1\nc\t1\nd\t1\ne\t2\nf\t2\ng\t2\nquoted \"id\"\t3\n<b>html</b>\t3\nh\t4\n",
             "  10 nodes  6 links  4 components  largest 4"},
            {"# a preprocessor line\ngraph { a -- b; a -- b; a -- a; c }\n", true,
             "a\t1\nb\t1\nc\t2\n", "  3 nodes  3 links  2 components  largest 2"},
            {"\xEF\xBB\xBFgraph { a -- b }\n", true, "a\t1\nb\t1\n",
             "  2 nodes  1 link  1 component  largest 2"},
            {"graph {\n a -- b\n c -- \n}\n", false, "", "4: syntax error near '}'"},
        });
}

// DOT nodes come in the order of first appearance, which is the order cgraph
// makes them in, whatever the number of nodes and edges; links come in the
// order cgraph makes the edges, not grouped by node.
TEST(GraphFormats, DotOrder) {
    if (!reads_dot()) {
        GTEST_SKIP() << "built without Graphviz's cgraph";
    }
    std::string pairs = "graph {";
    std::string pairLabels;
    for (int i = 1; i <= 9; i++) {
        const std::string k = std::to_string(i);
        pairs += " a" + k + " -- b" + k + ";";
        pairLabels += "a" + k + "\t" + k + "\nb" + k + "\t" + k + "\n";
    }
    pairs += " }\n";
    // 10,000 nodes declared alone, not in the order of their names, and
    // then linked: the last of them to a new node.
    std::string lone = "graph {\n";
    std::string loneLabels;
    std::string last;
    for (int i = 0; i < 10000; i++) {
        last = "v" + std::to_string(i * 7919 % 10000);
        lone += last + ";\n";
        loneLabels += last + "\t" + std::to_string(i + 1) + "\n";
    }
    lone += "w -- " + last + "; x -- y;\n}\n";
    loneLabels += "w\t10000\nx\t10001\ny\t10001\n";
    struct Case {
        const char* format;
        std::string text;
        std::string out;
    };
    const Case cases[] = {
        {"--format=labels", pairs, pairLabels},
        {"--format=labels", "graph { x; a -- b; }\n", "x\t1\na\t2\nb\t2\n"},
        {"--format=labels", lone, loneLabels},
        {"--format=edges", "graph { a -- b; c -- d }\n", "a b\nc d\n"},
        {"--format=edges", "graph { a; b; c; c -- a; b -- a; a -- c }\n", "c a\nb a\na c\n"},
        {"--format=edges", "graph { a -- b; \"\" -- y; }\n", "a b\n\"\" y\n"},
        {"--format=edges", "graph { \"\" -- y; z; from -- to }\n", "\"\" y\nfrom to\nz\n"},
        {"--format=edges", "graph { from -- to; \"1\" -- \"x;y\" }\n",
         "source target\nfrom to\n\"1\" \"x;y\"\n"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        ScratchDir::write("g.gv", c.text);
        const Outcome r = run_args({"-q", c.format, "g.gv"});
        EXPECT_EQ(r.out, c.out) << c.text.substr(0, 60);
        // Written as an edge list, the graph reads back with its figures.
        ScratchDir::write("g.txt", run_args({"-q", "--format=edges", "g.gv"}).out);
        EXPECT_EQ(figures(run_args({"-q", "g.txt"}).out), figures(run_args({"-q", "g.gv"}).out))
            << c.text.substr(0, 60);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.status, 0);
    }
}

// The nodes of a DOT graph take memory as the nodes of an edge list do: a
// few dozen bytes each, not a block of names or a run of indexes apiece.
TEST(GraphFormats, DotMemoryFollowsTheNodes) {
    if (!reads_dot()) {
        GTEST_SKIP() << "built without Graphviz's cgraph";
    }
    ScratchDir scratch;
    std::string text = "graph {\n";
    for (int i = 0; i < 20000; i++) {
        text += "n" + std::to_string(i) + " -- n" + std::to_string(i + 1) + ";\n";
    }
    ScratchDir::write("chain.gv", text + "}\n");
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const Outcome r = run_args({"-q", "chain.gv"});
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_EQ(r.out, "chain.gv  20001 nodes  20000 links  1 component  largest 20001\n");
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 * 1024) << "KiB more at the peak";
}

// cgraph running out of memory ends the run with the message, never a
// crash. The program itself runs under ulimit -v 65536 (64 MiB of address
// space): a DOT graph of two edges takes about 20 MiB and reads, while one of
// 300,000 edges needs about 170 MiB and runs out while cgraph reads it.
TEST(GraphFormats, DotOutOfMemory) {
    if (SANITIZED) {
        // The tests are built as the program is, and a sanitizer's shadow
        // memory does not fit under ulimit -v: the program aborts at start.
        GTEST_SKIP() << "the program is built with a sanitizer, which cannot run under ulimit -v";
    }
    if (!reads_dot()) {
        GTEST_SKIP() << "built without Graphviz's cgraph";
    }
    ScratchDir dir;
    std::string big = "graph {\n";
    for (int i = 0; i < 300000; i++) {
        big += "n" + std::to_string(i) + " -- n" + std::to_string(i + 1) + ";\n";
    }
    ScratchDir::write("big.gv", big + "}\n");
    ScratchDir::write("small.gv", "graph { a -- b; c -- d }\n");
    struct Case {
        std::string file;
        int status;
        std::string out;
        std::string err;
    };
    const Case cases[] = {
        {"small.gv", 0, "small.gv  4 nodes  2 links  2 components  largest 2\n", ""},
        {"big.gv", 1, "", "ugraph: big.gv: out of memory\n"},
    };
    for (const Case& c : cases) {
        const ShellRun r = run_shell("ulimit -v 65536; exec \"$UGRAPH\" " + c.file + " > out");
        EXPECT_EQ(r.status, c.status) << c.file; // 128 and more: ended by a signal
        EXPECT_EQ(ScratchDir::read("out"), c.out) << c.file;
        EXPECT_EQ(r.err, c.err) << c.file;
    }
}

// Each format gzipped reads as the plain file; a concatenation of members
// reads as one; damage and a cut are told.
TEST(GraphFormats, Gzip) {
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"g.txt", "1 2\n2 3\n7\n"},
        {"g.mtx", MTX + "pattern general\n4 4 2\n1 2\n2 3\n"},
        {"g.gv", "graph { a -- b -- c; d }\n"},
    };
    for (const Case& c : cases) {
        if (std::string(c.name) == "g.gv" && !reads_dot()) {
            continue;
        }
        ScratchDir dir;
        ScratchDir::write(c.name, c.text);
        ScratchDir::write("g.gz", gzipped(c.text));
        EXPECT_EQ(figures(run_args({"g.gz"}).out), figures(run_args({c.name}).out)) << c.name;
        for (const char* format : {"--format=labels", "--format=edges"}) {
            const Outcome packed = run_args({"-q", format, "g.gz"});
            EXPECT_EQ(packed.out, run_args({"-q", format, c.name}).out) << c.name << format;
            EXPECT_EQ(packed.err, "");
        }
    }
    ScratchDir dir;
    const std::string text = "1 2\n3 4\n";
    ScratchDir::write("two.gz", gzipped(text) + gzipped("5 6\n"));
    EXPECT_EQ(run_args({"two.gz"}).out, "two.gz  6 nodes  3 links  3 components  largest 2\n");
    std::string damaged = gzipped(text);
    damaged[12] = static_cast<char>(damaged[12] ^ 0x55);
    ScratchDir::write("damaged.gz", damaged);
    ScratchDir::write("cut.gz", gzipped(text).substr(0, 14));
    const Outcome bad = run_args({"damaged.gz", "cut.gz"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, "ugraph: damaged.gz: compressed data is damaged\n"
                       "ugraph: cut.gz: compressed data is cut off\n");
}

// Components 1 {1 2}, 2 {3 4 5}, 3 {6} and 4 {7}, with a link to itself.
TEST(GraphFormats, OneComponent) {
    const std::string text = "1 2\n3 4\n6\n4 5\n7 7\n";
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"--component=1"}, "g.txt  2 nodes  1 link  1 component  largest 2\n"},
        {{"--component=largest"}, "g.txt  3 nodes  2 links  1 component  largest 3\n"},
        {{"--component=4"}, "g.txt  1 node  1 link  1 component  largest 1\n"},
        {{"--component=2", "--format=labels"}, "3\t2\n4\t2\n5\t2\n"},
        {{"--component=largest", "--format=edges"}, "3 4\n4 5\n"},
        {{"--component=3", "--format=edges"}, "6\n"},
        {{"--component=4", "--format=edges"}, "7 7\n"},
        {{"--format=edges"}, "1 2\n3 4\n4 5\n7 7\n6\n"},
        {{"--component=2", "--format=text"},
         "Ufile g.txt     3 Nodes   2 Links\nComponent #2:  3 4 5 \n\n"
         "Location of (nodes) in components\n(3)2 (4)2 (5)2 \n\n"},
        {{"--component=4", "--format=json"},
         "{\"name\": \"g.txt\", \"nodes\": 1, \"links\": 1, \"components\": [[7]]}\n"},
        {{"--component=1", "--format=dot"},
         "graph {\n  label=<g.txt>;\n  subgraph cluster_1 {\n    label=\"Component #1\";\n"
         "    1; 2;\n  }\n  1 -- 2;\n}\n"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        ScratchDir::write("g.txt", text);
        std::vector<std::string> args = c.args;
        args.push_back("g.txt");
        const Outcome file = run_args(args);
        EXPECT_EQ(file.out, c.out) << args[0];
        EXPECT_EQ(file.err, "");
        std::string named = c.out;
        const std::size_t name = named.find("g.txt");
        if (name != std::string::npos) {
            named.replace(name, 5, "-");
        }
        EXPECT_EQ(run_piped(text, c.args).out, named) << args[0];
    }
    ScratchDir dir;
    ScratchDir::write("g.txt", text);
    EXPECT_EQ(run_args({"--component=5", "g.txt"}).err, "ugraph: g.txt has 4 components, not 5\n");
    ScratchDir::write("empty", "");
    EXPECT_EQ(run_args({"--component=largest", "empty"}).err,
              "ugraph: empty has 0 components, not largest\n");
    ScratchDir::write("tie", "1 2\n3 4\n"); // the lower number of the largest
    EXPECT_EQ(run_args({"--component=largest", "--format=labels", "tie"}).out, "1\t1\n2\t1\n");
}

// DOT written and read back counts the same; the largest component written as
// an edge list and read back is one component of its size. Names hold
// blanks, quotes, commas, markup and digits.
TEST(GraphFormats, RoundTrips) {
    std::string text;
    const std::vector<std::string> names = {"12",  "a b", "\"q\"", "x,y",
                                            "<&>", "#h",  "plain", "\\"};
    for (std::size_t i = 0; i < 40; i++) {
        const std::string& a = names[(i * 7) % names.size()];
        const std::string& b = names[(i * 3 + 1) % names.size()];
        const auto quoted = [](const std::string& n) {
            std::string q = "\"";
            for (char ch : n) {
                q += ch == '"' ? "\"\"" : std::string(1, ch);
            }
            return q + "\"";
        };
        text += quoted(a + std::to_string(i % 5)) + "," + quoted(b + std::to_string(i % 3)) + "\n";
    }
    ScratchDir dir;
    ScratchDir::write("g.txt", text);
    const std::string summary = run_args({"g.txt"}).out;
    if (reads_dot()) {
        ScratchDir::write("g.gv", run_args({"--format=dot", "g.txt"}).out);
        EXPECT_EQ(figures(run_args({"g.gv"}).out), figures(summary));
    }
    ScratchDir::write("giant.txt",
                      run_args({"--component=largest", "--format=edges", "g.txt"}).out);
    const std::string largest = summary.substr(summary.find("largest ") + 8);
    const std::string nodes = largest.substr(0, largest.size() - 1);
    const std::string giant = run_args({"giant.txt"}).out;
    EXPECT_EQ(giant.rfind("giant.txt  " + nodes + " nodes  ", 0), 0U) << giant;
    EXPECT_NE(giant.find("  1 component  largest " + nodes + "\n"), std::string::npos) << giant;
}

} // namespace
} // namespace ugraph::testing

// Pajek networks and GML graphs: every construct, each refusal with its line,
// every output from a file and from a pipe, and the links read back.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "graph_files_run.h"
#include "scratch_dir.h"

namespace ugraph::testing {
namespace {

struct Row {
    std::string file;
    bool reads;          // false: refused
    std::string labels;  // what --format=labels writes
    std::string summary; // its figures, or ":LINE: message" when it is refused
};

void check_rows(const char* name, const char* format, const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        ScratchDir dir;
        ScratchDir::write(name, row.file);
        const Outcome labels = run_args({"-q", "--format=labels", name});
        const Outcome summary = run_args({"-q", name});
        const Outcome forced = run_args({"-q", std::string("--input-format=") + format, name});
        EXPECT_EQ(forced.out + forced.err, summary.out + summary.err) << row.file;
        if (!row.reads) {
            EXPECT_EQ(summary.status, 1) << row.file;
            EXPECT_EQ(summary.out, "") << row.file;
            EXPECT_EQ(summary.err, "ugraph: " + std::string(name) + row.summary + "\n");
            continue;
        }
        EXPECT_EQ(labels.out, row.labels) << row.file;
        EXPECT_EQ(summary.out, name + row.summary + "\n") << row.file;
        EXPECT_EQ(labels.err + summary.err, "") << row.file;
    }
}

TEST(PajekGml, Pajek) {
    const std::string constructs = "% a comment\n"
                                   "*Network \"test\"\n"
                                   "*Vertices 6\n"
                                   "1 \"a b\" 0.1 0.2 0.5\n"
                                   "2 \"c\"\n"
                                   "\n"
                                   "*Arcs :2 \"likes\"\n"
                                   "1 2 1.5\n"
                                   "*Edges\n"
                                   "2 3 1 c Red\n"
                                   "3 3\n"
                                   "2\t3\n"
                                   "*Edgeslist\n"
                                   "4 5 1\n"
                                   "6\n";
    check_rows(
        "g.net", "pajek",
        {
            {constructs, true, "1\t1\n2\t1\n3\t1\n4\t1\n5\t1\n6\t2\n",
             "  6 nodes  6 links  2 components  largest 5"},
            {"*vertices 4\n*arcslist\n2 1 3\n*MATRIX\n0 0 0 0\n0 0 0 0.0\n0 0 0 1e-3\n", true,
             "1\t1\n2\t1\n3\t1\n4\t1\n", "  4 nodes  3 links  1 component  largest 4"},
            {"*Vertices 3\n*Matrix\n0x0 0X0.0p3 0x1\n-0x0\n", true, "1\t1\n2\t2\n3\t1\n",
             "  3 nodes  1 link  2 components  largest 2"}, // hexadecimal zeros are zeros
            {"*Vertices 4 2\n*Matrix\n1 0\n0 2.5\n", true, "1\t1\n2\t2\n3\t1\n4\t2\n",
             "  4 nodes  2 links  2 components  largest 2"}, // two-mode: columns are 3 and 4
            {"*Vertices 3\r\n*Edges\r\n1 2\r\n*Partition p\r\n*Vertices 3\r\n1\r\n", true,
             "1\t1\n2\t1\n3\t2\n", "  3 nodes  1 link  2 components  largest 2"},
            {"*Vertices 3\n*Edges\n1 2\n*Network second\n*Vertices 3\n*Edges\n2 3\n", true,
             "1\t1\n2\t1\n3\t2\n", "  3 nodes  1 link  2 components  largest 2"},
            {"*Vertices 0\n", true, "", "  0 nodes  0 links  0 components  largest 0"},
            {"*Vertices 3\n*Edges\n1 4\n", false, "", ":3: node 4 is outside 1 to 3"},
            {"*Vertices 3\n*Arcslist\n1 2 0\n", false, "", ":3: node 0 is outside 1 to 3"},
            {"*Vertices 3\n*Edges\n1\n", false, "", ":3: a link line must give two node numbers"},
            {"*Vertices 2\n\n*Edges\n1 x\n", false, "", ":4: 'x' is not a node number"},
            {"*Network n\n*Edges\n", false, "", ":2: a Pajek network begins with *Vertices N"},
            {"*Vertices many\n", false, "",
             ":1: *Vertices must give the number of nodes (and of a two-mode network's first "
             "mode)"},
            {"*Vertices 1\n*Matrix\n0\n1\n", false, "", ":4: the matrix has more rows than its 1"},
            {"*Vertices 2\n*Matrix\n0 1 1\n", false, "",
             ":3: the matrix row has more columns than its 2"},
            {"*Vertices 2\n*Matrix\n0 x\n", false, "", ":3: 'x' is not a matrix entry"},
        });
}

struct Output {
    std::vector<std::string> args;
    std::string out; // of the file g; from a pipe, with "-" for its name
};

// The components of --format=labels as sets of names, whatever their numbers.
std::set<std::set<std::string>> partition(const std::string& labels) {
    std::map<std::string, std::set<std::string>> components;
    for (std::size_t at = 0; at < labels.size();) {
        const std::size_t end = labels.find('\n', at);
        const std::string line = labels.substr(at, end - at);
        const std::size_t tab = line.rfind('\t');
        components[line.substr(tab + 1)].insert(line.substr(0, tab));
        at = end == std::string::npos ? labels.size() : end + 1;
    }
    std::set<std::set<std::string>> sets;
    for (const auto& c : components) {
        sets.insert(c.second);
    }
    return sets;
}

// Every output, from a file and from a pipe, which is read once.
void check_outputs(const char* name, const std::string& text, const std::vector<Output>& outputs) {
    for (const Output& c : outputs) {
        ScratchDir dir;
        ScratchDir::write(name, text);
        std::vector<std::string> args = c.args;
        args.push_back(name);
        const Outcome file = run_args(args);
        EXPECT_EQ(file.out, c.out) << args[0];
        EXPECT_EQ(file.err, "");
        std::string piped = c.out;
        for (std::size_t at = piped.find(name); at != std::string::npos; at = piped.find(name)) {
            piped.replace(at, std::string(name).size(), "-");
        }
        EXPECT_EQ(run_piped(text, c.args).out, piped) << args[0];
    }
    // The links written as an edge list read back as the same components
    // (numbered in the order of the list's first appearances).
    ScratchDir dir;
    ScratchDir::write(name, text);
    ScratchDir::write("back.txt", run_args({"--format=edges", name}).out);
    EXPECT_EQ(partition(run_args({"--format=labels", "back.txt"}).out),
              partition(run_args({"--format=labels", name}).out));
}

TEST(PajekGml, PajekOutputs) {
    const std::string text = "*Vertices 5\n*Edges\n1 2\n4 5\n*Arcs\n2 1\n";
    check_outputs(
        "g.net", text,
        {
            {{}, "g.net  5 nodes  3 links  3 components  largest 2\n"},
            {{"--format=labels"}, "1\t1\n2\t1\n3\t2\n4\t3\n5\t3\n"},
            {{"--format=edges"}, "1 2\n4 5\n2 1\n3\n"},
            {{"--component=3", "--format=edges"}, "4 5\n"},
            {{"--component=1"}, "g.net  2 nodes  2 links  1 component  largest 2\n"},
            {{"--format=text"},
             "Ufile g.net     5 Nodes   3 Links\nComponent #1:  1 2 \n"
             "Component #2:  3 \nComponent #3:  4 5 \n\n"
             "Location of (nodes) in components\n"
             "(1)1 (2)1 (3)2 (4)3 (5)3 \n\n"},
            {{"--format=json"},
             "{\"name\": \"g.net\", \"nodes\": 5, \"links\": 3, "
             "\"components\": [[1, 2], [3], [4, 5]]}\n"},
            {{"--component=2", "--format=dot"},
             "graph {\n  label=<g.net>;\n  subgraph cluster_2 {\n    label=\"Component #2\";\n"
             "    3;\n  }\n}\n"},
        });
}

TEST(PajekGml, Gml) {
    const std::string constructs = "# a comment\n"
                                   "graph [\n"
                                   "  directed 1 multigraph 1 label \"a [graph]\"\n"
                                   "  node [ id 10 label \"ten\" graphics [ x 1.5 y -2 ] ]\n"
                                   "  edge [ source 10 target \"b\" weight 2 ]\n"
                                   "  node [ id \"b\" ] node [ id 3 ]\n"
                                   "  edge [ source \"b\" target 10 ]  # repeated, reversed\n"
                                   "  edge [ target 3 source 3 ]\n"
                                   "  node [ label \"alone\" id -7 ]\n"
                                   "]\n"
                                   "graph [ node [ id 99 ] ]\n";
    check_rows(
        "g.gml", "gml",
        {
            {constructs, true, "10\t1\nb\t1\n3\t2\n-7\t3\n",
             "  4 nodes  3 links  3 components  largest 2"},
            {"Creator \"igraph\"\nVersion 1\ngraph\n[\n  node\n  [\n    id 0\n  ]\n  node [ id 1 "
             "]\n  edge [ source 0 target 1 ]\n]\n",
             true, "0\t1\n1\t1\n", "  2 nodes  1 link  1 component  largest 2"},
            {"graph [ edge [ source 2 target 1 ] node [ id 1 ] node [ id 2 ] ]", true,
             "1\t1\n2\t1\n", "  2 nodes  1 link  1 component  largest 2"},
            {"graph [\r\n node [ id \"two\r\nlines\" ]\r\n node [ id x ]\r\n]\r\n", false, "",
             ":4: a node id must be a number or a string"},
            {"graph [\n node [ id 1 ]\n edge [ source 1 target 2 ]\n]\n", false, "",
             ":3: the edge names a node that no node declares"},
            {"graph [\n node [ id 1 ]\n node [ id 1 ]\n]\n", false, "",
             ":3: node id 1 is declared twice"},
            {"graph [\n node [ label \"x\" ]\n]\n", false, "", ":2: the node has no id"},
            {"graph [\n node [ id 1 ]\n edge [ source 1 ]\n]\n", false, "",
             ":3: the edge has no target"},
            {"graph [\n node [ id 1 ]\n", false, "", ":1: the graph's list is not closed"},
            {"graph [\n node [ id \"1 ]\n]\n", false, "", ":2: the string is not closed"},
            {"graph [\n node [ id 1 ] ; \n]\n", false, "",
             ":2: ';' begins no GML key, number, string or list"},
            {"graph [\n label ]\n", false, "", ":2: a key must be followed by a value"},
        });
    ScratchDir dir;
    ScratchDir::write("g.gml", "Creator \"x\"\n");
    EXPECT_EQ(run_args({"g.gml"}).err,
              "ugraph: g.gml: no GML graph in the file (no graph [ ... ])\n");
}

TEST(PajekGml, GmlOutputs) {
    const std::string text = "graph [ node [ id \"a b\" ] node [ id 2 ] node [ id \"c\" ] "
                             "edge [ source 2 target \"a b\" ] node [ id \"12\" ] ]\n";
    check_outputs(
        "g.gml", text,
        {
            {{}, "g.gml  4 nodes  1 link  3 components  largest 2\n"},
            {{"--format=labels"}, "a b\t1\n2\t1\nc\t2\n12\t3\n"},
            {{"--format=edges"}, "\"2\" \"a b\"\nc\n\"12\"\n"},
            {{"--component=1", "--format=json"},
             "{\"name\": \"g.gml\", \"nodes\": 2, \"links\": 1, \"components\": [[\"a b\", "
             "\"2\"]]}\n"},
        });
}

} // namespace
} // namespace ugraph::testing

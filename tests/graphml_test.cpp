// GraphML documents: every construct, each refusal with its line, every output
// from a file, a pipe and gzip, and the links read back as an edge list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graph_files_run.h"
#include "scratch_dir.h"

namespace ugraph::testing {
namespace {

bool reads_graphml() {
    ScratchDir dir;
    ScratchDir::write("g.graphml", "<graphml><graph/></graphml>");
    return run_args({"g.graphml"}).status == 0;
}

struct Row {
    std::string file;
    bool reads;          // false: refused
    std::string labels;  // what --format=labels writes
    std::string summary; // its figures, or ":LINE: message" when it is refused
};

const std::string HEAD = "<graphml xmlns=\"http://graphml.graphdrawing.org/xmlns\">\n";

TEST(GraphML, Documents) {
    if (!reads_graphml()) {
        GTEST_SKIP() << "built without expat";
    }
    const std::string constructs =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<!-- every construct --><!DOCTYPE graphml [ <!ENTITY more \"&#62;x\"> ]>\r\n" +
        HEAD + "<key id=\"d0\" for=\"node\"><default><node id=\"inKey\"/></default></key>\n" +
        "<graph id=\"G\" edgedefault=\"directed\">\n"
        " <edge source=\"b\" target=\"a &amp; &#65;&more;\"/>\n"
        " <node id=\"a &amp; &#65;&more;\"><data key=\"d0\"><node id=\"inData\"/></data></node>\n"
        " <node id=\"b\"/><node id=\"b\"/><edge source=\"b\" target=\"a &amp; &#65;&more;\"/>\n"
        " <edge source=\"c\" target=\"c\" directed=\"true\"/>\n"
        " <node id=\"d\"><graph id=\"d:\"><node id=\"d::e\"/><edge source=\"d::e\" target=\"d\"/>"
        "</graph></node>\n"
        " <hyperedge><endpoint node=\"f\"/><endpoint node=\"g\"/><endpoint "
        "node=\"h\"/></hyperedge>\n"
        " <hyperedge><endpoint node=\"i\"/></hyperedge><node id=\"lone\"/>\n"
        "</graph>\n<graph id=\"H\"><node id=\"later\"/><edge source=\"b\" "
        "target=\"lone\"/></graph>\n"
        "</graphml>\n";
    const std::vector<Row> rows = {
        {constructs, true,
         "b\t1\na & A>x\t1\nc\t2\nd\t3\nd::e\t3\nf\t4\ng\t4\nh\t4\ni\t5\nlone\t6\n",
         "  10 nodes  7 links  6 components  largest 3"},
        {"<g:graphml xmlns:g=\"http://graphml.graphdrawing.org/xmlns\"><g:graph>"
         "<g:edge source=\"1\" target=\"2\"/><g:hyperedge><g:endpoint node=\"3\"/><g:endpoint "
         "node=\"4\"/><g:endpoint node=\"5\"/><g:endpoint node=\"3\"/></g:hyperedge>"
         "<g:node id=\"\"/></g:graph></g:graphml>",
         true, "1\t1\n2\t1\n3\t2\n4\t2\n5\t2\n\t3\n",
         "  6 nodes  7 links  3 components  largest 3"},
        {"<graphml><graph><node id=\"\"/></graph></graphml>", true, "\t1\n",
         "  1 node  0 links  1 component  largest 1"},
        {HEAD + "<graph>\n<node id=\"a\">\n</graph></graphml>", false, "",
         ":4: malformed XML: mismatched tag"},
        {HEAD + "<graph/></graphml>\n<graph/>", false, "",
         ":3: malformed XML: junk after document element"},
        {"<!DOCTYPE graphml [<!ENTITY e SYSTEM \"/etc/hostname\">]>\n<graphml><graph>\n"
         "<node id=\"&e;\"/></graph></graphml>",
         false, "", ":3: malformed XML: reference to external entity in attribute"},
        {HEAD + "<graph>\n<node/>\n</graph></graphml>", false, "",
         ":3: a <node> without an id attribute"},
        {HEAD + "<graph>\n\n<edge target=\"1\"/></graph></graphml>", false, "",
         ":4: an <edge> without a source attribute"},
        {HEAD + "<graph>\n<edge source=\"1\"/></graph></graphml>", false, "",
         ":3: an <edge> without a target attribute"},
        {HEAD + "<graph><hyperedge>\n<endpoint/></hyperedge></graph></graphml>", false, "",
         ":3: an <endpoint> without a node attribute"},
        {HEAD + "<key id=\"k\"/>\n<desc><graph/></desc>\n</graphml>", false, "",
         ":4: no <graph> element in the graphml document"},
    };
    for (const Row& row : rows) {
        ScratchDir dir;
        ScratchDir::write("g.xml", row.file);
        const Outcome labels = run_args({"-q", "--format=labels", "g.xml"});
        const Outcome summary = run_args({"-q", "g.xml"});
        const Outcome forced = run_args({"-q", "--input-format=graphml", "g.xml"});
        EXPECT_EQ(forced.out + forced.err, summary.out + summary.err) << row.file;
        if (!row.reads) {
            EXPECT_EQ(summary.status, 1) << row.file;
            EXPECT_EQ(summary.err + summary.out, "ugraph: g.xml" + row.summary + "\n");
            continue;
        }
        EXPECT_EQ(labels.out, row.labels) << row.file;
        EXPECT_EQ(summary.out, "g.xml" + row.summary + "\n") << row.file;
        EXPECT_EQ(labels.err + summary.err, "") << row.file;
    }
    ScratchDir dir;
    ScratchDir::write("g.txt", "<graph><node id=\"1\"/></graph>\n");
    EXPECT_EQ(run_args({"--input-format=graphml", "g.txt"}).err,
              "ugraph: g.txt:1: the first element is not <graphml>\n");
}

struct Output {
    std::vector<std::string> args;
    std::string out; // of the file g.graphml; from a pipe, with "-" for its name
};

TEST(GraphML, Outputs) {
    if (!reads_graphml()) {
        GTEST_SKIP() << "built without expat";
    }
    const std::string text = HEAD + "<graph edgedefault=\"undirected\">\n"
                                    "<node id=\"a b\"/><node id=\"2\"/><node id=\"c\"/>\n"
                                    "<edge source=\"2\" target=\"a b\"/><node id=\"\"/>\n"
                                    "</graph></graphml>\n";
    const std::vector<Output> outputs = {
        {{}, "g.graphml  4 nodes  1 link  3 components  largest 2\n"},
        {{"--format=labels"}, "a b\t1\n2\t1\nc\t2\n\t3\n"},
        {{"--format=edges"}, "\"2\" \"a b\"\nc\n\"\"\n"},
        {{"--component=1", "--format=edges"}, "\"2\" \"a b\"\n"},
        {{"--component=largest"}, "g.graphml  2 nodes  1 link  1 component  largest 2\n"},
        {{"--format=text"},
         "Ufile g.graphml     4 Nodes   1 Links\nComponent #1:  a b 2 \n"
         "Component #2:  c \nComponent #3:   \n\n"
         "Location of (nodes) in components\n(a b)1 (2)1 (c)2 ()3 \n\n"},
        {{"--format=json"},
         "{\"name\": \"g.graphml\", \"nodes\": 4, \"links\": 1, "
         "\"components\": [[\"a b\", \"2\"], [\"c\"], [\"\"]]}\n"},
        {{"--component=2", "--format=dot"},
         "graph {\n  label=<g.graphml>;\n  subgraph cluster_2 {\n    label=\"Component #2\";\n"
         "    \"c\";\n  }\n}\n"},
    };
    ScratchDir dir;
    ScratchDir::write("g.graphml", text);
    ScratchDir::write("g.graphml.gz", gzipped(text));
    for (const Output& c : outputs) {
        std::vector<std::string> args = c.args;
        args.push_back("g.graphml");
        const Outcome file = run_args(args);
        EXPECT_EQ(file.out + file.err, c.out) << args[0];
        std::string renamed = c.out;
        for (std::size_t at = renamed.find("g.graphml"); at != std::string::npos;
             at = renamed.find("g.graphml", at)) {
            renamed.insert(at + 9, ".gz");
            at += 12;
        }
        args.back() = "g.graphml.gz";
        EXPECT_EQ(run_args(args).out, renamed) << args[0];
        std::string piped = c.out;
        for (std::size_t at = piped.find("g.graphml"); at != std::string::npos;
             at = piped.find("g.graphml")) {
            piped.replace(at, 9, "-");
        }
        EXPECT_EQ(run_piped(text, c.args).out, piped) << args[0];
    }
    // The links written as an edge list read back as the same labels, the
    // lone empty name too (in the list's order of first appearance).
    ScratchDir::write("back.txt", run_args({"--format=edges", "g.graphml"}).out);
    EXPECT_EQ(run_args({"--format=labels", "back.txt"}).out, "2\t1\na b\t1\nc\t2\n\t3\n");
}

// Many batches go from the parser to the joiner thread and back: on one
// thread or two, the same nodes in the same order; a hyperedge's ends first
// appear in its order, and an edge inside a node's nested graph counts.
TEST(GraphML, OneThreadOrTwo) {
    if (!reads_graphml()) {
        GTEST_SKIP() << "built without expat";
    }
    std::string text = HEAD + "<graph>\n";
    const int nodes = 20000;
    for (int i = 0; i + 2 < nodes; i++) { // v0 v2 v4 ... and v1 v3 v5 ...
        text += "<edge source=\"v" + std::to_string(i) + "\" target=\"v" + std::to_string(i + 2) +
                "\"/>\n";
    }
    text += "<hyperedge><endpoint node=\"h2\"/><endpoint node=\"h0\"/>"
            "<endpoint node=\"h1\"/></hyperedge>\n"
            "<node id=\"n\"><graph><edge source=\"n\" target=\"v0\"/></graph></node>\n"
            "</graph></graphml>\n";
    ScratchDir dir;
    ScratchDir::write("g.graphml", text);
    const Outcome one = run_args({"-j1", "--format=labels", "g.graphml"});
    const Outcome two = run_args({"-j2", "--format=labels", "g.graphml"});
    EXPECT_EQ(one.out, two.out);
    const std::string head = "v0\t1\nv2\t1\nv1\t2\nv3\t2\n";
    const std::string tail = "h2\t3\nh0\t3\nh1\t3\nn\t1\n";
    EXPECT_EQ(one.out.substr(0, head.size()), head);
    EXPECT_EQ(one.out.substr(one.out.size() - tail.size()), tail);
    EXPECT_EQ(run_args({"-j2", "g.graphml"}).out,
              "g.graphml  20004 nodes  20002 links  3 components  largest 10001\n");
}

// A build without expat refuses a GraphML document in one line.
TEST(GraphML, WithoutExpat) {
    if (reads_graphml()) {
        GTEST_SKIP() << "built with expat";
    }
    ScratchDir dir;
    ScratchDir::write("g.graphml", HEAD + "<graph/></graphml>\n");
    EXPECT_EQ(run_args({"g.graphml"}).err,
              "ugraph: g.graphml: this ugraph was built without the expat library, which reads "
              "GraphML; install libexpat1-dev and build ugraph again\n");
}

} // namespace
} // namespace ugraph::testing

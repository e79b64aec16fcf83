// Command line: options, exit statuses, and the modes without dialogue.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "console_capture.h"
#include "driver/command_line.h"
#include "driver/file_modes.h"
#include "input/data_inputs.h"
#include "program_run.h"
#include "scratch_dir.h"

namespace ugraph::testing {
namespace {

const char* const SAMPLE = "Two graphs and a refusal.\n"
                           "[U \"Demo\" (1) 2, 3 (2) 3 (4) 5 (6) 0]\n"
                           "[D \"Directed\" (1) 2]\n"
                           "[u \"Tab\there\" (1) 1 (2)]\n"
                           "[U \"Empty\"]\n";

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the command line in a scratch folder whose data file holds `file`.
Outcome run(std::vector<std::string> args, const std::string& file = SAMPLE,
            const std::string& input = "") {
    ScratchDir dir;
    ScratchDir::write("GraphDataFile2.txt", file);
    args.insert(args.begin(), "ugraph");
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    char* errText = nullptr;
    std::size_t errSize = 0;
    std::FILE* err = open_memstream(&errText, &errSize);
    use_error_stream(err);
    Outcome r;
    {
        ConsoleCapture console(input);
        r.status = run_command_line(static_cast<int>(args.size()), argv.data());
        r.out = console.output();
    }
    use_error_stream(nullptr);
    use_graph_file(nullptr); // the path named by --file dies with args
    std::fclose(err);
    r.err.assign(errText, errSize);
    std::free(errText);
    return r;
}

TEST(CommandLine, HelpAndVersionActAtOnce) {
    const Outcome help = run({"--help", "--bogus"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: ugraph [OPTION]... [FILE]...\n", 0), 0U);
    for (const char* option : {"--file", "--list", "--graph", "--format", "--edit", "--ids",
                               "--threads", "--quiet", "--help", "--version"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    const Outcome version = run({"-l", "--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "ugraph " UGRAPH_VERSION "\n");
    EXPECT_EQ(run({"--bogus", "--help"}).status, 2) << "read before --help";
}

TEST(CommandLine, WrongUsage) {
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},
        {"-x"},
        {"--help=1"},
        {"--graph"},
        {"-g", "x"},
        {"--graph=0"},
        {"--graph", "1a"},
        {"--graph=-1"},
        {"--graph="},
        {"-g", "1", "--format", "svgz"},
        {"--format=dot"},
        {"--list", "--graph", "1"},
        {"-l", "-e"},
        {"-g", "1", "--edit"},
        {"-g", "1", "GraphDataFile2.txt"},
        {"-l", "extra"},
    };
    for (const auto& args : cases) {
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(r.out, "") << args[0];
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
        EXPECT_NE(r.err.find("\nTry 'ugraph --help'.\n"), std::string::npos) << r.err;
    }
}

// The options of FILE operands, and the data file's options beside them.
TEST(CommandLine, WrongUsageWithFiles) {
    struct Case {
        std::vector<std::string> args;
        std::string err; // its first line
    };
    const Case cases[] = {
        {{"-e", "g.txt"}, "ugraph: --edit takes no FILE operand"},
        {{"-f", "x", "g.txt"}, "ugraph: --file takes no FILE operand"},
        {{"--ids=names"}, "ugraph: --ids goes with a FILE operand"},
        {{"-l", "-j", "2"}, "ugraph: --threads goes with a FILE operand"},
        {{"-q"}, "ugraph: --quiet goes with a FILE operand"},
        {{"--format=labels"}, "ugraph: --format=labels goes with a FILE operand"},
        {{"--format=svg", "g.txt"},
         "ugraph: the format of a FILE must be summary, labels, text, json, dot or edges, not "
         "'svg'"},
        {{"--input-format=csv", "g.txt"},
         "ugraph: --input-format must be edges, mtx, dot, adjlist, metis, pajek, gml or graphml, "
         "not 'csv'"},
        {{"--component=0", "g.txt"},
         "ugraph: --component must be a component number from 1 up or largest, not '0'"},
        {{"--component=big", "g.txt"},
         "ugraph: --component must be a component number from 1 up or largest, not 'big'"},
        {{"--component=largest"}, "ugraph: --component goes with a FILE operand"},
        {{"--format=edges", "a", "b"}, "ugraph: --format=edges takes one FILE"},
        {{"--format=json", "a", "b"}, "ugraph: --format=json takes one FILE"},
        {{"--ids=words", "g.txt"}, "ugraph: --ids must be numbers or names, not 'words'"},
        {{"-j", "0", "g.txt"},
         "ugraph: the thread count must be a whole number from 1 to 1024, not '0'"},
        {{"--threads=1025", "g.txt"},
         "ugraph: the thread count must be a whole number from 1 to 1024, not '1025'"},
        {{"--quiet=1", "g.txt"}, "ugraph: option '--quiet=1' takes no value"},
    };
    for (const Case& c : cases) {
        const Outcome r = run(c.args);
        EXPECT_EQ(r.status, 2) << c.err;
        EXPECT_EQ(r.out, "") << c.err;
        EXPECT_EQ(r.err, c.err + "\nTry 'ugraph --help'.\n");
    }
    const Outcome files =
        run({"-q", "-j1", "--ids", "names", "GraphDataFile2.txt", "GraphDataFile2.txt"}, "a b\n");
    EXPECT_EQ(files.status, 0) << files.err;
    EXPECT_EQ(files.out, "GraphDataFile2.txt  2 nodes  1 link  1 component  largest 2\n"
                         "GraphDataFile2.txt  2 nodes  1 link  1 component  largest 2\n");
}

TEST(CommandLine, ListsEveryDataInput) {
    const Outcome r = run({"--list"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1  \"Demo\"  6 nodes  4 links  3 components\n"
                     "2  refused: Input-array in file not marked 'U' (after '[') for Ugraph\n"
                     "3  \"Tab here\"  2 nodes  1 link  2 components\n"
                     "4  \"Empty\"  0 nodes  0 links  0 components\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(run({"-l"}, "[U \"One\" (1) 1]").out, "1  \"One\"  1 node  1 link  1 component\n");
    EXPECT_EQ(run({"-l"}, "no graphs here").out, "");
}

TEST(CommandLine, ReportsOneGraph) {
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const std::string demoReport = "Component #1:  1 2 3 \nComponent #2:  4 5 \n"
                                   "Component #3:  6 \n\nLocation of (nodes) in components\n"
                                   "(1)1 (2)1 (3)1 (4)2 (5)2 (6)3 \n\n";
    const Case cases[] = {
        {{"-g", "1"}, "Ufile Demo     6 Nodes   4 Links\n" + demoReport},
        {{"--graph=1", "--format=text"}, "Ufile Demo     6 Nodes   4 Links\n" + demoReport},
        {{"-g3"},
         "Ufile Tab\there     2 Nodes   0 Links\nComponent #1:  1 \nComponent #2:  2 \n\n"
         "Location of (nodes) in components\n(1)1 (2)2 \n\n"},
        {{"-g", "4"},
         "Ufile Empty     0 Nodes   0 Links\n\nLocation of (nodes) in components\n\n\n"},
        {{"-g", "1", "--format=json"},
         "{\"name\": \"Demo\", \"nodes\": 6, \"links\": 4, \"components\": [[1, 2, 3], [4, 5], "
         "[6]]}\n"},
        {{"-g", "3", "--format", "json"},
         "{\"name\": \"Tab\\u0009here\", \"nodes\": 2, \"links\": 1, \"components\": [[1], "
         "[2]]}\n"},
        {{"-g", "4", "--format=json"},
         "{\"name\": \"Empty\", \"nodes\": 0, \"links\": 0, \"components\": []}\n"},
        {{"-g", "1", "--format=dot"},
         "graph {\n  label=<Demo>;\n"
         "  subgraph cluster_1 {\n    label=\"Component #1\";\n    1; 2; 3;\n  }\n"
         "  subgraph cluster_2 {\n    label=\"Component #2\";\n    4; 5;\n  }\n"
         "  subgraph cluster_3 {\n    label=\"Component #3\";\n    6;\n  }\n"
         "  1 -- 2;\n  1 -- 3;\n  2 -- 3;\n  4 -- 5;\n}\n"},
        {{"-g", "3", "--format=dot"},
         "graph {\n  label=<Tab\xE2\x90\x89here>;\n"
         "  subgraph cluster_1 {\n    label=\"Component #1\";\n    1;\n  }\n"
         "  subgraph cluster_2 {\n    label=\"Component #2\";\n    2;\n  }\n  1 -- 1;\n}\n"},
    };
    for (const Case& c : cases) {
        const Outcome r = run(c.args);
        EXPECT_EQ(r.status, 0) << c.args[0];
        EXPECT_EQ(r.out, c.out) << c.args[0];
        EXPECT_EQ(r.err, "");
    }
}

// Names escaped for each format: markup, quotes, backslashes, control bytes,
// well-formed UTF-8, and stray bytes; blanks stay blanks.
TEST(CommandLine, NamesInDotAndJson) {
    struct Case {
        std::string name;
        std::string label;
        std::string json;
    };
    const Case cases[] = {
        {"it's\\", "it's\\", "\"it's\\\\\""},
        {"a&b<c>", "a&amp;b&lt;c&gt;", "\"a&b<c>\""},
        {"n\nl\x7f", "n\xE2\x90\x8Al\xE2\x90\xA1", "\"n\\u000al\x7f\""},
        {"\xC3\xA9\xF0\x9F\x98\x80", "\xC3\xA9\xF0\x9F\x98\x80", "\"\xC3\xA9\xF0\x9F\x98\x80\""},
        {"\xFF\xC3(\xED\xA0\x80", "&#255;&#195;(&#237;&#160;&#128;",
         "\"\\u00ff\\u00c3(\\u00ed\\u00a0\\u0080\""},
        {"Karate club", "Karate club", "\"Karate club\""}, // blanks stay blanks
        {"a\x1F b", "a\xE2\x90\x9F b", "\"a\\u001f b\""},
        {"\x01~", "\xE2\x90\x81~", "\"\\u0001~\""},
    };
    for (const Case& c : cases) {
        const std::string file = "[U \"" + c.name + "\" (1)]";
        const std::string dot = run({"-g", "1", "--format=dot"}, file).out;
        EXPECT_EQ(dot.substr(0, dot.find(">;\n")), "graph {\n  label=<" + c.label) << c.name;
        const std::string json = run({"-g", "1", "--format=json"}, file).out;
        EXPECT_EQ(json.substr(0, json.find(", \"nodes\"")), "{\"name\": " + c.json) << c.name;
    }
}

TEST(CommandLine, DataFileProblems) {
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {{"-l", "-f", "missing.txt"}, "Cannot find file missing.txt\n"},
        {{"--file=missing.txt", "-g", "1"}, "Cannot find file missing.txt\n"},
        {{"-g", "5"}, "Number must be between 1 and 4\n"},
        {{"-g", "99999999999"}, "Number must be between 1 and 4\n"},
        {{"-g", "2", "--format=json"},
         "Input-array in file not marked 'U' (after '[') for Ugraph\n"},
    };
    for (const Case& c : cases) {
        const Outcome r = run(c.args);
        EXPECT_EQ(r.status, 1) << c.args[0];
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
    }
}

TEST(CommandLine, DialogueReadsTheGivenFile) {
    const Outcome r = run({"--file", "other.txt"}, SAMPLE, "F\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Cannot find file other.txt\n"), std::string::npos);
}

// The first line of each usage error names what is wrong.
TEST(CommandLine, UsageErrorsSayWhat) {
    struct Case {
        std::vector<std::string> args;
        std::string first;
    };
    const Case cases[] = {
        {{"--graph"}, "ugraph: option '--graph' needs a value"},
        {{"-l", "-f"}, "ugraph: option '-f' needs a value"},
        {{"--list=yes"}, "ugraph: option '--list=yes' takes no value"},
        {{"-f", "-"}, "ugraph: --file - (standard input) goes with --list or --graph"},
        {{"--edit", "--file=-"}, "ugraph: --file - (standard input) goes with --list or --graph"},
    };
    for (const Case& c : cases) {
        const Outcome r = run(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, c.first + "\nTry 'ugraph --help'.\n");
    }
}

// The data file is one file: a folder, or a file without any graph, is
// named as such; "-" reads it from standard input.
TEST(CommandLine, DataFileIsOneFile) {
    struct Case {
        std::vector<std::string> args;
        std::string input;
        int status;
        std::string out;
        std::string err;
    };
    const Case cases[] = {
        {{"-l", "-f", "."}, "", 1, "", "Cannot read file .: Is a directory\n"},
        {{"-g", "1", "--file=/"}, "", 1, "", "Cannot read file /: Is a directory\n"},
        {{"-l", "-f", "none.txt"}, "", 1, "", "Cannot find file none.txt\n"},
        {{"-l", "-f", "-"}, "free text", 1, "", "ugraph: - holds no graphs\n"},
        {{"-g", "1", "-f", "-"}, "", 1, "", "ugraph: - holds no graphs\n"},
        {{"-l", "-f", "-"},
         "[U \"A\" (1) 2] [u \"B\" (1)]",
         0,
         "1  \"A\"  2 nodes  1 link  1 component\n2  \"B\"  1 node  0 links  1 component\n",
         ""},
        {{"-g", "2", "--format=json", "--file=-"},
         "[x] [U \"A\" (1) 2]",
         0,
         "{\"name\": \"A\", \"nodes\": 2, \"links\": 1, \"components\": [[1, 2]]}\n",
         ""},
        {{"-g", "3", "-f", "-"}, "[U \"A\" (1) 2]", 1, "", "Number must be between 1 and 1\n"},
    };
    for (const Case& c : cases) {
        const Outcome r = run(c.args, "[U \"On disk\" (1) 2]", c.input);
        EXPECT_EQ(r.status, c.status) << c.args[2];
        EXPECT_EQ(r.out, c.out) << c.args[2];
        EXPECT_EQ(r.err, c.err) << c.args[2];
    }
    const Outcome empty = run({"--list"}, "no graphs here");
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, "ugraph: GraphDataFile2.txt holds no graphs\n");
    EXPECT_EQ(run({"-g", "1"}, "").err, "ugraph: GraphDataFile2.txt holds no graphs\n");
}

// Where the count is the program's own, a link from a node to itself is one
// link; the text report keeps the summary line's half of the entries.
TEST(CommandLine, SelfLinkIsOneLink) {
    struct Case {
        std::string graph;
        std::string listed;
        std::string summary;
    };
    const Case cases[] = {
        {"[U \"Self3\" (1) 1]", "1 link", "1 Nodes   0 Links"},
        {"[U \"Mixed\" (1) 1 (2) 3]", "2 links", "3 Nodes   1 Links"},
        {"[U \"Loops\" (1) 1 (2) 2 (3) 3 (1) 2]", "4 links", "3 Nodes   2 Links"},
    };
    for (const Case& c : cases) {
        EXPECT_NE(run({"-l"}, c.graph).out.find(c.listed), std::string::npos) << c.graph;
        const std::string links = c.listed.substr(0, c.listed.find(' '));
        EXPECT_NE(run({"-g", "1", "--format=json"}, c.graph).out.find("\"links\": " + links + ","),
                  std::string::npos)
            << c.graph;
        EXPECT_NE(run({"-g", "1"}, c.graph).out.find(c.summary), std::string::npos) << c.graph;
    }
}

TEST(CommandLine, EmptyBracketsAreADataInput) {
    EXPECT_EQ(run({"-l"}, "[] [U \"A\" (1) 2]").out,
              "1  refused: Input-array in file not marked 'U' (after '[') for Ugraph\n"
              "2  \"A\"  2 nodes  1 link  1 component\n");
}

std::ptrdiff_t open_descriptors() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                         std::filesystem::directory_iterator());
}

TEST(CommandLine, ModesCloseTheDataFile) {
    ScratchDir dir;
    ScratchDir::write("GraphDataFile2.txt", SAMPLE);
    ConsoleCapture console("");
    const std::ptrdiff_t before = open_descriptors();
    for (int round = 0; round < 3; round++) {
        EXPECT_EQ(list_graphs(), 0);
        EXPECT_EQ(show_graph(1, ReportFormat::json), 0);
        EXPECT_EQ(show_graph(9, ReportFormat::text), 1);
    }
    EXPECT_EQ(open_descriptors(), before);
}

} // namespace
} // namespace ugraph::testing

namespace ugraph::testing {
namespace {

// Every mode but the dialogue tells a failed write to standard output and
// ends with status 1; the dialogue stays as it is. A reader that stops early
// ends the program quietly.
TEST(CommandLine, WriteErrors) {
    ScratchDir dir;
    ScratchDir::write("GraphDataFile2.txt", SAMPLE);
    ScratchDir::write("g.txt", "1 2\n3\n");
    const char* const modes[] = {"--help",
                                 "--version",
                                 "--list",
                                 "-g 1",
                                 "-g 1 --format=dot",
                                 "-g 1 --format=json",
                                 "--edit < /dev/null",
                                 "g.txt",
                                 "--format=labels g.txt",
                                 "--format=text g.txt",
                                 "--format=json g.txt",
                                 "--format=dot g.txt",
                                 "--format=edges g.txt",
                                 "--component=2 g.txt"};
    const std::pair<const char*, const char*> targets[] = {
        {"> /dev/full", "No space left on device"}, {">&-", "Bad file descriptor"}};
    for (const char* mode : modes) {
        for (const auto& [target, reason] : targets) {
            const ShellRun r = run_shell("\"$UGRAPH\" " + std::string(mode) + " " + target);
            EXPECT_EQ(r.status, 1) << mode << " " << target;
            EXPECT_EQ(r.err, "ugraph: write error: " + std::string(reason) + "\n") << mode;
        }
    }
    EXPECT_EQ(run_shell("\"$UGRAPH\" < /dev/null > /dev/full").status, 0);
    std::string big;
    for (int i = 0; i < 200000; i++) {
        big += std::to_string(i) + " " + std::to_string(i + 1) + "\n";
    }
    ScratchDir::write("big.txt", big);
    const ShellRun head = run_shell("\"$UGRAPH\" --format=labels big.txt | head -n 1 > first");
    EXPECT_EQ(head.status, 0);
    EXPECT_EQ(head.err, "");
    EXPECT_EQ(ScratchDir::read("first"), "0\t1\n");
}

} // namespace
} // namespace ugraph::testing

// Edit run: the save question, unchanged graphs, the bytes a replacement keeps,
// and data files that hold no graph to edit.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "console_capture.h"
#include "driver/command_line.h"
#include "input/data_inputs.h"
#include "scratch_dir.h"

namespace ugraph::testing {
namespace {

struct Edited {
    int status = -1;
    std::string output;
    std::string file; // the data file afterwards
};

// `ugraph --edit` in a scratch folder whose data file holds `file`.
Edited edit(const std::string& file, const std::string& input) {
    ScratchDir dir;
    ScratchDir::write("GraphDataFile2.txt", file);
    ConsoleCapture console(input);
    char program[] = "ugraph";
    char option[] = "--edit";
    char* argv[] = {program, option, nullptr};
    Edited e;
    e.status = run_command_line(2, argv);
    e.output = console.output();
    e.file = ScratchDir::read("GraphDataFile2.txt");
    return e;
}

// What the run writes after the save question.
std::string after_question(const std::string& output) {
    const std::string question = "(Y/N)\n";
    return output.substr(output.find(question) + question.size());
}

const std::string PATH = "[U \"Path\" (1) 2 (2) 3]\n";
const std::string RENAMED = "[U \"P\", (1),2, (2),3, (3)]\n";
const std::string RENAME = "F\n1\n-1\nP\n0\n";

// A whole line answers; only y, yes, n and no, in any case and between
// blanks, are answers. Anything else is asked again.
TEST(EditRun, SaveQuestionTakesAWholeLine) {
    struct Case {
        std::string answers;
        int status;
        std::string after; // what the run writes after the question
        bool saved;
    };
    const std::string again = "Error: enter either Y or N\n";
    const std::string replaced = "Graph 1 in GraphDataFile2.txt replaced\n";
    const Case cases[] = {
        {"y\n", 0, replaced, true},
        {"YES\n", 0, replaced, true},
        {" \tYeS \r\n", 0, replaced, true},
        {"yes", 0, replaced, true},
        {" n \n", 0, "Not saved\n", false},
        {"No\n", 0, "Not saved\n", false},
        {"maybe\n", 1, again + "Not saved\n", false},
        {"maybe\nn\n", 0, again + "Not saved\n", false},
        {"abcdy\ny\n", 0, again + replaced, true},
        {"\nye\nnope\ny es\nyess\nY\n", 0, again + again + again + again + again + replaced, true},
        {std::string("y\0\n", 3) + "n\n", 0, again + "Not saved\n", false},
        {"", 1, "Not saved\n", false},
    };
    for (const Case& c : cases) {
        const Edited e = edit(PATH, RENAME + c.answers);
        EXPECT_EQ(e.status, c.status) << c.answers;
        EXPECT_EQ(after_question(e.output), c.after) << c.answers;
        EXPECT_EQ(e.file, c.saved ? RENAMED : PATH) << c.answers;
    }
}

// A file graph edited back to its name and links asks nothing and writes
// nothing; any real change is asked about.
TEST(EditRun, UnchangedGraphIsNotSaved) {
    struct Case {
        std::string edits;
        bool unchanged;
    };
    const Case cases[] = {
        {"0\n", true},
        {"1\n2\n-1\nPath\n0\n", true},       // the same row and the same name typed again
        {"-1\nLonger\n-1\nPath\n0\n", true}, // renamed, then back
        {"2\n\n2\n3\n0\n", true},            // a link taken out and put back
        {"1\n2 3\n0\n", false},              // a link more
        {"-1\nPath \n0\n", false},           // a blank more in the name
    };
    for (const Case& c : cases) {
        const Edited e = edit(PATH, "F\n1\n" + c.edits + "y\n");
        EXPECT_EQ(e.status, 0) << c.edits;
        const bool told = e.output.find("Graph 1 unchanged; not saved\n") != std::string::npos;
        EXPECT_EQ(told, c.unchanged) << c.edits;
        EXPECT_EQ(e.output.find("(Y/N)") == std::string::npos, c.unchanged) << c.edits;
        EXPECT_EQ(e.file == PATH, c.unchanged) << c.edits;
    }
}

// Only the quoted name and the node list are written anew: the "[", the mark
// as it was and the lead-in stay byte for byte, and so does all around them.
TEST(EditRun, ReplacementKeepsMarkAndLeadIn) {
    struct Case {
        std::string file;
        std::string after;
    };
    const Case cases[] = {
        {"[u \"Path\" (1) 2]", "[u \"P\", (1),2, (2)]"},
        {"free\r\n[U  kind: path\r\n  \"Path\"\n(1) 2]\ttail",
         "free\r\n[U  kind: path\r\n  \"P\", (1),2, (2)]\ttail"},
        {"[u\"Path\"(1)2]", "[u\"P\", (1),2, (2)]"},
    };
    for (const Case& c : cases) {
        const Edited e = edit(c.file, RENAME + "y\n");
        EXPECT_EQ(e.status, 0) << c.file;
        EXPECT_EQ(e.file, c.after);
        const std::size_t open = c.after.find('[');
        const std::string stored = c.after.substr(open, c.after.find(']') - open + 1);
        EXPECT_NE(e.output.find(stored + "\nReplace graph 1"), std::string::npos)
            << "the text shown is the one stored";
    }
    // A lead-in long enough leaves no room for the graph text: nothing is saved.
    const std::string longLeadIn = "[U" + std::string(2480, ' ') + "\"Path\" (1) 2]";
    const Edited e = edit(longLeadIn, "F\n1\n-1\nA longer name\n0\ny\n");
    EXPECT_EQ(e.status, 1);
    EXPECT_EQ(e.file, longLeadIn);
    EXPECT_NE(e.output.find("Graph text is longer than 2503 characters; file not written\n"),
              std::string::npos);
}

// A data file without any graph, or a folder, offers nothing to choose.
TEST(EditRun, DataFileWithoutGraphs) {
    const Edited e = edit("free text only\n", "F\n1\n");
    EXPECT_EQ(e.status, 1);
    EXPECT_EQ(e.output.substr(e.output.find("type F\n") + 7),
              "ugraph: GraphDataFile2.txt holds no graphs\n");

    ScratchDir dir;
    std::filesystem::create_directory("folder");
    ConsoleCapture console("F\n1\n");
    char program[] = "ugraph";
    char option[] = "-e";
    char file[] = "--file=folder";
    char* argv[] = {program, option, file, nullptr};
    EXPECT_EQ(run_command_line(3, argv), 1);
    use_graph_file(nullptr);
    const std::string output = console.output();
    EXPECT_EQ(output.substr(output.find("type F\n") + 7), "Cannot find file folder\n");
}

} // namespace
} // namespace ugraph::testing

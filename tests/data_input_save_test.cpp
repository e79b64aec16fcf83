// Data-input save: one graph replaced or added, every other byte kept, and
// concurrent edits that both land.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "console_capture.h"
#include "driver/command_line.h"
#include "editing/data_input_save.h"
#include "scratch_dir.h"

namespace ugraph::testing {
namespace {

GraphText text_of(const std::string& chars) {
    GraphText t{};
    chars.copy(t.chars.data(), chars.size());
    t.length = static_cast<std::int32_t>(chars.size());
    return t;
}

DataInput data_input(const std::string& chars) {
    DataInput d{};
    chars.copy(d.text.data(), chars.size());
    d.length = static_cast<std::int32_t>(chars.size());
    return d;
}

std::ptrdiff_t files_in(const ScratchDir& dir) {
    return std::distance(std::filesystem::directory_iterator(dir.path()),
                         std::filesystem::directory_iterator());
}

const std::string NEW_TEXT = "[U \"New\", (1),2, (2)]";

TEST(DataInputSave, ReplacesOneDataInputKeepingEveryOtherByte) {
    struct Case {
        std::string file;
        std::int32_t number;
        std::string loaded; // as the reader copied it, its mark in upper case
        SaveStatus status;
        std::string after; // the file afterwards; the old one when refused
        std::string message;
    };
    const std::string file = "free\r\n[U \"A\" (1) 2] mid ] text [u \"B\" (1)]\ntail";
    const Case cases[] = {
        {file, 1, "[U \"A\" (1) 2]", SaveStatus::saved,
         "free\r\n" + NEW_TEXT + " mid ] text [u \"B\" (1)]\ntail", ""},
        {file, 2, "[U \"B\" (1)]", SaveStatus::saved,
         "free\r\n[U \"A\" (1) 2] mid ] text " + NEW_TEXT + "\ntail", ""},
        {file, 2, "[U \"B\" (2)]", SaveStatus::refused, file,
         "GraphDataFile2.txt changed since graph 2 was loaded; not saved\n"},
        {file, 3, "[U \"B\" (1)]", SaveStatus::refused, file,
         "GraphDataFile2.txt changed since graph 3 was loaded; not saved\n"},
        {"[U \"A\" (1) 2", 1, "[U \"A\" (1) 2]", SaveStatus::refused, "[U \"A\" (1) 2",
         "GraphDataFile2.txt changed since graph 1 was loaded; not saved\n"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        ScratchDir::write("GraphDataFile2.txt", c.file);
        ConsoleCapture console("");
        EXPECT_EQ(replace_data_input(c.number, data_input(c.loaded), text_of(NEW_TEXT)), c.status)
            << c.loaded;
        EXPECT_EQ(ScratchDir::read("GraphDataFile2.txt"), c.after) << c.loaded;
        EXPECT_EQ(console.output(), c.message);
        EXPECT_EQ(files_in(dir), 1) << "nothing left beside the data file";
    }
}

TEST(DataInputSave, AddsADataInputOnALineOfItsOwn) {
    struct Case {
        const char* file; // nullptr: no data file yet
        SaveStatus status;
        std::string after;
        std::int32_t number;
    };
    const Case cases[] = {
        {nullptr, SaveStatus::saved, NEW_TEXT + "\n", 1},
        {"", SaveStatus::saved, NEW_TEXT + "\n", 1},
        {"[U \"A\" (1)]", SaveStatus::saved, "[U \"A\" (1)]\n" + NEW_TEXT + "\n", 2},
        {"[U \"A\" (1)]\r\n] [x]\n", SaveStatus::saved,
         "[U \"A\" (1)]\r\n] [x]\n" + NEW_TEXT + "\n", 3},
        {"[U \"A\" (1)]\n[U \"B", SaveStatus::refused, "[U \"A\" (1)]\n[U \"B", 0},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        if (c.file != nullptr) {
            ScratchDir::write("GraphDataFile2.txt", c.file);
        }
        ConsoleCapture console("");
        std::int32_t number = 0;
        EXPECT_EQ(append_data_input(text_of(NEW_TEXT), number), c.status) << c.after;
        EXPECT_EQ(ScratchDir::read("GraphDataFile2.txt"), c.after);
        EXPECT_EQ(number, c.number);
        EXPECT_EQ(files_in(dir), 1);
    }
}

// Runs `ugraph --edit` in a child process on the input kept in file `name`.
pid_t start_edit(const std::string& name, const std::string& input) {
    ScratchDir::write(name, input);
    const pid_t child = fork();
    if (child == 0) {
        if (std::freopen(name.c_str(), "r", stdin) == nullptr ||
            std::freopen("/dev/null", "w", stdout) == nullptr) {
            _exit(3);
        }
        char program[] = "ugraph";
        char edit[] = "--edit";
        char* argv[] = {program, edit, nullptr};
        _exit(run_command_line(2, argv));
    }
    return child;
}

int exit_status(pid_t child) {
    int status = -1;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

// Two edits of different graphs of one file at the same moment: the lock
// serialises them and each finds its graph as loaded, so both land.
TEST(DataInputSave, ConcurrentEditsBothLand) {
    ScratchDir dir;
    for (int round = 0; round < 25; round++) {
        ScratchDir::write("GraphDataFile2.txt", "[U \"One\" (1) 2]\n[U \"Two\" (1) 2]\n");
        const pid_t first = start_edit("first", "F\n1\n-1\nFirst\n0\nY\n");
        const pid_t second = start_edit("second", "F\n2\n-1\nSecond\n0\nY\n");
        ASSERT_EQ(exit_status(first), 0);
        ASSERT_EQ(exit_status(second), 0);
        ASSERT_EQ(ScratchDir::read("GraphDataFile2.txt"),
                  "[U \"First\", (1),2, (2)]\n[U \"Second\", (1),2, (2)]\n")
            << "round " << round;
    }
}

// With the file size limited, the save fails cleanly: no SIGXFSZ, the old
// file whole, no temporary file left.
TEST(DataInputSave, FileSizeLimitKeepsTheOldFile) {
    ScratchDir dir;
    const std::string old = "[U \"Path\" (1) 2 (2) 3]\n";
    ScratchDir::write("GraphDataFile2.txt", old);
    const pid_t child = fork();
    if (child == 0) {
        ConsoleCapture console("F\n1\n-1\nP\n0\nY\n"); // its input file comes before the limit
        const rlimit limit{10, 10};
        setrlimit(RLIMIT_FSIZE, &limit);
        char program[] = "ugraph";
        char edit[] = "-e";
        char* argv[] = {program, edit, nullptr};
        const int status = run_command_line(2, argv);
        const bool told =
            console.output().find("Cannot write file GraphDataFile2.txt: File too large\n") !=
            std::string::npos;
        _exit(told ? status : 4);
    }
    EXPECT_EQ(exit_status(child), 1);
    EXPECT_EQ(ScratchDir::read("GraphDataFile2.txt"), old);
    EXPECT_EQ(files_in(dir), 1);
}

// A save cut short by a signal removes its temporary file and keeps the old
// file whole: the filler below sends the signal halfway through its text.
SaveStatus write_half_then_signal(std::FILE* /*old*/, std::FILE* fresh, void* context) {
    std::fputs("half a graph", fresh);
    std::fflush(fresh);
    raise(*static_cast<int*>(context));
    return SaveStatus::saved;
}

TEST(DataInputSave, SignalDuringSaveLeavesNothingBehind) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ScratchDir dir;
        ScratchDir::write("GraphDataFile2.txt", "old");
        const pid_t child = fork();
        if (child == 0) {
            save_data_file("GraphDataFile2.txt", write_half_then_signal, &signal);
            _exit(0);
        }
        EXPECT_EQ(exit_status(child), 100 + signal);
        EXPECT_EQ(ScratchDir::read("GraphDataFile2.txt"), "old");
        EXPECT_EQ(files_in(dir), 1) << "signal " << signal;
    }
}

} // namespace
} // namespace ugraph::testing

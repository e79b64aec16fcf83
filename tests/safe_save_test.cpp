// Safe save: attributes kept, protection respected, reasons given, and no
// temporary file left behind, whatever ends the run.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "console_capture.h"
#include "driver/command_line.h"
#include "editing/safe_save.h"
#include "scratch_dir.h"
#include "system_calls.h"

namespace ugraph::testing {
namespace {

namespace fs = std::filesystem;

const char DATA_FILE[] = "GraphDataFile2.txt";

SaveStatus write_whole(std::FILE* /*old*/, std::FILE* fresh, void* context) {
    std::fputs(static_cast<const char*>(context), fresh);
    return SaveStatus::saved;
}

struct Saved {
    SaveStatus status;
    std::string output;
};

Saved save(const char* path, const char* text = "new") {
    ConsoleCapture console("");
    const SaveStatus status = save_data_file(path, write_whole, const_cast<char*>(text));
    return {status, console.output()};
}

// Every name in the folder but the data file: what a save left behind.
std::vector<std::string> others_in(const fs::path& folder, const std::string& dataFile) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename() != dataFile) {
            names.push_back(entry.path().filename().string());
        }
    }
    return names;
}

int exit_status(pid_t child) {
    int status = -1;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

const passwd* nobody() {
    return getpwnam("nobody");
}

TEST(SafeSave, NewFileTakesTheUmaskAndOldFileKeepsItsAttributes) {
    struct Case {
        int oldMode; // -1: no file yet
        mode_t mask;
        bool nobodysFile;
        int mode;
    };
    const Case cases[] = {
        {-1, 022, false, 0644},   {-1, 077, false, 0600},   {0640, 0, false, 0640},
        {02664, 0, false, 02664}, {01664, 0, false, 01664}, {02664, 0, true, 02664},
    };
    for (const Case& c : cases) {
        if (c.nobodysFile && (geteuid() != 0 || nobody() == nullptr)) {
            std::printf("skipped: keeping another user's ownership needs root\n");
            continue;
        }
        ScratchDir dir;
        if (c.oldMode >= 0) {
            ScratchDir::write(DATA_FILE, "old");
            ASSERT_EQ(chmod(DATA_FILE, static_cast<mode_t>(c.oldMode)), 0);
        }
        if (c.nobodysFile) {
            ASSERT_EQ(chown(DATA_FILE, nobody()->pw_uid, nobody()->pw_gid), 0);
        }
        const mode_t previous = umask(c.mask);
        const Saved s = save(DATA_FILE);
        umask(previous);
        ASSERT_EQ(s.status, SaveStatus::saved) << s.output;
        struct stat status {};
        ASSERT_EQ(stat(DATA_FILE, &status), 0);
        EXPECT_EQ(status.st_mode & 07777, static_cast<mode_t>(c.mode)) << std::oct << c.oldMode;
        const uid_t owner = c.nobodysFile ? nobody()->pw_uid : geteuid();
        EXPECT_EQ(status.st_uid, owner);
    }
}

// Each refusal leaves the file, and whatever else points at it, as it was.
TEST(SafeSave, ProtectedFilesAreNotSaved) {
    struct Case {
        const char* kind;
        std::string message;
    };
    const Case cases[] = {
        {"no write bit", "Permission denied"},
        {"second hard link", "it has other hard links"},
        {"directory", "Is a directory"},
        {"pipe", "it is not a regular file"},
    };
    for (const Case& c : cases) {
        ScratchDir dir;
        const std::string kind = c.kind;
        if (kind == "directory") {
            fs::create_directory(DATA_FILE);
        } else if (kind == "pipe") {
            ASSERT_EQ(mkfifo(DATA_FILE, 0644), 0);
        } else {
            ScratchDir::write(DATA_FILE, "old");
        }
        if (kind == "no write bit") {
            ASSERT_EQ(chmod(DATA_FILE, 0444), 0); // refused for root too
        } else if (kind == "second hard link") {
            fs::create_hard_link(DATA_FILE, "other name");
        }
        const Saved s = save(DATA_FILE);
        EXPECT_EQ(s.status, SaveStatus::failed) << kind;
        EXPECT_EQ(s.output, "Cannot write file GraphDataFile2.txt: " + c.message + "\n");
        if (fs::is_regular_file(DATA_FILE)) {
            EXPECT_EQ(ScratchDir::read(DATA_FILE), "old") << kind;
        }
        if (kind == "second hard link") {
            EXPECT_EQ(fs::hard_link_count(DATA_FILE), 2U);
            EXPECT_EQ(ScratchDir::read("other name"), "old");
        }
    }
}

// A symbolic link that names no file yet: its target is made, the link stays;
// a relative target counts from the link's real folder.
TEST(SafeSave, DanglingLinkGetsItsTargetMade) {
    ScratchDir dir;
    fs::create_directories("store/deep");
    fs::create_directory_symlink("store/deep", "shortcut");
    fs::create_symlink("shortcut/data.txt", DATA_FILE);
    fs::create_symlink("../made.txt", "store/deep/data.txt");
    ASSERT_EQ(save(DATA_FILE).status, SaveStatus::saved);
    EXPECT_TRUE(fs::is_symlink(DATA_FILE));
    EXPECT_TRUE(fs::is_symlink("store/deep/data.txt"));
    EXPECT_EQ(ScratchDir::read("store/made.txt"), "new");
    EXPECT_FALSE(fs::exists("made.txt"));
}

// The temporary file reaches the disk before it replaces the data file, and
// the rename reaches it afterwards, with or without unnamed files.
TEST(SafeSave, SyncsTheTemporaryFileBeforeTheRename) {
    for (const bool unnamed : {true, false}) {
        ScratchDir dir;
        ScratchDir::write(DATA_FILE, "old");
        systemCallPlan.noUnnamedFiles = !unnamed;
        reset_noted_calls();
        const Saved s = save(DATA_FILE);
        systemCallPlan = SystemCallPlan{};
        EXPECT_EQ(s.status, SaveStatus::saved);
        EXPECT_EQ(noted_calls(), "FRD") << (unnamed ? "O_TMPFILE" : "mkstemp");
        EXPECT_EQ(ScratchDir::read(DATA_FILE), "new");
        EXPECT_TRUE(others_in(dir.path(), DATA_FILE).empty());
    }
}

// A save, whether it succeeds or fails, leaves the signal actions and the
// signal mask as it found them.
TEST(SafeSave, SignalsAreAsBeforeAfterwards) {
    const int signals[] = {SIGXFSZ, SIGINT, SIGTERM, SIGHUP};
    for (const bool fails : {false, true}) {
        ScratchDir dir;
        if (fails) {
            fs::create_directory(DATA_FILE);
        }
        struct sigaction before[4] = {};
        struct sigaction set {};
        set.sa_handler = SIG_DFL;
        for (int i = 0; i < 4; i++) {
            sigaction(signals[i], &set, &before[i]);
        }
        sigset_t maskBefore;
        sigprocmask(SIG_SETMASK, nullptr, &maskBefore);
        save(DATA_FILE);
        sigset_t maskAfter;
        sigprocmask(SIG_SETMASK, nullptr, &maskAfter);
        for (int i = 0; i < 4; i++) {
            struct sigaction after {};
            sigaction(signals[i], &before[i], &after);
            EXPECT_EQ(after.sa_handler, SIG_DFL) << "signal " << signals[i];
            EXPECT_EQ(sigismember(&maskAfter, signals[i]), sigismember(&maskBefore, signals[i]));
        }
    }
}

TEST(SafeSave, RemovesTheLeftoversOfKilledRunsOnly) {
    ScratchDir dir;
    ScratchDir::write(DATA_FILE, "old");
    const std::vector<std::string> leftovers = {".GraphDataFile2.txt.ugraph-a1B2c3",
                                                ".GraphDataFile2.txt.ugraph-XXXXXX"};
    const std::vector<std::string> kept = {
        ".GraphDataFile2.txt.ugraph-a1B2c",  ".GraphDataFile2.txt.ugraph-a1B2c3d",
        "GraphDataFile2.txt.ugraph-a1B2c3",  ".Other.txt.ugraph-a1B2c3",
        ".GraphDataFile2.txt.backup-a1B2c3", "GraphDataFile2.txt.a1B2c3"};
    for (const std::string& name : leftovers) {
        ScratchDir::write(name, "a whole copy");
    }
    for (const std::string& name : kept) {
        ScratchDir::write(name, "someone's file");
    }
    ASSERT_EQ(save(DATA_FILE).status, SaveStatus::saved);
    std::vector<std::string> left = others_in(dir.path(), DATA_FILE);
    std::sort(left.begin(), left.end());
    std::vector<std::string> expected = kept;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
}

// A signal just after the temporary file is made, and just after an unnamed
// one is linked: the handler knows its name (or it has none), so nothing
// stays. The link is blocked from signals up to the rename, which completes.
TEST(SafeSave, SignalAtTheTemporaryFilesBirthLeavesNothing) {
    struct Case {
        SystemCallPlan plan;
        std::string file;
    };
    const Case cases[] = {{{false, SIGTERM, 0}, "old"},
                          {{false, 0, SIGTERM}, "new"},
                          {{true, SIGTERM, 0}, "old"},
                          {{true, SIGHUP, 0}, "old"}};
    for (const auto& [plan, file] : cases) {
        ScratchDir dir;
        ScratchDir::write(DATA_FILE, "old");
        const pid_t child = fork();
        if (child == 0) {
            systemCallPlan = plan;
            save(DATA_FILE);
            _exit(0);
        }
        const int signal = plan.signalAtCreation + plan.signalAtLink;
        EXPECT_EQ(exit_status(child), 100 + signal);
        EXPECT_EQ(ScratchDir::read(DATA_FILE), file);
        EXPECT_TRUE(others_in(dir.path(), DATA_FILE).empty())
            << (plan.noUnnamedFiles ? "mkstemp" : "O_TMPFILE") << ", signal " << signal;
    }
}

bool makes_unnamed_files(const fs::path& folder) {
    const int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (fd >= 0) {
        close(fd);
    }
    return fd >= 0;
}

// An edit of a graph behind a long free text, so that its save takes a while.
pid_t start_edit() {
    const pid_t child = fork();
    if (child == 0) {
        ConsoleCapture console("F\n1\n-1\nNew\n0\ny\n");
        char program[] = "ugraph";
        char edit[] = "--edit";
        char* argv[] = {program, edit, nullptr};
        _exit(run_command_line(2, argv));
    }
    return child;
}

// SIGKILL at spread instants of an edit's save: the data file is old or new,
// never torn, and no temporary file stays where the file system makes unnamed
// ones. Only a kill between the link of the finished file and its rename
// could leave one, whole; the next save removes every leftover.
TEST(SafeSave, KilledSavesLeaveNoTemporaryFile) {
    ScratchDir dir;
    const std::string freeText(400000, 'x');
    const std::string old = freeText + "\n[U \"Old\" (1) 2]\n";
    const std::string saved = freeText + "\n[U \"New\", (1),2, (2)]\n";
    ScratchDir::write(DATA_FILE, old);
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_EQ(exit_status(start_edit()), 0);
    const auto whole = std::chrono::steady_clock::now() - begin;
    ASSERT_EQ(ScratchDir::read(DATA_FILE), saved);
    const bool unnamed = makes_unnamed_files(dir.path());
    int wholeLeftovers = 0;
    for (int run = 0; run < 60; run++) {
        ScratchDir::write(DATA_FILE, old);
        const pid_t child = start_edit();
        std::this_thread::sleep_for(whole * run / 50);
        kill(child, SIGKILL);
        exit_status(child);
        const std::string now = ScratchDir::read(DATA_FILE);
        ASSERT_TRUE(now == old || now == saved) << "run " << run;
        for (const std::string& name : others_in(dir.path(), DATA_FILE)) {
            const bool complete = now == old && ScratchDir::read(name) == saved;
            EXPECT_TRUE(!unnamed || complete) << "run " << run << " left " << name;
            wholeLeftovers += complete ? 1 : 0;
            ScratchDir::write(DATA_FILE, old);
            ASSERT_EQ(exit_status(start_edit()), 0);
            EXPECT_TRUE(others_in(dir.path(), DATA_FILE).empty()) << "the next save removes it";
        }
    }
    EXPECT_LE(wholeLeftovers, 2);
}

// The program itself, run in the scratch folder by a user without privileges:
// nobody (through setpriv) when the tests run as root, else the user running them.
struct Ran {
    int status = -1;
    std::string output;
};

Ran run_unprivileged(const std::vector<std::string>& args, const std::string& input) {
    ScratchDir::write("input", input);
    // A copy in the scratch folder, which nobody may reach wherever the build lies.
    const std::string program = (fs::current_path() / "ugraph").string();
    fs::copy_file(UGRAPH_PROGRAM, program, fs::copy_options::overwrite_existing);
    const pid_t child = fork();
    if (child == 0) {
        if (std::freopen("input", "r", stdin) == nullptr ||
            std::freopen("output", "w", stdout) == nullptr) {
            _exit(3);
        }
        std::vector<std::string> all;
        if (geteuid() == 0) {
            all = {"/usr/bin/setpriv", "--reuid=" + std::to_string(nobody()->pw_uid),
                   "--regid=" + std::to_string(nobody()->pw_gid), "--clear-groups", "--"};
        }
        all.push_back(program);
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(4);
    }
    Ran r;
    r.status = exit_status(child);
    r.output = ScratchDir::read("output");
    return r;
}

std::string last_line(std::string text) {
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text.substr(text.rfind('\n') + 1); // npos + 1 is 0
}

// Failures of the system name their reason, for a user without privileges: a
// read-only folder, one that cannot be locked, and a file of another user in
// a folder everyone may write.
TEST(SafeSave, FailuresSayWhy) {
    struct Case {
        const char* kind;
        mode_t folderMode;
        std::string message;
    };
    const Case cases[] = {
        {"read-only folder", 0555, "Cannot write file data/g.txt: Permission denied"},
        {"folder without read", 0333,
         "Cannot write file data/g.txt: cannot lock the directory: Permission denied"},
        {"another user's file", 0777, "Cannot write file data/g.txt: Permission denied"},
    };
    const bool root = geteuid() == 0;
    const bool canDrop = nobody() != nullptr && access("/usr/bin/setpriv", X_OK) == 0;
    for (const Case& c : cases) {
        const std::string kind = c.kind;
        const bool others = kind == "another user's file";
        if ((root && !canDrop) || (!root && others)) {
            std::printf("skipped: %s needs root, setpriv and the user nobody\n", c.kind);
            continue;
        }
        ScratchDir dir;
        fs::permissions(dir.path(), fs::perms::all);
        fs::create_directory("data");
        const std::string old = "[U \"Path\" (1) 2 (2) 3]\n";
        ScratchDir::write("data/g.txt", old);
        chmod("data/g.txt", 0644);
        if (root && !others) {
            ASSERT_EQ(chown("data/g.txt", nobody()->pw_uid, nobody()->pw_gid), 0);
        }
        chmod("data", c.folderMode);
        const Ran r = run_unprivileged({"-e", "-f", "data/g.txt"}, "F\n1\n-1\nLonger\n0\ny\n");
        chmod("data", 0755);
        EXPECT_EQ(r.status, 1) << kind << "\n" << r.output;
        EXPECT_EQ(last_line(r.output), c.message) << kind;
        EXPECT_EQ(ScratchDir::read("data/g.txt"), old) << kind;
        EXPECT_TRUE(others_in("data", "g.txt").empty()) << kind;
        struct stat status {};
        stat("data/g.txt", &status);
        EXPECT_EQ(status.st_uid, root && !others ? nobody()->pw_uid : geteuid()) << kind;
    }
}

} // namespace
} // namespace ugraph::testing

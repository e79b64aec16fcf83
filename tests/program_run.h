// Test helper: runs the built program through the shell, in the current folder.
#ifndef UGRAPH_TESTS_PROGRAM_RUN_H
#define UGRAPH_TESTS_PROGRAM_RUN_H

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "scratch_dir.h"

namespace ugraph::testing {

// Whether the tests, and so the program, are built with a sanitizer.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define UGRAPH_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) ||                         \
    __has_feature(memory_sanitizer)
#define UGRAPH_SANITIZED 1
#endif
#endif
#ifdef UGRAPH_SANITIZED
constexpr bool SANITIZED = true;
#else
constexpr bool SANITIZED = false;
#endif

struct ShellRun {
    int status = -1; // the exit status, or 128 and the signal that ended the command
    std::string err; // what the command wrote to standard error
};

// Runs a shell command in which $UGRAPH names the program.
inline ShellRun run_shell(const std::string& command) {
    setenv("UGRAPH", UGRAPH_PROGRAM, 1);
    const int raw = std::system(("(" + command + ") 2> shell.err").c_str());
    ShellRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    r.err = ScratchDir::read("shell.err");
    std::remove("shell.err");
    return r;
}

} // namespace ugraph::testing

#endif

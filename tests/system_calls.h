// Test helper: the test build wraps some system calls of the save and of
// the reading threads, to watch them and to make them fail or be
// interrupted at chosen moments.
#ifndef UGRAPH_TESTS_SYSTEM_CALLS_H
#define UGRAPH_TESTS_SYSTEM_CALLS_H

#include <string>

namespace ugraph::testing {

// What the wrapped calls do besides their work; all off by default.
struct SystemCallPlan {
    bool noUnnamedFiles = false; // openat with O_TMPFILE fails as on a file system without it
    int signalAtCreation = 0;    // raised once a temporary file exists (O_TMPFILE or mkstemp)
    int signalAtLink = 0;        // raised once an unnamed temporary file has got its name
    bool noThreads = false;      // pthread_create fails as when the system has no room for one
};

extern SystemCallPlan systemCallPlan;

// The calls noted since the last reset, one letter each: F for fsync of a
// regular file, D for fsync of a directory, R for a rename.
void reset_noted_calls();
std::string noted_calls();

} // namespace ugraph::testing

#endif

// Test helper: wrappers of fsync, renameat, openat, linkat and mkstemp that
// the program's save calls in the test build, and of pthread_create; each
// passes on to the real call.
#include "system_calls.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdlib>

namespace ugraph::testing {

SystemCallPlan systemCallPlan;

namespace {

char noted[64];
std::size_t notedCount = 0;

void note(char call) {
    if (notedCount < sizeof noted) {
        noted[notedCount++] = call;
    }
}

template <typename Function> Function real(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

void reset_noted_calls() {
    notedCount = 0;
}

std::string noted_calls() {
    return {noted, notedCount};
}

} // namespace ugraph::testing

using ugraph::testing::systemCallPlan;

extern "C" int fsync(int fd) {
    struct stat status {};
    if (fstat(fd, &status) == 0) {
        ugraph::testing::note(S_ISDIR(status.st_mode) ? 'D' : 'F');
    }
    return ugraph::testing::real<int (*)(int)>("fsync")(fd);
}

extern "C" int renameat(int oldDirectory, const char* oldName, int newDirectory,
                        const char* newName) noexcept {
    ugraph::testing::note('R');
    using Renameat = int (*)(int, const char*, int, const char*);
    return ugraph::testing::real<Renameat>("renameat")(oldDirectory, oldName, newDirectory,
                                                       newName);
}

extern "C" int openat(int directory, const char* name, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list args;
        va_start(args, flags);
        mode = static_cast<mode_t>(va_arg(args, unsigned));
        va_end(args);
    }
    const bool unnamed = (flags & O_TMPFILE) == O_TMPFILE;
    if (unnamed && systemCallPlan.noUnnamedFiles) {
        errno = EOPNOTSUPP;
        return -1;
    }
    using Openat = int (*)(int, const char*, int, ...);
    const int fd = ugraph::testing::real<Openat>("openat")(directory, name, flags, mode);
    if (unnamed && fd >= 0 && systemCallPlan.signalAtCreation != 0) {
        raise(systemCallPlan.signalAtCreation);
    }
    return fd;
}

extern "C" int linkat(int fromDirectory, const char* from, int toDirectory, const char* to,
                      int flags) noexcept {
    using Linkat = int (*)(int, const char*, int, const char*, int);
    const int linked =
        ugraph::testing::real<Linkat>("linkat")(fromDirectory, from, toDirectory, to, flags);
    if (linked == 0 && systemCallPlan.signalAtLink != 0) {
        raise(systemCallPlan.signalAtLink);
    }
    return linked;
}

extern "C" int mkstemp(char* pattern) {
    const int fd = ugraph::testing::real<int (*)(char*)>("mkstemp")(pattern);
    if (fd >= 0 && systemCallPlan.signalAtCreation != 0) {
        raise(systemCallPlan.signalAtCreation);
    }
    return fd;
}

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                              void* (*start)(void*), void* argument) {
    if (systemCallPlan.noThreads) {
        return EAGAIN;
    }
    using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
    return ugraph::testing::real<Create>("pthread_create")(thread, attributes, start, argument);
}

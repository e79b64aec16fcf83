// Graph source (one FILE operand, opened for reading: a regular file, or a stream)
#include "large/graph_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "console/console.h"

namespace ugraph {

void report_read_error(const GraphSource& source, int error) {
    print_error("ugraph: %s: %s\n", source.name, std::strerror(error));
}

bool open_source(const char* name, GraphSource& source) {
    source.name = name;
    source.head.clear();
    source.ended = false;
    const bool standardInput = std::strcmp(name, "-") == 0;
    source.fd = standardInput ? STDIN_FILENO : open(name, O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (source.fd < 0 || fstat(source.fd, &status) != 0) {
        report_read_error(source, errno);
        close_source(source);
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        report_read_error(source, EISDIR);
        close_source(source);
        return false;
    }
    source.regular = S_ISREG(status.st_mode);
    source.size = source.regular ? static_cast<std::uint64_t>(status.st_size) : 0;
    return true;
}

void close_source(GraphSource& source) {
    if (source.fd > STDIN_FILENO) {
        close(source.fd);
    }
    source.fd = -1;
}

long read_at(const GraphSource& source, char* bytes, std::uint64_t count, std::uint64_t offset) {
    std::uint64_t done = 0;
    while (done < count) {
        const ssize_t got =
            pread(source.fd, bytes + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::uint64_t>(got);
    }
    return static_cast<long>(done);
}

long read_on(GraphSource& source, char* bytes, std::uint64_t count) {
    for (;;) {
        const ssize_t got = read(source.fd, bytes, count);
        if (got >= 0 || errno != EINTR) {
            return got;
        }
    }
}

} // namespace ugraph

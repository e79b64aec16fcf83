// Graph source (one FILE operand, opened for reading: a regular file, or a stream)
#ifndef UGRAPH_GRAPH_SOURCE_H
#define UGRAPH_GRAPH_SOURCE_H

#include <cstdint>
#include <vector>

namespace ugraph {

struct GraphSource {
    const char* name; // as given; "-" is standard input
    int fd;
    bool regular;       // a regular file: read anywhere, in blocks, on every core
    std::uint64_t size; // of a regular file
    // A stream is read once, front to back: the bytes read ahead of the
    // pass, to tell what the file holds, wait here for it.
    std::vector<char> head;
    bool ended; // the stream has no bytes after head
};

// Opens the operand; false after "ugraph: FILE: reason" on standard error.
bool open_source(const char* name, GraphSource& source);
void close_source(GraphSource& source);

// Reads up to `count` bytes of a regular file at `offset`, retrying short
// reads; the bytes read, or -1 with errno set.
long read_at(const GraphSource& source, char* bytes, std::uint64_t count, std::uint64_t offset);

// Reads on from a stream, after its head; the bytes read, 0 at its end, or -1
// with errno set.
long read_on(GraphSource& source, char* bytes, std::uint64_t count);

// Writes "ugraph: FILE: " and the reason errno gives.
void report_read_error(const GraphSource& source, int error);

} // namespace ugraph

#endif

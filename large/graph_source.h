// Graph source (one FILE operand, opened for reading: a regular file, or a stream)
#ifndef UGRAPH_GRAPH_SOURCE_H
#define UGRAPH_GRAPH_SOURCE_H

#include <cstdint>
#include <memory>
#include <vector>

#include "large/failure.h"

namespace ugraph {

enum class SourceFault { none, damaged, cut_off, no_library };

struct Unpacker; // a compressed stream being read and decompressed
struct UnpackerEnd {
    void operator()(Unpacker* unpacker) const;
};

struct Decoder; // UTF-16 being turned into UTF-8
struct DecoderEnd {
    void operator()(Decoder* decoder) const;
};

struct GraphSource {
    const char* name; // as given; "-" is standard input
    int fd;
    bool regular;        // a plain regular file: read anywhere, in blocks, on every core
    bool compressed;     // gzip, xz, bzip2 or zstd: decompressed as it is read, as a stream
    bool again;          // a regular file underneath: the text can be read again
    std::uint64_t skip;  // bytes of a regular file before its text: a byte-order mark
    std::uint64_t size;  // bytes of a regular file's text, compressed or not
    std::uint64_t start; // where the links begin; the bytes before are a header
    // The text's first bytes. A stream is read once, front to back: what was
    // read ahead, to tell what the file holds, waits here for the pass.
    std::vector<char> head;
    bool ended;             // a stream has no bytes after head
    std::uint64_t consumed; // bytes of the file read so far, for progress
    bool crLines;           // a lone carriage return ends a line: each is read as a newline
    SourceFault fault;
    const char* library; // with no_library: the one that does not open
    std::unique_ptr<Unpacker, UnpackerEnd> unpacker;
    std::unique_ptr<Decoder, DecoderEnd> decoder; // UTF-16 text: read as a stream, in UTF-8
};

// Opens the operand, tells a compressed stream by its first bytes and reads the
// text's byte-order mark: UTF-8's is passed over, and UTF-16's has the text
// read in UTF-8.
Failure open_source(const char* name, GraphSource& source);
void close_source(GraphSource& source);

// Reads the text from its start again, as at its opening, keeping its line
// ends; only a source that can be (again).
Failure rewind_source(GraphSource& source);

// Reads every carriage return as a newline when the text's first line ends
// with one that no newline follows.
Failure settle_line_ends(GraphSource& source);

// The reads below are the source's own, and fail as a system call does:
// with errno, or with the source's fault set; read_failure tells which.

// Makes head hold the text's first `count` bytes, or all of it when shorter;
// false, with errno or the source's fault, when a read fails.
bool peek_head(GraphSource& source, std::uint64_t count);

// Whether head holds the whole text.
bool head_is_whole(const GraphSource& source);

// How far the file is read, in the bytes its size counts, when `text` bytes
// of its text are: a compressed or UTF-16 file's own bytes, else the text's.
std::uint64_t file_bytes_read(const GraphSource& source, std::uint64_t text);

// Peeks at the text's first `first` bytes, then twice as many, and so on,
// until enough() finds what it looks for in the head, or the head holds the
// whole text; false, with errno or the source's fault, when a read fails.
template <typename Enough>
bool peek_until(GraphSource& source, std::uint64_t first, Enough&& enough) {
    for (std::uint64_t count = first;; count *= 2) {
        if (!peek_head(source, count)) {
            return false;
        }
        if (enough() || head_is_whole(source)) {
            return true;
        }
    }
}

// Reads up to `count` bytes of a regular file at `offset`, retrying short
// reads; the bytes read, or -1 with errno set.
long read_at(const GraphSource& source, char* bytes, std::uint64_t count, std::uint64_t offset);

// Reads on from a stream after its head, decompressing a compressed one; the
// bytes read, 0 at its end, or -1 with errno or the source's fault set.
long read_on(GraphSource& source, char* bytes, std::uint64_t count);

// Why a read failed: the source's fault, or errno's (ENOMEM: out of memory).
Failure read_failure(const GraphSource& source, int error);

} // namespace ugraph

#endif

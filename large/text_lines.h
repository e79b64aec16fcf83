// Text lines (a source's text read front to back in blocks, one line at a time, on one thread)
#ifndef UGRAPH_TEXT_LINES_H
#define UGRAPH_TEXT_LINES_H

#include <string_view>

#include "large/graph_source.h"

namespace ugraph {

// Reads the text from its first byte, whatever the head holds: a regular
// file by offset, a stream from its head on. Only the lines not yet handed
// out, and the one being handed out, are held.
struct TextLines {
    GraphSource* source;
    std::vector<char> bytes; // read, from `at` on not yet handed out
    std::size_t at;
    std::uint64_t offset; // of a regular file: where the next block is read
    bool headTaken;       // of a stream: the head's bytes are in `bytes`
    bool ended;           // no bytes after `bytes`
    std::uint64_t line;   // the number of the line last handed out
};

void start_lines(TextLines& lines, GraphSource& source);

// The next line, without its newline; false at the text's end, or when a
// read fails (then `failure` is set).
bool next_line(TextLines& lines, std::string_view& line, Failure& failure);

} // namespace ugraph

#endif

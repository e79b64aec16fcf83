// Text lines (a source's text read front to back in blocks, one line at a time, on one thread)
#ifndef UGRAPH_TEXT_LINES_H
#define UGRAPH_TEXT_LINES_H

#include <string_view>

#include "large/graph_source.h"
#include "large/progress.h"

namespace ugraph {

// Reads the text from its first byte, whatever the head holds: a regular
// file by offset, a stream from its head on. Only the lines not yet handed
// out, and the one being handed out, are held. Each block read redraws the
// progress line, when it is wanted, as `word` and the bytes read.
struct TextLines {
    GraphSource* source;
    std::vector<char> bytes; // read, from `at` on not yet handed out
    std::size_t at;
    std::uint64_t offset; // bytes of the text read: a regular file's next block begins there
    bool headTaken;       // of a stream: the head's bytes are in `bytes`
    bool ended;           // no bytes after `bytes`
    std::uint64_t line;   // the number of the line last handed out
    const char* word;     // the progress line's
    Progress progress;
};

void start_lines(TextLines& lines, GraphSource& source, const char* word, bool progress);

// Clears the progress line, when one was drawn.
void end_lines(TextLines& lines);

// The next line, without its newline; false at the text's end, or when a
// read fails (then `failure` is set).
bool next_line(TextLines& lines, std::string_view& line, Failure& failure);

} // namespace ugraph

#endif

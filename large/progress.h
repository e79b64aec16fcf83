// Progress (one line on a terminal's error stream while a large file is read)
#ifndef UGRAPH_PROGRESS_H
#define UGRAPH_PROGRESS_H

#include <cstdint>

namespace ugraph {

struct Progress {
    bool wanted;         // standard error is a terminal, the file regular, no --quiet
    std::uint64_t total; // bytes of the file
    double start;        // seconds on a steady clock
    double drawn;        // when the line was last drawn; 0 before
    int width;           // characters of the line drawn
};

void start_progress(Progress& progress, bool wanted, std::uint64_t total);

// Redraws the line with `done` bytes read, once the run has read for more
// than a second, at most ten times a second.
void show_progress(Progress& progress, std::uint64_t done);

// Clears the line, when one was drawn.
void end_progress(Progress& progress);

} // namespace ugraph

#endif

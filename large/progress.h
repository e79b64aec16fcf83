// Progress (one line on a terminal's error stream while a large file is read or built)
#ifndef UGRAPH_PROGRESS_H
#define UGRAPH_PROGRESS_H

#include <pthread.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace ugraph {

// The line is drawn once a phase has run for more than a second, at most ten
// times a second, in fewer characters than the terminal has columns, so that
// neither the line nor the cursor wraps.
struct Progress {
    bool wanted;         // standard error is a terminal, and no --quiet
    std::uint64_t total; // bytes of the file; 0 when unknown (a pipe)
    int columns;         // of the terminal
    double start;        // seconds on a steady clock
    double drawn;        // when the line was last drawn; 0 before
    int width;           // characters of the line on the screen, blanks included
};

// Begins a phase; the terminal's width is asked of standard error (80 when
// it does not tell).
void start_progress(Progress& progress, bool wanted, std::uint64_t total);

// Redraws the line with `done` bytes read: the percent of the total, when
// known, the MB and MB/s read, and the seconds.
void show_progress(Progress& progress, std::uint64_t done);

// The same line after `word`, for a file read on one thread: "reading GML".
void show_reading(Progress& progress, const char* word, std::uint64_t done);

// Redraws the line as `word`, the percent `done` is of `total`, and the seconds.
void show_phase(Progress& progress, const char* word, std::uint64_t done, std::uint64_t total);

// Clears the line, when one was drawn, exactly as wide as it was drawn.
void end_progress(Progress& progress);

// A line for a call that cannot tell how far it is (a parse): a thread of
// its own draws the word and the seconds until it is stopped. The progress
// is the thread's alone while it runs.
struct Ticker {
    Progress progress;
    const char* word;
    std::mutex lock;
    std::condition_variable changed;
    bool stopping; // under lock
    bool running;  // the thread was started
    pthread_t thread;
};

void start_ticker(Ticker& ticker, bool wanted, const char* word);

// Stops the thread and clears its line.
void stop_ticker(Ticker& ticker);

} // namespace ugraph

#endif

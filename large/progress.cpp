// Progress (one line on a terminal's error stream while a large file is read or built)
#include "large/progress.h"

#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace ugraph {

inline constexpr int UNKNOWN_COLUMNS = 80;
inline constexpr int LINE_BYTES = 160; // room for the longest line formatted

static double now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

static int terminal_columns() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return UNKNOWN_COLUMNS;
}

void start_progress(Progress& progress, bool wanted, std::uint64_t total) {
    progress = Progress{wanted, total, UNKNOWN_COLUMNS, 0.0, 0.0, 0};
    if (wanted) {
        progress.columns = terminal_columns();
        progress.start = now();
    }
}

// The seconds the phase has run, or a negative number when the line is not
// due: before a second has passed, or within a tenth of the last drawing.
static double due(Progress& progress) {
    if (!progress.wanted) {
        return -1.0;
    }
    const double t = now();
    if (t - progress.start <= 1.0 || t - progress.drawn < 0.1) {
        return -1.0;
    }
    progress.drawn = t;
    return t - progress.start;
}

// Draws the line formatted in `text` (snprintf's length) over the line on
// the screen: cut to one character less than the terminal has, and padded
// with blanks over what a longer line left.
static void draw(Progress& progress, const char* text, int length) {
    const int shown = std::min({length, LINE_BYTES - 1, progress.columns - 1});
    if (shown <= 0) {
        return;
    }
    std::fprintf(stderr, "\r%.*s%*s", shown, text, std::max(progress.width - shown, 0), "");
    progress.width = std::max(progress.width, shown);
    std::fflush(stderr);
}

// Draws the bytes read, after `word` when there is one.
static void show_bytes(Progress& progress, const char* word, std::uint64_t done) {
    const double seconds = due(progress);
    if (seconds < 0.0) {
        return;
    }
    const double megabytes = static_cast<double>(done) / 1e6;
    char bytes[LINE_BYTES];
    if (progress.total == 0) { // a pipe: no percent
        std::snprintf(bytes, sizeof bytes, "%.0f MB  %.0f MB/s  %.1f s", megabytes,
                      megabytes / seconds, seconds);
    } else {
        const double percent =
            100.0 * static_cast<double>(done) / static_cast<double>(progress.total);
        std::snprintf(bytes, sizeof bytes, "%5.1f%%  %.0f MB  %.0f MB/s  %.1f s", percent,
                      megabytes, megabytes / seconds, seconds);
    }
    char line[LINE_BYTES];
    draw(progress, line,
         word != nullptr ? std::snprintf(line, sizeof line, "%s  %s", word, bytes)
                         : std::snprintf(line, sizeof line, "%s", bytes));
}

void show_progress(Progress& progress, std::uint64_t done) {
    show_bytes(progress, nullptr, done);
}

void show_reading(Progress& progress, const char* word, std::uint64_t done) {
    show_bytes(progress, word, done);
}

void show_phase(Progress& progress, const char* word, std::uint64_t done, std::uint64_t total) {
    const double seconds = due(progress);
    if (seconds < 0.0) {
        return;
    }
    const double percent =
        total == 0 ? 100.0 : 100.0 * static_cast<double>(done) / static_cast<double>(total);
    char line[LINE_BYTES];
    draw(progress, line,
         std::snprintf(line, sizeof line, "%s  %3.0f%%  %.1f s", word, percent, seconds));
}

void end_progress(Progress& progress) {
    if (progress.width > 0) {
        std::fprintf(stderr, "\r%*s\r", progress.width, "");
        std::fflush(stderr);
    }
    progress.width = 0;
}

// The ticker's thread: wakes ten times a second until it is stopped.
static void* tick(void* context) {
    Ticker& ticker = *static_cast<Ticker*>(context);
    std::unique_lock<std::mutex> guard(ticker.lock);
    while (!ticker.changed.wait_for(guard, std::chrono::milliseconds(100),
                                    [&ticker] { return ticker.stopping; })) {
        const double seconds = due(ticker.progress);
        if (seconds >= 0.0) {
            char line[LINE_BYTES];
            draw(ticker.progress, line,
                 std::snprintf(line, sizeof line, "%s  %.1f s", ticker.word, seconds));
        }
    }
    return nullptr;
}

void start_ticker(Ticker& ticker, bool wanted, const char* word) {
    start_progress(ticker.progress, wanted, 0);
    ticker.word = word;
    ticker.stopping = false;
    ticker.running = wanted && pthread_create(&ticker.thread, nullptr, tick, &ticker) == 0;
}

void stop_ticker(Ticker& ticker) {
    if (ticker.running) {
        {
            const std::lock_guard<std::mutex> guard(ticker.lock);
            ticker.stopping = true;
        }
        ticker.changed.notify_all();
        pthread_join(ticker.thread, nullptr);
        ticker.running = false;
    }
    end_progress(ticker.progress);
}

} // namespace ugraph

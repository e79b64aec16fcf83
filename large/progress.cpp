// Progress (one line on a terminal's error stream while a large file is read)
#include "large/progress.h"

#include <time.h>

#include <cstdio>

namespace ugraph {

static double now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void start_progress(Progress& progress, bool wanted, std::uint64_t total) {
    progress = Progress{wanted, total, wanted ? now() : 0.0, 0.0, 0};
}

void show_progress(Progress& progress, std::uint64_t done) {
    if (!progress.wanted) {
        return;
    }
    const double t = now();
    const double seconds = t - progress.start;
    if (seconds <= 1.0 || t - progress.drawn < 0.1) {
        return;
    }
    progress.drawn = t;
    const double megabytes = static_cast<double>(done) / 1e6;
    const double percent = progress.total == 0 ? 100.0
                                               : 100.0 * static_cast<double>(done) /
                                                     static_cast<double>(progress.total);
    const int width = std::fprintf(stderr, "\r%5.1f%%  %.0f MB  %.0f MB/s  %.1f s", percent,
                                   megabytes, megabytes / seconds, seconds) -
                      1;          // the carriage return takes no place
    if (width < progress.width) { // a shorter line leaves none of the longer one behind
        std::fprintf(stderr, "%*s", progress.width - width, "");
    } else {
        progress.width = width;
    }
    std::fflush(stderr);
}

void end_progress(Progress& progress) {
    if (progress.width > 0) {
        std::fprintf(stderr, "\r%*s\r", progress.width, "");
        std::fflush(stderr);
    }
    progress.width = 0;
}

} // namespace ugraph

// The progress line: how it is drawn, cut, padded and cleared, its ticker,
// and the program itself on a narrow terminal reading a slow pipe.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "large/progress.h"
#include "scratch_dir.h"

namespace ugraph::testing {
namespace {

// What `draw` writes on standard error, in a file of the scratch folder.
template <typename Draw> std::string on_standard_error(Draw&& draw) {
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int file = open("err", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, STDERR_FILENO);
    close(file);
    draw();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    return ScratchDir::read("err");
}

std::string blanks(std::size_t count) {
    return std::string(count, ' ');
}

// One call of show_progress (word nullptr), show_reading (a word, total 0)
// or show_phase.
struct Step {
    const char* word;
    std::uint64_t done;
    std::uint64_t total;
    bool soon; // within a tenth of a second of the step before
};

struct Drawing {
    const char* what;
    bool wanted;
    std::uint64_t total; // of the bytes
    int columns;         // of the terminal; 0: as start_progress found them
    double ranFor;       // seconds the phase has run at the first step
    std::vector<Step> steps;
    std::string expected; // the line drawn, then cleared by end_progress
};

const std::string LONG_WORD(100, 'x');

TEST(Progress, DrawsCutsPadsAndClears) {
    const Drawing rows[] = {
        {"percent of a known total",
         true,
         4000000,
         0,
         2.0,
         {{nullptr, 2000000, 0, false}},
         "\r 50.0%  2 MB  1 MB/s  2.0 s\r" + blanks(27) + "\r"},
        {"no percent when the total is unknown",
         true,
         0,
         0,
         2.0,
         {{nullptr, 2000000, 0, false}},
         "\r2 MB  1 MB/s  2.0 s\r" + blanks(19) + "\r"},
        {"a phase's word and percent",
         true,
         0,
         0,
         2.0,
         {{"sorting", 1, 3, false}},
         "\rsorting   33%  2.0 s\r" + blanks(20) + "\r"},
        {"a reading's word before the percent",
         true,
         4000000,
         0,
         2.0,
         {{"reading METIS", 2000000, 0, false}},
         "\rreading METIS   50.0%  2 MB  1 MB/s  2.0 s\r" + blanks(42) + "\r"},
        {"a reading's word, no percent when the total is unknown",
         true,
         0,
         0,
         2.0,
         {{"reading GML", 2000000, 0, false}},
         "\rreading GML  2 MB  1 MB/s  2.0 s\r" + blanks(32) + "\r"},
        {"nothing before a second has passed",
         true,
         4000000,
         0,
         0.0,
         {{nullptr, 2000000, 0, false}},
         ""},
        {"at most ten times a second",
         true,
         4000000,
         0,
         2.0,
         {{nullptr, 2000000, 0, false}, {nullptr, 3000000, 0, true}},
         "\r 50.0%  2 MB  1 MB/s  2.0 s\r" + blanks(27) + "\r"},
        {"nothing when not wanted", false, 4000000, 0, 2.0, {{nullptr, 2000000, 0, false}}, ""},
        {"a shorter line padded over a longer one",
         true,
         0,
         0,
         2.0,
         {{"listing neighbors", 1, 4, false}, {"sorting", 3, 4, false}},
         "\rlisting neighbors   25%  2.0 s\rsorting   75%  2.0 s" + blanks(10) + "\r" + blanks(30) +
             "\r"},
        {"cut to one column less than the terminal's",
         true,
         4000000,
         12,
         2.0,
         {{nullptr, 2000000, 0, false}},
         "\r 50.0%  2 M\r" + blanks(11) + "\r"},
        {"a shorter line padded over a cut one",
         true,
         0,
         25,
         2.0,
         {{"listing neighbors", 1, 4, false}, {"sorting", 3, 4, false}},
         "\rlisting neighbors   25% \rsorting   75%  2.0 s" + blanks(4) + "\r" + blanks(24) + "\r"},
        {"80 columns when the terminal does not tell",
         true,
         0,
         0,
         2.0,
         {{LONG_WORD.c_str(), 1, 2, false}},
         "\r" + LONG_WORD.substr(0, 79) + "\r" + blanks(79) + "\r"},
        {"nothing on a terminal of one column", true, 0, 1, 2.0, {{"sorting", 1, 2, false}}, ""},
    };
    ScratchDir dir;
    for (const Drawing& row : rows) {
        const std::string shown = on_standard_error([&row] {
            Progress p{};
            start_progress(p, row.wanted, row.total);
            p.columns = row.columns != 0 ? row.columns : p.columns;
            p.start -= row.ranFor;
            for (const Step& step : row.steps) {
                p.drawn = step.soon ? p.drawn : 0.0;
                if (step.word == nullptr) {
                    show_progress(p, step.done);
                } else if (step.total == 0) {
                    show_reading(p, step.word, step.done);
                } else {
                    show_phase(p, step.word, step.done, step.total);
                }
            }
            end_progress(p);
        });
        EXPECT_EQ(shown, row.expected) << row.what;
    }
}

// The lines between carriage returns of what was drawn.
std::vector<std::string> drawn_lines(const std::string& drawn) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at = drawn.find('\r'); at != std::string::npos; at = drawn.find('\r', from)) {
        lines.push_back(drawn.substr(from, at - from));
        from = at + 1;
    }
    lines.push_back(drawn.substr(from));
    return lines;
}

// Every drawn line fits in fewer than `columns` characters, one holds more
// than blanks, and the last one blanks all that any line before took.
void expect_fitted_and_cleared(const std::string& drawn, std::size_t columns) {
    const std::vector<std::string> lines = drawn_lines(drawn);
    ASSERT_GE(lines.size(), 4U) << drawn; // "", a line, its clearing, ""
    EXPECT_EQ(lines.front(), "") << drawn;
    EXPECT_EQ(lines.back(), "") << drawn;
    std::size_t widest = 0;
    for (std::size_t i = 1; i + 2 < lines.size(); i++) {
        EXPECT_LT(lines[i].size(), columns) << lines[i];
        EXPECT_NE(lines[i].find_first_not_of(' '), std::string::npos) << drawn;
        widest = std::max(widest, lines[i].size());
    }
    EXPECT_EQ(lines[lines.size() - 2], blanks(widest)) << drawn;
}

// Two tickers at once, one of them not wanted: the wanted one draws its
// word and the seconds after a second, then clears its line; the other
// draws nothing.
TEST(Progress, TickerDrawsItsWordAndSecondsUntilStopped) {
    ScratchDir dir;
    const std::string shown = on_standard_error([] {
        Ticker wanted{};
        Ticker hidden{};
        start_ticker(wanted, true, "parsing");
        start_ticker(hidden, false, "hidden");
        std::this_thread::sleep_for(std::chrono::milliseconds(1400));
        stop_ticker(hidden);
        stop_ticker(wanted);
    });
    expect_fitted_and_cleared(shown, 80);
    const std::vector<std::string> lines = drawn_lines(shown);
    for (std::size_t i = 1; i + 2 < lines.size(); i++) {
        double seconds = 0.0;
        EXPECT_EQ(std::sscanf(lines[i].c_str(), "parsing  %lf s", &seconds), 1) << lines[i];
        EXPECT_GE(seconds, 1.0) << lines[i];
    }
}

// A text fed through a pipe: its head, then pieces of 1 MiB, each a link
// (or none) and comment lines, which cost the reading little, then its tail.
struct Feed {
    const char* input; // the --input-format
    std::string head;
    std::string link;
    char comment;
    std::string tail;
    const char* word; // what each drawn line begins with
    bool linkEachPiece;
};

// Runs the program on `-` with standard error on the pseudo-terminal's
// slave side and standard input the pipe's reading end.
pid_t start_on_terminal(int slave, int master, const int feed[2], const char* input) {
    const pid_t child = fork();
    if (child == 0) {
        const int out = open("out", O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || dup2(feed[0], STDIN_FILENO) < 0 || dup2(out, STDOUT_FILENO) < 0 ||
            dup2(slave, STDERR_FILENO) < 0) {
            _exit(3);
        }
        for (const int fd : {out, slave, master, feed[0], feed[1]}) {
            close(fd);
        }
        const std::string option = std::string("--input-format=") + input;
        execl(UGRAPH_PROGRAM, "ugraph", "-j", "2", option.c_str(), "-",
              static_cast<char*>(nullptr));
        _exit(4);
    }
    return child;
}

bool write_all(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno != EINTR) {
            return false;
        }
        done += wrote > 0 ? static_cast<std::size_t>(wrote) : 0;
    }
    return true;
}

// Writes the feed's head, `pieces` pieces over about `pieces` tenths of a
// second, and its tail; the links written.
std::size_t feed_slowly(int fd, const Feed& feed, int pieces) {
    std::string piece = feed.link;
    while (piece.size() < 1U << 20) {
        piece += feed.comment + std::string(4094, 'x') + "\n";
    }
    std::size_t links = feed.linkEachPiece ? 0 : 1;
    if (!write_all(fd, feed.head)) {
        return links;
    }
    for (int i = 0; i < pieces; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!write_all(fd, piece)) {
            return links;
        }
        links += feed.linkEachPiece ? 1 : 0;
    }
    write_all(fd, feed.tail);
    return links;
}

// The program reading a pipe fed for a second and a half (MB past 10, so
// its lines run longer than the terminal is wide) on a terminal of 20
// columns, in each format read by blocks or on one thread: every line
// fits, begins with the reading's word, and the last is cleared.
TEST(Progress, ProgramOnANarrowTerminalReadingASlowPipe) {
    const Feed feeds[] = {
        {"edges", "", "1 2\n", '#', "", "", true},
        {"pajek", "*Vertices 2\n*Edges\n", "1 2\n", '%', "", "reading Pajek", true},
        {"gml", "graph [ node [ id 1 ] node [ id 2 ]\n", "edge [ source 1 target 2 ]\n", '#', "]\n",
         "reading GML", true},
        {"metis", "2 1\n2\n1\n", "", '%', "", "reading METIS", false},
    };
    for (const Feed& feed : feeds) {
        SCOPED_TRACE(feed.input);
        ScratchDir dir;
        int master = -1;
        int slave = -1;
        winsize size{};
        size.ws_row = 24;
        size.ws_col = 20;
        ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, &size), 0);
        termios raw{};
        ASSERT_EQ(tcgetattr(slave, &raw), 0);
        cfmakeraw(&raw); // the bytes as the program wrote them
        ASSERT_EQ(tcsetattr(slave, TCSANOW, &raw), 0);
        int pipeEnds[2];
        ASSERT_EQ(pipe(pipeEnds), 0);
        const pid_t child = start_on_terminal(slave, master, pipeEnds, feed.input);
        close(slave);
        close(pipeEnds[0]);
        std::string drawn;
        std::thread reader([master, &drawn] {
            char bytes[4096];
            for (;;) { // until the slave side is closed everywhere
                const ssize_t got = read(master, bytes, sizeof bytes);
                if (got < 0 && errno == EINTR) {
                    continue;
                }
                if (got <= 0) {
                    return;
                }
                drawn.append(bytes, static_cast<std::size_t>(got));
            }
        });
        const std::size_t links = feed_slowly(pipeEnds[1], feed, 15);
        close(pipeEnds[1]);
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        reader.join();
        close(master);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        EXPECT_EQ(ScratchDir::read("out"), "-  2 nodes  " + std::to_string(links) + " link" +
                                               (links == 1 ? "" : "s") +
                                               "  1 component  largest 2\n");
        expect_fitted_and_cleared(drawn, 20);
        EXPECT_EQ(drawn.find('%'), std::string::npos) << "no percent of a pipe: " << drawn;
        const std::vector<std::string> lines = drawn_lines(drawn);
        for (std::size_t i = 1; i + 2 < lines.size(); i++) {
            EXPECT_EQ(lines[i].rfind(std::string(feed.word).substr(0, 19), 0), 0U) << lines[i];
        }
    }
}

} // namespace
} // namespace ugraph::testing

// Test helper: runs graph files through the mode, or the command line, with
// the output and the messages captured; a pipe on standard input; gzip bytes.
#ifndef UGRAPH_TESTS_GRAPH_FILES_RUN_H
#define UGRAPH_TESTS_GRAPH_FILES_RUN_H

#include <signal.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "console_capture.h"
#include "driver/command_line.h"
#include "large/graph_files.h"
#include "scratch_dir.h"

namespace ugraph::testing {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Calls `run` with the console's output and error streams in memory.
template <typename Run> Outcome captured(Run&& run) {
    char* errText = nullptr;
    std::size_t errSize = 0;
    std::FILE* err = open_memstream(&errText, &errSize);
    use_error_stream(err);
    Outcome r;
    {
        ConsoleCapture console("");
        r.status = run();
        r.out = console.output();
    }
    use_error_stream(nullptr);
    std::fclose(err);
    r.err.assign(errText, errSize);
    std::free(errText);
    return r;
}

inline Outcome run_files(std::vector<std::string> files, const GraphFileOptions& options) {
    std::vector<char*> names;
    for (std::string& f : files) {
        names.push_back(f.data());
    }
    return captured(
        [&] { return run_graph_files(names.data(), static_cast<int>(names.size()), options); });
}

// The command line with these arguments, after "ugraph".
inline Outcome run_args(std::vector<std::string> args) {
    args.insert(args.begin(), "ugraph");
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    return captured([&] { return run_command_line(static_cast<int>(args.size()), argv.data()); });
}

inline GraphFileOptions options_of(FileFormat format, IdChoice ids = IdChoice::from_file,
                                   std::uint32_t threads = 2, std::uint64_t blockSize = 0) {
    GraphFileOptions o{};
    o.format = format;
    o.dialect.ids = ids;
    o.threads = threads;
    o.quiet = true;
    o.blockSize = blockSize;
    return o;
}

// Calls `run` with standard input a pipe that a thread fills with `text` in
// uneven pieces, so that reads of it often come back short. The pipe closes
// when `run` returns: a reader that stopped early fails the writer's next
// write, with SIGPIPE blocked on its thread, and does not hang the test.
template <typename Run> Outcome with_pipe(const std::string& text, Run&& run) {
    int ends[2];
    if (pipe(ends) != 0) {
        return Outcome{};
    }
    std::thread writer([&text, &ends] {
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
        const std::size_t pieces[] = {1, 4093, 65537, 7, 300, 131071, 61, 20011};
        std::size_t at = 0;
        for (std::size_t k = 0; at < text.size(); k++) {
            const std::size_t piece = std::min(pieces[k % std::size(pieces)], text.size() - at);
            const ssize_t wrote = write(ends[1], text.data() + at, piece);
            if (wrote < 0 && errno != EINTR) {
                break;
            }
            at += wrote > 0 ? static_cast<std::size_t>(wrote) : 0;
        }
        close(ends[1]);
    });
    const int saved = dup(STDIN_FILENO);
    dup2(ends[0], STDIN_FILENO);
    close(ends[0]);
    Outcome r = run();
    dup2(saved, STDIN_FILENO);
    close(saved);
    writer.join();
    return r;
}

// The command line with these arguments and "-", the text coming through a
// pipe on standard input.
inline Outcome run_piped(const std::string& text, std::vector<std::string> args) {
    args.push_back("-");
    return with_pipe(text, [&args] { return run_args(args); });
}

// The text as a gzip file's bytes, made by zlib.
inline std::string gzipped(const std::string& text) {
    const std::string name = "gzip.tmp";
    gzFile file = gzopen(name.c_str(), "wb");
    gzwrite(file, text.data(), static_cast<unsigned>(text.size()));
    gzclose(file);
    std::string bytes = ScratchDir::read(name);
    std::remove(name.c_str());
    return bytes;
}

} // namespace ugraph::testing

#endif

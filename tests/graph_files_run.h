// Test helper: runs graph files through the mode, or the command line, with
// the output and the messages captured.
#ifndef UGRAPH_TESTS_GRAPH_FILES_RUN_H
#define UGRAPH_TESTS_GRAPH_FILES_RUN_H

#include <pthread.h>
#include <unistd.h>

#include <csignal>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "console_capture.h"
#include "driver/command_line.h"
#include "large/graph_files.h"

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

// The command line with these arguments and "-", the text coming through a
// pipe on standard input. A run that stops reading early closes the pipe:
// the writer then ends at a failed write instead of a signal.
inline Outcome run_piped(const std::string& text, std::vector<std::string> args) {
    int ends[2];
    if (pipe(ends) != 0) {
        return Outcome{};
    }
    std::thread writer([&text, &ends] {
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
        for (std::size_t at = 0; at < text.size();) {
            const ssize_t written = write(ends[1], text.data() + at, text.size() - at);
            if (written <= 0) {
                break;
            }
            at += static_cast<std::size_t>(written);
        }
        close(ends[1]);
    });
    const int saved = dup(STDIN_FILENO);
    dup2(ends[0], STDIN_FILENO);
    close(ends[0]);
    args.push_back("-");
    const Outcome r = run_args(args);
    dup2(saved, STDIN_FILENO);
    close(saved);
    writer.join();
    return r;
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

} // namespace ugraph::testing

#endif

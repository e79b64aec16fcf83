// Test helper: runs graph files through the mode, or the command line, with
// the output and the messages captured.
#ifndef UGRAPH_TESTS_GRAPH_FILES_RUN_H
#define UGRAPH_TESTS_GRAPH_FILES_RUN_H

#include <cstdio>
#include <cstdlib>
#include <string>
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

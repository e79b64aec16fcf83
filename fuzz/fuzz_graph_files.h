// Fuzzing support for graph files: a run of the mode on bytes, and what the
// targets' own reference readings share.
#ifndef UGRAPH_FUZZ_GRAPH_FILES_H
#define UGRAPH_FUZZ_GRAPH_FILES_H

#include <string>
#include <vector>

#include "fuzz_support.h"
#include "large/graph_files.h"

namespace ugraph::fuzz {

struct FileRun {
    int status;
    std::string out;
    std::string err;
};

// Writes the bytes to the file "g" and reads it as the mode does, with the
// output and the messages in memory.
inline FileRun run_graph_file(const std::string& bytes, const GraphFileOptions& options) {
    std::FILE* file = std::fopen("g", "wb");
    FUZZ_CHECK(file != nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    FUZZ_CHECK(std::fclose(file) == 0);
    char* out = nullptr;
    std::size_t outSize = 0;
    char* err = nullptr;
    std::size_t errSize = 0;
    std::FILE* outStream = open_memstream(&out, &outSize);
    std::FILE* errStream = open_memstream(&err, &errSize);
    use_console_streams(nullptr, outStream);
    use_error_stream(errStream);
    char name[] = "g";
    char* files[] = {name};
    FileRun r{run_graph_files(files, 1, options), "", ""};
    use_console_streams(nullptr, nullptr);
    use_error_stream(nullptr);
    std::fclose(outStream);
    std::fclose(errStream);
    r.out.assign(out, outSize);
    r.err.assign(err, errSize);
    std::free(out);
    std::free(err);
    return r;
}

// A text made with a known reading: its labels, or, when `faultLine` is not
// 0, a refusal at that line whose message begins with `fault`.
inline void check_reading(const FileRun& run, std::uint64_t faultLine, const std::string& fault,
                          const std::string& labels) {
    if (faultLine != 0) {
        FUZZ_CHECK(run.status == 1 && run.out.empty());
        FUZZ_CHECK(run.err.rfind("ugraph: g:" + std::to_string(faultLine) + ": " + fault, 0) == 0);
    } else {
        FUZZ_CHECK(run.status == 0 && run.err.empty() && run.out == labels);
    }
}

// Any bytes: read without a message, or refused with one message of one line.
inline void check_read_or_refused(const FileRun& run) {
    FUZZ_CHECK(run.status == 0 || run.status == 1);
    if (run.status == 0) {
        FUZZ_CHECK(run.err.empty());
    } else {
        FUZZ_CHECK(run.out.empty() && run.err.rfind("ugraph: g", 0) == 0 &&
                   run.err.find('\n') == run.err.size() - 1);
    }
}

// The labels format's options, quiet, on `threads` threads in blocks of `block` bytes.
inline GraphFileOptions labels_options(InputChoice input, std::uint32_t threads,
                                       std::uint64_t block) {
    GraphFileOptions options{};
    options.format = FileFormat::labels;
    options.threads = threads;
    options.quiet = true;
    options.blockSize = block;
    options.input = input;
    return options;
}

// The lines of a text, a CR before each LF taken off.
inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// The root of x in a plain union-find, halving the path.
inline std::size_t root(std::vector<std::size_t>& parent, std::size_t x) {
    while (parent[x] != x) {
        x = parent[x] = parent[parent[x]];
    }
    return x;
}

} // namespace ugraph::fuzz

#endif

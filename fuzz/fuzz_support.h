// Fuzzing support: scratch folder, memory console streams and graphs from bytes.
#ifndef UGRAPH_FUZZ_SUPPORT_H
#define UGRAPH_FUZZ_SUPPORT_H

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "analysis/link_normalisation.h"
#include "console/console.h"
#include "driver/graph_record.h"

namespace ugraph::fuzz {

// Stops the run on a broken promise, so that libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// Every target works in a fresh folder of its own, made once per process.
// It goes when the process ends normally; a crash leaves it, with the input's file.
inline char scratchFolder[] = "/tmp/ugraph-fuzz-XXXXXX";

inline void remove_scratch_folder() {
    std::error_code ignored;
    std::filesystem::remove_all(scratchFolder, ignored);
}

inline void enter_scratch_folder() {
    FUZZ_CHECK(mkdtemp(scratchFolder) != nullptr);
    FUZZ_CHECK(chdir(scratchFolder) == 0);
    std::atexit(remove_scratch_folder);
}

// A fuzz input is console input, optionally followed by this marker and the
// data file's text.
inline constexpr char FILE_MARKER[] = "@@FILE@@\n";

struct Split {
    const std::uint8_t* console;
    std::size_t consoleSize;
    const std::uint8_t* file; // nullptr: no data file
    std::size_t fileSize;
};

inline Split split_input(const std::uint8_t* data, std::size_t size) {
    const std::size_t markerSize = sizeof FILE_MARKER - 1;
    for (std::size_t i = 0; i + markerSize <= size; i++) {
        if (std::memcmp(data + i, FILE_MARKER, markerSize) == 0) {
            return {data, i, data + i + markerSize, size - i - markerSize};
        }
    }
    return {data, size, nullptr, 0};
}

inline void write_data_file(const std::uint8_t* text, std::size_t size) {
    std::remove("GraphDataFile2.txt");
    if (text == nullptr) {
        return;
    }
    std::FILE* file = std::fopen("GraphDataFile2.txt", "wb");
    FUZZ_CHECK(file != nullptr);
    std::fwrite(text, 1, size, file);
    FUZZ_CHECK(std::fclose(file) == 0);
}

// Console input from bytes and output thrown away, for one call.
class FuzzConsole {
  public:
    FuzzConsole(const std::uint8_t* data, std::size_t size) {
        in_ = std::tmpfile();
        FUZZ_CHECK(in_ != nullptr);
        std::fwrite(data, 1, size, in_);
        std::rewind(in_);
        out_ = std::fopen("/dev/null", "w");
        FUZZ_CHECK(out_ != nullptr);
        use_console_streams(in_, out_);
    }
    FuzzConsole(const FuzzConsole&) = delete;
    FuzzConsole& operator=(const FuzzConsole&) = delete;
    ~FuzzConsole() {
        use_console_streams(nullptr, nullptr);
        std::fclose(in_);
        std::fclose(out_);
    }

  private:
    std::FILE* in_ = nullptr;
    std::FILE* out_ = nullptr;
};

// A normalised graph made from the front of the input: one byte for the node
// count (0 to 49), one for the number of links, two per link; self-links are
// left out when asked. Returns the bytes used.
inline std::size_t make_graph(const std::uint8_t* data, std::size_t size, GraphRecord& g,
                              bool selfLinks) {
    std::size_t used = 0;
    const std::int32_t nodes = used < size ? data[used++] % (MAX_NODE + 1) : 0;
    const std::int32_t links = used < size ? data[used++] : 0;
    std::int32_t k = 0;
    for (std::int32_t l = 0; l < links && used + 2 <= size && nodes > 0; l++) {
        const std::int32_t a = 1 + data[used++] % nodes;
        const std::int32_t b = 1 + data[used++] % nodes;
        if (a != b || selfLinks) {
            k++;
            g.linkFrom[k] = a;
            g.linkTo[k] = b;
        }
    }
    g.linkFrom[0] = k;
    g.linkTo[0] = nodes;
    g.linkFrom[k + 1] = 0;
    g.linkTo[k + 1] = 0;
    normalize_links(g.linkFrom, g.linkTo);
    return used;
}

// The promises of a normalised table: ascending codes, no duplicates, every
// entry's reverse present, nodes within 1..N, the count and the 0 entry.
inline void check_normalised(const LinkColumn& linkFrom, const LinkColumn& linkTo) {
    const std::int32_t nodes = linkTo[0];
    const std::int32_t count = linkFrom[0];
    FUZZ_CHECK(nodes >= 0 && nodes <= MAX_NODE);
    FUZZ_CHECK(count >= 0 && count < LINK_SLOTS - 1);
    FUZZ_CHECK(linkFrom[count + 1] == 0 && linkTo[count + 1] == 0);
    bool linked[NODE_SLOTS][NODE_SLOTS] = {};
    for (std::int32_t k = 1; k <= count; k++) {
        FUZZ_CHECK(linkFrom[k] >= 1 && linkFrom[k] <= nodes);
        FUZZ_CHECK(linkTo[k] >= 1 && linkTo[k] <= nodes);
        if (k > 1) {
            const std::int32_t before = linkFrom[k - 1] * PAIR_BASE + linkTo[k - 1];
            FUZZ_CHECK(before < linkFrom[k] * PAIR_BASE + linkTo[k]);
        }
        linked[linkFrom[k]][linkTo[k]] = true;
    }
    for (std::int32_t k = 1; k <= count; k++) {
        FUZZ_CHECK(linked[linkTo[k]][linkFrom[k]]);
    }
}

} // namespace ugraph::fuzz

#endif

// Fuzz target: the data file reader on any data file and answers.
#include "fuzz_support.h"
#include "input/graph_file_reader.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ugraph::fuzz::enter_scratch_folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ugraph;
    const fuzz::Split input = fuzz::split_input(data, size);
    fuzz::write_data_file(input.file, input.fileSize);
    fuzz::FuzzConsole console(input.console, input.consoleSize);
    GraphRecord before;
    std::memset(&before, 0x5a, sizeof before);
    GraphRecord g = before;
    const std::int32_t result = read_graph_file(g.linkFrom, g.linkTo, g.graphName);
    const bool untouched = std::memcmp(&g, &before, sizeof g) == 0;
    if (result == 0 && untouched) {
        return 0;
    }
    // Something was loaded: a named, normalised graph of at most 49 nodes.
    FUZZ_CHECK(std::memchr(g.graphName.data(), '\0', NAME_SIZE) != nullptr);
    FUZZ_CHECK(g.linkTo[0] >= 0 && g.linkTo[0] <= MAX_NODE);
    FUZZ_CHECK(result == g.linkFrom[0]);
    fuzz::check_normalised(g.linkFrom, g.linkTo);
    return 0;
}

// Fuzz target: a graph written by the writer and loaded back by the reader.
#include "editing/graph_file_writer.h"
#include "fuzz_support.h"
#include "input/graph_file_reader.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ugraph::fuzz::enter_scratch_folder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ugraph;
    GraphRecord g{};
    std::size_t used = fuzz::make_graph(data, size, g, false);
    for (std::int32_t i = 0; i < NAME_SIZE - 1 && used < size && data[used] != 0; i++) {
        g.graphName[i] = static_cast<char>(data[used++]);
    }
    std::remove("GraphDataFile2.txt");
    static const std::uint8_t answers[] = "\n1\n"; // the writer's pause, the reader's choice
    fuzz::FuzzConsole console(answers, sizeof answers - 1);
    if (write_graph_file(g.linkFrom, g.linkTo, g.graphName) != 0) {
        return 0; // refused: a name that cannot be read back, or too long a text
    }
    GraphRecord back{};
    const std::int32_t result = read_graph_file(back.linkFrom, back.linkTo, back.graphName);
    FUZZ_CHECK(result == g.linkFrom[0]);
    FUZZ_CHECK(std::strcmp(back.graphName.data(), g.graphName.data()) == 0);
    FUZZ_CHECK(back.linkTo[0] == g.linkTo[0]);
    for (std::int32_t k = 0; k <= g.linkFrom[0] + 1; k++) {
        FUZZ_CHECK(back.linkFrom[k] == g.linkFrom[k] && back.linkTo[k] == g.linkTo[k]);
    }
    return 0;
}

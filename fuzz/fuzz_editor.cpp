// Fuzz target: the neighbor-list editor on a normalised graph and any answers.
#include "editing/neighbor_editor.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ugraph;
    GraphRecord g{};
    const std::size_t used = fuzz::make_graph(data, size, g, true);
    fuzz::FuzzConsole console(data + used, size - used);
    edit_neighbor_lists(g.linkFrom, g.linkTo, g.graphName);
    // The table written back is grouped by ascending node within 1..N.
    const std::int32_t count = g.linkFrom[0];
    FUZZ_CHECK(count >= 0 && count < LINK_SLOTS - 1);
    FUZZ_CHECK(g.linkFrom[count + 1] == 0 && g.linkTo[count + 1] == 0);
    for (std::int32_t k = 1; k <= count; k++) {
        FUZZ_CHECK(g.linkFrom[k] >= 1 && g.linkFrom[k] <= g.linkTo[0]);
        FUZZ_CHECK(g.linkTo[k] >= 1 && g.linkTo[k] <= g.linkTo[0]);
        FUZZ_CHECK(k == 1 || g.linkFrom[k - 1] <= g.linkFrom[k]);
    }
    FUZZ_CHECK(std::memchr(g.graphName.data(), '\0', NAME_SIZE) != nullptr);
    return 0;
}

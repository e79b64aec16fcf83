// Link index (where each node's entries stand in the sorted link table)
#include "analysis/link_index.h"

namespace ugraph {

void build_link_index(const LinkColumn& linkFrom, const LinkColumn& linkTo, NodeTable& degree,
                      NodeTable& firstLink) {
    const std::int32_t nodes = node_count(linkTo);
    degree[0] = 0;
    firstLink[0] = 0;
    firstLink[nodes + 1] = linkFrom[0] + 1;
    // One position for all nodes: entries stand grouped by ascending from-node.
    std::int32_t p = 1;
    for (std::int32_t n = 1; n <= nodes; n++) {
        std::int32_t count = 0;
        while (p < LINK_SLOTS && linkFrom[p] == n) {
            count++;
            p++;
        }
        degree[n] = count;
    }
    firstLink[1] = 1;
    for (std::int32_t n = 1; n < nodes; n++) {
        firstLink[n + 1] = firstLink[n] + degree[n];
    }
}

} // namespace ugraph

// Link index (where each node's entries stand in the sorted link table)
#ifndef UGRAPH_LINK_INDEX_H
#define UGRAPH_LINK_INDEX_H

#include "driver/graph_record.h"

namespace ugraph {

// Fills degree[n] (entries of node n) and firstLink[n] (index of its first
// entry) for n = 1..N from a normalised link table; firstLink[N + 1] = E + 1.
void build_link_index(const LinkColumn& linkFrom, const LinkColumn& linkTo, NodeTable& degree,
                      NodeTable& firstLink);

} // namespace ugraph

#endif

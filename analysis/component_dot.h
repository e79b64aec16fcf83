// Component DOT writer (the graph and its components for Graphviz)
#ifndef UGRAPH_COMPONENT_DOT_H
#define UGRAPH_COMPONENT_DOT_H

#include "analysis/component_search.h"

namespace ugraph {

// Writes an undirected DOT graph labelled with the graph's name: one cluster
// per component with its nodes in search order, then every link once.
void write_components_dot(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                          const NameBuffer& graphName, const Components& found);

} // namespace ugraph

#endif

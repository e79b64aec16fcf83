// Component search and report (connected components in depth-first order)
#ifndef UGRAPH_COMPONENT_SEARCH_H
#define UGRAPH_COMPONENT_SEARCH_H

#include "driver/graph_record.h"

namespace ugraph {

// Numbers the components by their smallest node, fills componentOf[1..N] and
// writes one line per component (nodes in depth-first order) and the line
// that gives every node's component.
void report_components(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                       const NodeTable& firstLink, NodeTable& componentOf);

} // namespace ugraph

#endif

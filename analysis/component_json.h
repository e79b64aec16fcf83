// Component JSON writer (the graph's figures and components for scripts)
#ifndef UGRAPH_COMPONENT_JSON_H
#define UGRAPH_COMPONENT_JSON_H

#include "analysis/component_search.h"

namespace ugraph {

// Writes {"name": ..., "nodes": N, "links": L, "components": [[...], ...]}
// and a newline; a link from a node to itself counts as one link.
void write_components_json(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                           const NameBuffer& graphName, const Components& found);

} // namespace ugraph

#endif

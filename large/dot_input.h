// DOT input (the first graph of a DOT text, read with Graphviz's own parser)
#ifndef UGRAPH_DOT_INPUT_H
#define UGRAPH_DOT_INPUT_H

#include "large/link_pass.h"

namespace ugraph {

// Reads the whole text and parses its first graph with Graphviz's cgraph:
// every node by name, in order of first appearance, and every edge as a
// link in the order read; the links are kept. A digraph's directions are
// not read. False, after "ugraph: FILE..." and the reason, when cgraph
// refuses the text, or when ugraph was built without cgraph. With `progress`
// a progress line shows the seconds while cgraph reads.
bool read_dot_links(GraphSource& source, NodeIndex& nodes, PassResult& result, bool progress);

} // namespace ugraph

#endif

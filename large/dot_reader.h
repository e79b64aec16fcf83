// DOT reader (the first graph of a DOT text, read with Graphviz's own parser into a link sink)
#ifndef UGRAPH_DOT_READER_H
#define UGRAPH_DOT_READER_H

#include "large/parallel_pass.h"

namespace ugraph {

// Reads the whole text and parses its first graph with Graphviz's cgraph:
// every node by name, in order of first appearance, and every edge as a
// link in the order read; the links are kept. A digraph's directions are
// not read. A failure when cgraph refuses the text (its message and line),
// or when ugraph was built without cgraph. With `progress` a progress line
// shows the seconds while cgraph reads.
Failure read_dot_links(GraphSource& source, NodeIndex& nodes, PassResult& result, bool progress);

} // namespace ugraph

#endif

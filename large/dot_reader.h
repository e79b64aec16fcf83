// DOT reader (the first graph of a DOT text, read with Graphviz's own parser into a link sink)
#ifndef UGRAPH_DOT_READER_H
#define UGRAPH_DOT_READER_H

#include "large/parallel_pass.h"

namespace ugraph {

// Reads the whole text and parses its first graph with Graphviz's cgraph:
// every node by name, in order of first appearance, and every edge as a
// link in the order read; the links are kept. A digraph's directions are
// not read. A failure when cgraph refuses the text (its message and line),
// when ugraph was built without cgraph, or out_of_memory when cgraph has no
// room to start and memory_ends_run() says no. With `progress` a progress
// line shows the seconds while cgraph reads.
Failure read_dot_links(GraphSource& source, NodeIndex& nodes, PassResult& result, bool progress);

} // namespace ugraph

#endif

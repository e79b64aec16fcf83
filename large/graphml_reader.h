// GraphML reader (the first graph of a GraphML document, read with expat front to back into a link
// sink)
#ifndef UGRAPH_GRAPHML_READER_H
#define UGRAPH_GRAPHML_READER_H

#include "large/parallel_pass.h"

namespace ugraph {

// Reads the document block by block with expat, whose parser holds no more
// than a block and the element it is in. Every <node> of the first top-level
// <graph>, and of the graphs nested in it, is a node named by its id, and
// every <edge> a link of its source and target; a <hyperedge> links each
// pair of its endpoints. Nodes come in the order of first appearance, as a
// <node> or an end, links in the order read; kept when `keep`. Data, keys
// and later top-level graphs are passed over, and so are element prefixes
// and directions. A failure, with its line, for malformed XML (expat's
// message), a first element other than graphml, an element without the
// attribute it needs, or a document without a graph; and when ugraph was
// built without expat. With more than one thread, the names are looked up
// and the links joined on a second thread while expat reads on.
struct GraphmlOptions {
    std::uint32_t threads;
    bool keep;     // keep the links
    bool progress; // a progress line shows how far it is read
};
Failure read_graphml_links(GraphSource& source, NodeIndex& nodes, const GraphmlOptions& options,
                           PassResult& result);

} // namespace ugraph

#endif

// Link sinks (what is done with each batch of links a parser reads)
#ifndef UGRAPH_LINK_SINKS_H
#define UGRAPH_LINK_SINKS_H

#include "large/edge_list_output.h"
#include "large/edge_parser.h"
#include "large/link_store.h"

namespace ugraph {

// Every node of the batch is made a node, its own tree when new, and every
// link joins its two nodes in the node index's forest, on any number of
// threads at once; with `keep`, the link is kept too, in
// the sink's own store. `links` counts the links taken.
struct ForestSink {
    NodeIndex* nodes;
    bool keep;
    LinkStore kept;
    std::uint64_t links;
};

// False when memory for a kept link runs out.
bool take_batch(ForestSink& sink, const LinkBatch& batch);

// Every link goes to the edge output, in the order read. Only a pass that
// reads on the calling thread alone takes a ReplaySink (replay_links), so the
// output sees the file's order.
struct ReplaySink {
    EdgeOutput* out;
    std::uint64_t links;
};

void take_batch(ReplaySink& sink, const LinkBatch& batch);

} // namespace ugraph

#endif

// METIS reader (a METIS graph file: its header, then the neighbours of node i on its i-th line)
#ifndef UGRAPH_METIS_READER_H
#define UGRAPH_METIS_READER_H

#include "large/parallel_pass.h"

namespace ugraph {

// The header `n m [fmt [ncon]]`: fmt's digits say whether a node line
// begins with a size (100s) and ncon weights (10s), and whether each
// neighbour is followed by a weight (1s); none of them is read.
struct MetisHeader {
    std::uint64_t nodes;
    std::uint64_t links;
    std::uint64_t skipped; // fields before a line's neighbours: its size and weights
    bool linkWeights;
    std::uint64_t line; // the header's line
};

// Reads the header, the first line that is not a % comment, and sets the
// source's start after it; a failure names what is wrong with it.
Failure read_metis_header(GraphSource& source, MetisHeader& header);

// Reads the node lines front to back on the calling thread into the node
// index, whose nodes 1 to n are made already: every link (i, j), i <= j,
// from the lower node's line, in the file's order, kept with `keep`. A link
// must be listed on both its lines (a link to itself once), each line's
// neighbours must be nodes, and the lines and links as many as the header
// says. With `progress` a progress line shows the bytes read.
Failure read_metis_links(GraphSource& source, NodeIndex& nodes, const MetisHeader& header,
                         bool keep, PassResult& result, bool progress);

} // namespace ugraph

#endif

// Pajek reader (a Pajek .net network, read front to back on one thread into a link sink)
#ifndef UGRAPH_PAJEK_READER_H
#define UGRAPH_PAJEK_READER_H

#include "large/parallel_pass.h"

namespace ugraph {

// A Pajek network's nodes: 1 to `nodes`, all of them; of a two-mode network
// (*Vertices N N1), the first `rows` are its rows, 0 otherwise.
struct PajekOrder {
    std::uint64_t nodes;
    std::uint64_t rows;
};

// Whether a line is a *Vertices or *Network line, in any case.
bool opens_pajek(const char* line, const char* end);

// Reads the *Vertices line from the head (after an optional *Network line,
// blank lines and % comments); a failure names the line that is wrong.
Failure read_pajek_order(GraphSource& source, PajekOrder& order);

// Reads the text from its start: links from *Edges and *Arcs (a b ...),
// *Edgeslist and *Arcslist (a b c ...: a to each) and *Matrix (row i, a
// non-zero in column j: i to j) sections, each in the order read, into the
// nodes' forest, kept when `keep`. Vertex lines are passed over; any other
// section ends the network. A node number outside 1 to the order fails
// with its line. With `progress` a progress line shows the bytes read.
Failure read_pajek_links(GraphSource& source, const PajekOrder& order, NodeIndex& nodes, bool keep,
                         PassResult& result, bool progress);

} // namespace ugraph

#endif

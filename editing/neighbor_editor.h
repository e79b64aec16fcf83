// Neighbor-list editor (shows and replaces each node's neighbors and the name)
#ifndef UGRAPH_NEIGHBOR_EDITOR_H
#define UGRAPH_NEIGHBOR_EDITOR_H

#include "driver/graph_record.h"

namespace ugraph {

// Fills one row of neighbors per node from a link table grouped by ascending
// from-node, lets the user replace rows (keeping neighbors above the node) and
// the name, and on the answer 0 writes the link table anew from the rows.
void edit_neighbor_lists(LinkColumn& linkFrom, LinkColumn& linkTo, NameBuffer& graphName);

} // namespace ugraph

#endif

// Link normalisation (every link in both directions, sorted, without duplicates)
#ifndef UGRAPH_LINK_NORMALISATION_H
#define UGRAPH_LINK_NORMALISATION_H

#include "driver/graph_record.h"

namespace ugraph {

// Rewrites the link table in place: for every entry (a, b) both (a, b) and
// (b, a) stand once, in ascending order of from-node, then to-node.
// linkFrom[0] becomes the entry count left; linkTo[0] is left alone.
void normalize_links(LinkColumn& linkFrom, LinkColumn& linkTo);

} // namespace ugraph

#endif

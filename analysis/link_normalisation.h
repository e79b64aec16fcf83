// Link normalisation (every link in both directions, sorted, without duplicates)
#ifndef UGRAPH_LINK_NORMALISATION_H
#define UGRAPH_LINK_NORMALISATION_H

#include "driver/graph_record.h"

namespace ugraph {

// Rewrites the link table in place: for every entry (a, b) both (a, b) and
// (b, a) stand once, in ascending order of from-node, then to-node.
// linkFrom[0] becomes the entry count left; linkTo[0] is left alone.
void normalize_links(LinkColumn& linkFrom, LinkColumn& linkTo);

// The links of a normalised table: one per link from a node to itself, which
// stands as one entry, and one per pair of entries otherwise. (The summary
// line counts half the entries, rounded down, which misses self-links.)
std::int32_t count_links(const LinkColumn& linkFrom, const LinkColumn& linkTo);

} // namespace ugraph

#endif

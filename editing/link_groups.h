// Link groups (checks that a link table stands grouped by ascending from-node)
#ifndef UGRAPH_LINK_GROUPS_H
#define UGRAPH_LINK_GROUPS_H

#include "driver/graph_record.h"

namespace ugraph {

// The editor and the writer walk nodes 1..N in turn and take entries while
// the from-node is the node being walked. That walk takes every entry only
// when from-nodes ascend within 1 to N up to the table's 0 entry. Returns the
// largest number of entries of one from-node, or -1 when the walk would
// drop entries.
inline std::int32_t largest_link_group(const LinkColumn& linkFrom, std::int32_t nodes) {
    std::int32_t previous = 0;
    std::int32_t run = 0;
    std::int32_t largest = 0;
    for (std::int32_t k = 1; k < LINK_SLOTS; k++) {
        const std::int32_t from = linkFrom[k];
        if (from == 0) {
            return largest;
        }
        if (from < previous || from > nodes) {
            return -1;
        }
        run = from == previous ? run + 1 : 1;
        largest = run > largest ? run : largest;
        previous = from;
    }
    return -1; // no 0 entry ends the table
}

} // namespace ugraph

#endif

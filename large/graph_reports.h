// Graph reports (the summary line, the labels, and node ids in every format)
#ifndef UGRAPH_GRAPH_REPORTS_H
#define UGRAPH_GRAPH_REPORTS_H

#include "large/component_labels.h"

namespace ugraph {

enum class IdStyle { text, json, dot };

// A node's id: a number in decimal; a name as read (text), as a JSON string,
// or as a quoted DOT ID.
void print_node_id(const NodeIndex& nodes, std::uint32_t index, IdStyle style);

// "FILE  N nodes  L links  C components  largest S", the name on one line.
void print_summary_line(const char* name, std::uint64_t links, const Tally& tally);

} // namespace ugraph

#endif

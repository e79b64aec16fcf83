// Graph reports (the summary line, the labels, and node ids in every format)
#ifndef UGRAPH_GRAPH_REPORTS_H
#define UGRAPH_GRAPH_REPORTS_H

#include "console/report_writer.h"
#include "large/component_labels.h"

namespace ugraph {

// A node's id as the report writers take it.
NodeName node_name(const NodeIndex& nodes, std::uint32_t index);

// A node's id: a number in decimal; a name as read (text), as a JSON string,
// or as a quoted DOT ID.
void print_node_id(const NodeIndex& nodes, std::uint32_t index, ReportFormat format);

// One line per node in order, of component `only` (every one for 0): its id,
// a tab, its component's number.
void print_labels(const NodeIndex& nodes, const ComponentLabels& labels, std::uint32_t only);

// "FILE  N nodes  L links  C components  largest S", the name on one line.
void print_summary_line(const char* name, std::uint64_t links, const Tally& tally);

} // namespace ugraph

#endif

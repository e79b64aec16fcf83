// Graph reports (the summary line, and node ids in every format)
#ifndef UGRAPH_GRAPH_REPORTS_H
#define UGRAPH_GRAPH_REPORTS_H

#include "console/report_writer.h"
#include "large/component_tally.h"

namespace ugraph {

// A node's id as the report writers take it.
NodeName node_name(const NodeIndex& nodes, std::uint32_t index);

// A node's id: a number in decimal; a name as read (text), as a JSON string,
// or as a quoted DOT ID.
void print_node_id(const NodeIndex& nodes, std::uint32_t index, ReportFormat format);

// "FILE  N nodes  L links  C components  largest S", the name on one line.
void print_summary_line(const char* name, std::uint64_t links, const Tally& tally);

} // namespace ugraph

#endif

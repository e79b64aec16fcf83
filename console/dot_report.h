// DOT report (the graph and its components for Graphviz)
#ifndef UGRAPH_DOT_REPORT_H
#define UGRAPH_DOT_REPORT_H

#include "console/report_writer.h"

namespace ugraph {

// An undirected DOT graph labelled with the graph's name: one cluster per
// component with its members in search order, then every link once; names
// as quoted DOT IDs.
const ReportWriter& dot_report();

} // namespace ugraph

#endif

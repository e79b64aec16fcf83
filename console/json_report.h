// JSON report (the graph's figures and components for scripts)
#ifndef UGRAPH_JSON_REPORT_H
#define UGRAPH_JSON_REPORT_H

#include "console/report_writer.h"

namespace ugraph {

// {"name": ..., "nodes": N, "links": L, "components": [[...], ...]} and a
// newline; names as JSON strings.
const ReportWriter& json_report();

} // namespace ugraph

#endif

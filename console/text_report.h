// Text report (the components, and the component of every node, in words)
#ifndef UGRAPH_TEXT_REPORT_H
#define UGRAPH_TEXT_REPORT_H

#include "console/report_writer.h"

namespace ugraph {

// "Ufile NAME     N Nodes   L Links", a "Component #K:  " line of members
// each followed by a blank, then "(NODE)K " for every node after the title
// "Location of (nodes) in components". Names are written as they are.
const ReportWriter& text_report();

} // namespace ugraph

#endif

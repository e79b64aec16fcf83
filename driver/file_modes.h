// File modes (results of the data file's graphs without the dialogue)
#ifndef UGRAPH_FILE_MODES_H
#define UGRAPH_FILE_MODES_H

#include <cstdint>

#include "console/report_writer.h"

namespace ugraph {

// Writes one line per data-input of the data file: its figures, or why it is
// refused. Returns the exit status: 0 once the file was read, 1 when it
// cannot be read or holds no data-input.
int list_graphs();

// Loads data-input `number` and writes its summary line and components as
// text, DOT or JSON. Returns the exit status; messages go to the error stream.
int show_graph(std::int32_t number, ReportFormat format);

} // namespace ugraph

#endif

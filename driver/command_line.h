// Command line (reads the options and runs the dialogue or one of the modes)
#ifndef UGRAPH_COMMAND_LINE_H
#define UGRAPH_COMMAND_LINE_H

#include "large/graph_files.h"

namespace ugraph {

// Runs the program for these arguments and returns its exit status: 0 for
// the dialogue and every success, 1 when the data file or a graph cannot be
// used, 2 for wrong usage.
int run_command_line(int argc, char** argv);

// The values of the options that read a FILE, as the command line takes
// them, for other callers (the Python module): each false for a value the
// command line refuses.
bool separator_named(const char* text, char& separator);      // --separator
bool columns_named(const char* text, DialectChoice& dialect); // --columns
bool input_named(const char* text, InputChoice& input);       // --input-format

} // namespace ugraph

#endif

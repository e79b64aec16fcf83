// Command line (reads the options and runs the dialogue or one of the modes)
#ifndef UGRAPH_COMMAND_LINE_H
#define UGRAPH_COMMAND_LINE_H

namespace ugraph {

// Runs the program for these arguments and returns its exit status: 0 for
// the dialogue and every success, 1 when the data file or a graph cannot be
// used, 2 for wrong usage.
int run_command_line(int argc, char** argv);

} // namespace ugraph

#endif

// Main dialogue (one run, from the source question to the final pause)
#ifndef UGRAPH_MAIN_DIALOGUE_H
#define UGRAPH_MAIN_DIALOGUE_H

#include "driver/graph_record.h"

namespace ugraph {

enum class Source { keyboard, file, none };

// Writes the three question lines and reads answers until one names a
// source; none when input has ended.
Source ask_source();

// Normalises the graph and writes its summary line.
void print_summary(GraphRecord& g);

// Asks where the graph comes from, loads it, and reports its components.
void run_dialogue();

// Normalises the graph, writes its summary line, indexes its links and
// reports its components, as the dialogue does after loading.
void report_graph(GraphRecord& g);

} // namespace ugraph

#endif

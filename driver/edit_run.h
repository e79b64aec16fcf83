// Edit run (loads a graph, lets the user edit it, and saves it into the data file)
#ifndef UGRAPH_EDIT_RUN_H
#define UGRAPH_EDIT_RUN_H

namespace ugraph {

// The dialogue of `ugraph --edit`: the source question and the chosen input,
// the neighbor-list editor on each link at its lower node, the edited graph's
// report and text, and the question whether to save it. Returns the exit
// status: 0 when saved or declined, 1 when nothing could be loaded or saved.
int run_edit();

} // namespace ugraph

#endif

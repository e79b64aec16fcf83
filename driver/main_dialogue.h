// Main dialogue (one run, from the source question to the final pause)
#ifndef UGRAPH_MAIN_DIALOGUE_H
#define UGRAPH_MAIN_DIALOGUE_H

namespace ugraph {

// Asks where the graph comes from, loads it, and reports its components.
void run_dialogue();

} // namespace ugraph

#endif

// Memory end (ends the run when memory runs out, naming the file being read)
#ifndef UGRAPH_MEMORY_END_H
#define UGRAPH_MEMORY_END_H

namespace ugraph {

// The file whose reading needs the memory, for the message.
void read_memory_for(const char* name);

// Writes "ugraph: FILE: out of memory" and ends the run with status 1, from
// any thread: where memory runs out no caller could go on (operator new, or
// a library that cannot recover).
[[noreturn]] void end_out_of_memory();

// Whether memory running out ends the run even where a reader could still
// return its failure (the DOT reader before cgraph starts): yes unless told,
// as the command line has it; the Python module says no, and raises
// MemoryError from the failure instead.
void set_memory_ends_run(bool ends);
bool memory_ends_run();

} // namespace ugraph

#endif

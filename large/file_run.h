// File run (one FILE as it is read: the stage every caller shares, the writers and the Python
// module)
#ifndef UGRAPH_FILE_RUN_H
#define UGRAPH_FILE_RUN_H

#include <memory>

#include "large/graph_files.h"
#include "large/parallel_pass.h"
#include "large/sniff.h"

namespace ugraph {

// One file as it is read: where from, what it holds, and what it gave.
struct FileRun {
    GraphSource source;
    const GraphFileOptions* options;
    std::uint32_t threads;
    Sniffed sniffed;
    std::unique_ptr<NodeIndex> nodes;
    PassResult pass;
    bool kept; // the links are kept, in the file's order
};

// As many threads as the CPUs this process may run on, up to MAX_THREADS.
std::uint32_t default_threads();

// Opens the file and reads it once, on run.threads threads, as run.options
// say: every node, and every link joined in the forest. The caller closes
// the source, opened or not.
Failure open_and_read(const char* name, FileRun& run);

} // namespace ugraph

#endif

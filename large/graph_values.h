// Graph values (a graph's nodes and components as values, for a caller of its own: the Python
// module)
//
// The command line writes what it reads; a caller of its own takes the
// same stages' values instead: a file read as the command line reads it and
// numbered as --format=labels numbers it, or nodes 0 to n - 1 joined by
// links the caller hands over, in the same forest and numbered the same way.
#ifndef UGRAPH_GRAPH_VALUES_H
#define UGRAPH_GRAPH_VALUES_H

#include "large/component_labels.h"
#include "large/file_run.h"
#include "large/union_find.h"

namespace ugraph {

struct LabelledGraph {
    GraphFileOptions options; // as given, but the format: labels
    FileRun run;              // its nodes and its link count; the source is closed
    ComponentLabels labels;
};

// Reads the file on `threads` threads and numbers its components.
Failure read_labelled_graph(const char* name, const GraphFileOptions& options,
                            std::uint32_t threads, LabelledGraph& graph);

// Nodes 0 to count - 1 (count at most LAST_INDEX - 1), each its own tree,
// node k at index k + 1; nullptr when memory runs out.
std::unique_ptr<NodeIndex> numbered_nodes(std::uint32_t count);

// Joins nodes a and b of numbered_nodes, from any number of threads at once.
inline void join_numbers(NodeIndex& nodes, std::uint32_t a, std::uint32_t b) {
    unite(nodes, a + 1, b + 1);
}

// Work cut into parts numbered from 0: run(context, part) does one.
struct PartedWork {
    void* context;
    void (*run)(void* context, std::uint64_t part);
    std::uint64_t parts;
};

// Does every part, on the calling thread and up to threads - 1 others, each
// taking the next part not taken; on the calling thread alone when no other
// can start.
void run_parts(const PartedWork& work, std::uint32_t threads);

} // namespace ugraph

#endif

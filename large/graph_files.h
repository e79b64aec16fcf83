// Graph files (the components of graph files of any size, one FILE operand after another)
#ifndef UGRAPH_GRAPH_FILES_H
#define UGRAPH_GRAPH_FILES_H

#include <cstdint>

#include "large/edge_dialect.h"

namespace ugraph {

enum class FileFormat { summary, labels, text, json, dot, edges };
enum class InputChoice { from_content, edges, mtx, dot, adjlist, metis, pajek, gml, graphml };

// --component: none, a component's number, or the largest.
struct ComponentChoice {
    bool given;
    bool largest;
    std::uint64_t number;
};

struct GraphFileOptions {
    FileFormat format;
    DialectChoice dialect;   // of an edge list: what the options set
    std::uint32_t threads;   // 1 to MAX_THREADS; 0: as many as the CPUs this process may
                             // run on, up to MAX_THREADS
    bool quiet;              // no progress line
    std::uint64_t blockSize; // bytes a worker takes at a time; 0 for the default
    InputChoice input;
    ComponentChoice component;
    std::uint64_t hashMask; // the bits of an id's hash used; 0 for all. Tests force collisions.
};

// Reads each file (standard input for "-") and writes its results. Returns the
// exit status: 0 when every file was read, 1 when one could not be.
int run_graph_files(char* const* files, int count, const GraphFileOptions& options);

} // namespace ugraph

#endif

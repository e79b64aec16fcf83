// Link pass (reads every line of a graph file once, on every core)
#ifndef UGRAPH_LINK_PASS_H
#define UGRAPH_LINK_PASS_H

#include "large/edge_lines.h"
#include "large/graph_source.h"

namespace ugraph {

struct PassOptions {
    std::uint32_t threads;   // workers, at least 1
    bool progress;           // draw the progress line
    bool keepLinks;          // keep every link for the report formats
    std::uint64_t blockSize; // bytes a worker takes at a time; 0 for the default
    Dialect dialect;         // how an edge list's lines read
    bool matrix;             // the lines are a Matrix Market file's entries
    std::uint64_t rows;      // of a matrix
    std::uint64_t columns;
    LinkVisit visit; // with one thread only: each link in order, instead of joining it
    void* context;
};

struct PassResult {
    std::uint64_t links;         // link records read
    std::vector<LinkStore> kept; // with keepLinks, one store per worker
    std::vector<KeptSpan> spans; // where the kept links stand, in the file's order
    LineFault fault;             // the first fault of the file, none when it reads
    std::uint64_t faultLine;     // its line, from 1
    std::vector<char> faultField;
    int readError; // errno of a failed read, 0 when none
};

// Reads every line of the file into the node index and its forest.
void read_links(GraphSource& source, NodeIndex& nodes, const PassOptions& options,
                PassResult& result);

} // namespace ugraph

#endif

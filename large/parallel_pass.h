// Parallel pass (reads every line of a graph file once, on every core)
//
// Threads. The file is cut into blocks, numbered in the file's order; each
// reader (the calling thread, and the threads it starts) takes blocks one at
// a time, parses them and hands each batch of links to its own sink. A
// regular file's blocks are claimed with one atomic counter and read with
// pread; a stream's are read front to back by the calling thread into a
// ring of buffers (the block queue) that the other readers take from, and
// the calling thread reads a queued block itself whenever it would
// otherwise wait, so a pass whose threads could not start reads every block
// on the calling thread, in order. Readers share only the node index (see
// its Threads paragraph), the counters below and the block queue; each
// keeps its parser, its sink, its buffer and its record of blocks read.
// A fault stops the work on every later block, while every earlier block is
// read, so the fault reported is the file's first. Everything a reader kept
// is read by the calling thread after it has joined them all.
#ifndef UGRAPH_PARALLEL_PASS_H
#define UGRAPH_PARALLEL_PASS_H

#include "large/edge_list_output.h"
#include "large/edge_parser.h"
#include "large/graph_source.h"
#include "large/link_store.h"

namespace ugraph {

struct PassOptions {
    std::uint32_t threads;   // readers, at least 1
    bool progress;           // draw the progress line
    bool keepLinks;          // keep every link for the report formats
    std::uint64_t blockSize; // bytes a reader takes at a time; 0 for the default
    LineGrammar grammar;
};

struct PassResult {
    std::uint64_t links;         // link records read
    std::vector<LinkStore> kept; // with keepLinks, one store per reader
    std::vector<KeptSpan> spans; // where the kept links stand, in the file's order
    Failure failure;             // the file's first fault, its line counted from the
                                 // source's start; or a failed read
};

// Reads every line of the file into the node index and its forest.
void read_links(GraphSource& source, NodeIndex& nodes, const PassOptions& options,
                PassResult& result);

// Reads the lines again, on the calling thread alone, and shows every link
// to the output in the file's order.
Failure replay_links(GraphSource& source, NodeIndex& nodes, const PassOptions& options,
                     EdgeOutput& out);

} // namespace ugraph

#endif

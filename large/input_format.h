// Input format (tells an edge list, a Matrix Market file and a DOT graph apart)
#ifndef UGRAPH_INPUT_FORMAT_H
#define UGRAPH_INPUT_FORMAT_H

#include "large/graph_source.h"

namespace ugraph {

enum class InputFormat { edges, mtx, dot };

// The format the text's first bytes show: a first line that begins with
// %%MatrixMarket, a first token (after blanks and comments) of graph, digraph
// or strict, or else an edge list. False when a read fails.
bool detect_input_format(GraphSource& source, InputFormat& format);

// A Matrix Market file's banner and size line.
struct MatrixHeader {
    std::uint64_t rows;
    std::uint64_t columns;
    std::uint64_t entries;
    std::uint64_t sizeLine; // the size line's number
};

// Reads the banner and the size line, and sets the source's start after
// them. False after "ugraph: FILE:LINE: " and what is wrong.
bool read_matrix_header(GraphSource& source, MatrixHeader& header);

} // namespace ugraph

#endif

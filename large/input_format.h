// Input format (tells edge lists, Matrix Market, DOT, Pajek, GML and GraphML apart)
#ifndef UGRAPH_INPUT_FORMAT_H
#define UGRAPH_INPUT_FORMAT_H

#include "large/graph_source.h"

namespace ugraph {

enum class InputFormat { edges, mtx, dot, adjlist, metis, pajek, gml, graphml };

// Bytes at a text's start that tell it is no graph file.
inline constexpr std::uint64_t BINARY_LOOK = 1U << 16;

// What the text's first bytes (up to BINARY_LOOK of them) show it to be when
// it is no graph: compressed data (xz, bzip2 or zstd inside a decompressed
// text), an archive, a program, a document, an image, or binary data (a NUL
// byte); nullptr for text.
const char* binary_kind(const char* bytes, std::size_t size);

// The format the text's first bytes show: a first line that begins with
// %%MatrixMarket, a first token (after blanks and comments) of graph, digraph
// or strict (but graph [ is GML's), a first line *Vertices or *Network
// (Pajek), a first XML element graphml (after the declaration, comments and
// a DOCTYPE), or else an edge list.
Failure detect_input_format(GraphSource& source, InputFormat& format);

// A Matrix Market file's banner and size line.
struct MatrixHeader {
    std::uint64_t rows;
    std::uint64_t columns;
    std::uint64_t entries;
    std::uint64_t sizeLine; // the size line's number
};

// Reads the banner and the size line, and sets the source's start after
// them; a failure names the line that is wrong.
Failure read_matrix_header(GraphSource& source, MatrixHeader& header);

} // namespace ugraph

#endif

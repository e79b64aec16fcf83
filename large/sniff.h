// Sniff (what a graph file holds and how its lines read, decided in one place before the pass)
#ifndef UGRAPH_SNIFF_H
#define UGRAPH_SNIFF_H

#include "large/edge_parser.h"
#include "large/graph_files.h"
#include "large/graph_source.h"
#include "large/input_format.h"
#include "large/metis_reader.h"
#include "large/pajek_reader.h"

namespace ugraph {

// The input format, as the options set it or the first bytes show it; of a
// Matrix Market file its header, of an edge list its dialect; the kind of
// its ids, and the numbers that get a direct word.
struct Sniffed {
    InputFormat format;
    MatrixHeader matrix;
    MetisHeader metis;
    PajekOrder pajek;
    LineGrammar grammar;
    IdKind ids;
    std::uint32_t directIds; // numbers below it are direct (a matrix's: 1 to its order)
    std::uint64_t lineBase;  // lines before the links: a header, a banner and size line
    std::uint64_t numbered;  // nodes 1 to it are nodes, linked or not (Matrix Market, Pajek)
};

// Reads as much of the text's start as it takes to tell, refusing a text that
// is no graph file. The source's start is set where the links begin, and a
// text whose lines end in lone carriage returns is read with newlines.
Failure sniff(GraphSource& source, const GraphFileOptions& options, Sniffed& sniffed);

} // namespace ugraph

#endif

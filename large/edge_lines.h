// Edge lines (reads the links of an edge list, one line at a time)
#ifndef UGRAPH_EDGE_LINES_H
#define UGRAPH_EDGE_LINES_H

#include "large/edge_dialect.h"
#include "large/link_store.h"
#include "large/node_index.h"

namespace ugraph {

// Bytes a span's buffer holds past its end, for reading whole words there.
inline constexpr std::size_t SPAN_SLACK = 16;

enum class LineFault {
    none,
    empty_id,
    not_a_number,
    too_large,
    unclosed_quote,
    no_room,
    no_field,  // a line without the field of its first id
    bad_entry, // a Matrix Market entry without its row and column
    outside    // a Matrix Market entry outside the matrix
};

enum class NumberText { number, not_a_number, too_large };

// The decimal number that [begin, end) spells: digits only, leading zeros
// adding nothing, below 2^63.
NumberText read_number(const char* begin, const char* end, std::uint64_t& value);

// A look at one link of a file read a second time.
using LinkVisit = void (*)(void* context, std::uint32_t a, std::uint32_t b);

// One worker's reading: the links it read, the links it keeps when `kept`
// is given, and where it stopped. The lines read as `dialect` says, or, with
// `matrix`, as the entries of a Matrix Market file of `rows` rows and
// `columns` columns. With `visit` the links are shown to it instead of joined.
struct EdgeReader {
    NodeIndex* nodes;
    NodeMaker maker; // the worker's own, for new hashed nodes
    LinkStore* kept;
    Dialect dialect;
    bool matrix;
    std::uint64_t rows;
    std::uint64_t columns;
    LinkVisit visit;
    void* context;
    std::uint64_t links; // link records read
    std::uint64_t lines; // lines of the span read before the fault
    LineFault fault;
    std::vector<char> field; // the field a fault names, or the number of one missing;
                             // also a name with "" unescaped
};

// Reads the lines of [begin, end), which ends with a newline and stands at
// `position` in the file: each link's nodes are joined in the node index's
// forest, each node alone on its line becomes a node. False at the first
// fault, with reader.lines the number of the lines before it. Only inside
// the node index's table (enter_table); the table may grow between batches.
bool read_edge_lines(EdgeReader& reader, const char* begin, const char* end,
                     std::uint64_t position);

} // namespace ugraph

#endif

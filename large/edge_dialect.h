// Edge dialect (the shape of an edge list: separator, header, id columns, id kind)
#ifndef UGRAPH_EDGE_DIALECT_H
#define UGRAPH_EDGE_DIALECT_H

#include <cstddef>
#include <cstdint>

#include "large/edge_fields.h"
#include "large/graph_source.h"
#include "large/node_index.h"

namespace ugraph {

enum class IdChoice { from_file, numbers, names };
enum class HeaderChoice { from_file, yes, no };

// What the options set; the rest is found from the file.
struct DialectChoice {
    IdChoice ids;
    char separator; // 0: found; BLANKS; or the one byte that separates fields
    HeaderChoice header;
    std::uint32_t first; // 1-based field of a link's first id; 0: found (with second)
    std::uint32_t second;
};

// How every line of one edge list is read.
struct Dialect {
    char separator;
    std::uint32_t first; // 0-based fields of the two ids
    std::uint32_t second;
};

// The file's whole shape: how its lines read, and where its links begin.
struct EdgeShape {
    Dialect dialect;
    IdKind ids;
    std::uint64_t start;   // after a header line, or 0
    std::uint64_t skipped; // the lines before start
};

// Whether two words name a header's id columns: source and target, from and
// to, or src and dst, in any case, in either order.
bool names_id_columns(const char* a, std::size_t aLength, const char* b, std::size_t bLength);

// The data of the first 64 KiB of a text decide whether its ids are numbers.
inline constexpr std::uint64_t ID_LOOK = 1U << 16;

// Finds the shape from the text's first lines, read into the source's head:
// the separator and a header from the first data line (the first line that
// is not blank and not a comment), the ids from the first 64 KiB.
Failure find_edge_shape(GraphSource& source, const DialectChoice& choice, EdgeShape& shape);

} // namespace ugraph

#endif

// Edge parser (reads the lines of an edge list or a Matrix Market file into batches of links)
#ifndef UGRAPH_EDGE_PARSER_H
#define UGRAPH_EDGE_PARSER_H

#include <array>

#include "large/edge_dialect.h"
#include "large/failure.h"
#include "large/node_index.h"

namespace ugraph {

// Bytes a span's buffer holds past its end, for reading whole words there.
inline constexpr std::size_t SPAN_SLACK = 16;

// How every line of one file reads: as `dialect` says, or, with `matrix`,
// as the entries of a Matrix Market file of `rows` rows and `columns` columns;
// with `adjacency`, a line's first field is a node and every further field a
// link from it (the dialect's separator and ids, its columns unused).
struct LineGrammar {
    Dialect dialect;
    bool matrix;
    std::uint64_t rows;
    std::uint64_t columns;
    bool adjacency;
};

enum class NumberText { number, not_a_number, too_large };

// The decimal number that [begin, end) spells: digits only, leading zeros
// adding nothing, below 2^63.
NumberText read_number(const char* begin, const char* end, std::uint64_t& value);

inline constexpr std::uint32_t LINK_BATCH = 64; // lines read before their links go on

// A hashed id read but not yet looked up: its index goes to `node`.
struct PendingId {
    std::uint32_t* node;
    std::uint64_t hash;
    std::uint64_t number; // a number, or where a name stands in the file
    const char* name;     // in the span; nullptr for a number
    std::uint32_t length;
};

// The links of up to LINK_BATCH lines as node indexes: from[i] and to[i],
// to[i] 0 for a node alone on its line. A hashed node is made as it is
// found; a direct number's index is its number plus one, made a node by
// the sink that takes it (mark_node). The hashed ids
// of a batch are looked up together, after its lines are read: each stage
// fetches what the next one reads for every id, so their misses overlap.
struct LinkBatch {
    std::uint32_t count;
    std::array<std::uint32_t, LINK_BATCH> from;
    std::array<std::uint32_t, LINK_BATCH> to;
    std::uint32_t pending;
    std::array<PendingId, std::size_t{2} * LINK_BATCH> ids;
};

// The bytes that end a bare name on a usual line of names.
using NameStops = std::array<bool, 256>;

// One reader's parser: its grammar, and what it keeps of its own.
struct EdgeParser {
    NodeIndex* nodes;
    NodeMaker maker; // for new hashed nodes
    LineGrammar grammar;
    bool usual;     // lines may be usual ones: two ids, those of a link, nothing around them
    char separator; // of a usual line
    NameStops stops;
    FailureKind fault;       // of the last batch, none when it read
    std::vector<char> field; // the field a fault names, or the number of one missing;
                             // also a name with "" unescaped
    const char* head;        // the first field of an adjacency line that goes on in the next
                             // batch, which starts at the span's `at`; else nullptr
};

void start_parser(EdgeParser& parser, NodeIndex& nodes, const LineGrammar& grammar);

// Lines of the file not read yet: [at, end), which ends with a newline,
// from `begin`, which stands at `position` in the file; `lines` counts the
// lines read.
struct Span {
    const char* at;
    const char* begin;
    const char* end;
    std::uint64_t position;
    std::uint64_t lines;
};

// Reads the span's next lines into the batch, until it is full or the span
// ends: the ids become node indexes; an adjacency line of more links than
// the batch has room for goes on in the next one. False at a
// fault (parser.fault), with span.lines the lines before it. Only inside the
// node index's table (enter_table); between batches the table may grow.
bool parse_batch(EdgeParser& parser, Span& span, LinkBatch& batch);

} // namespace ugraph

#endif

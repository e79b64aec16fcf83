// Failure (why a graph file was not read or written: one value every stage returns)
#ifndef UGRAPH_FAILURE_H
#define UGRAPH_FAILURE_H

#include <cstdint>
#include <vector>

namespace ugraph {

enum class FailureKind {
    none,
    system,        // a call failed: `error` holds its errno
    damaged,       // compressed data that does not decompress
    cut_off,       // compressed data that ends too soon
    out_of_memory, // the memory a table or a list needs is not there
    full,          // more nodes than a node index can hold
    not_graph,     // `text` says what the file is instead
    // Faults of one line, `line`; `text` is the field they name, when any.
    empty_id,
    not_a_number,
    too_large,
    unclosed_quote,
    no_field,     // the line has no field `text` (a 1-based number)
    bad_entry,    // a Matrix Market entry without its row and column
    outside,      // an entry outside the matrix of figures[0] rows, figures[1] columns
    header,       // a Matrix Market banner or size line: `text` says what is wrong
    syntax,       // a Pajek or GML text: `text` says what is wrong
    entries,      // the size line gives figures[0] entries, the file holds figures[1]
    neighbour,    // a METIS neighbour, `text`, that is no node from 1 to figures[0]
    one_sided,    // node figures[0] lists node figures[1], whose line does not list it
    node_lines,   // the METIS header gives figures[0] nodes, the file has figures[1] lines
    link_count,   // the METIS header gives figures[0] links, the file holds figures[1]
    weights,      // a METIS line without a weight: `text` says which
    xml,          // expat refused the text: `text` is its message
    graphml,      // a GraphML document: `text` says what is wrong
    dot,          // cgraph refused the text: `text` is its message, `line` 0 when it names none
    no_cgraph,    // DOT without the library that reads it
    no_expat,     // GraphML without the library that reads it
    no_library,   // the shared library that reads the file, `text`, does not open
    no_component, // the file has figures[0] components, not figures[1] (0: largest)
    line_break,   // a name, `text`, that an edge list cannot hold
};

struct Failure {
    FailureKind kind;
    int error;
    std::uint64_t line; // from 1; 0 for a failure of the whole file
    std::vector<char> text;
    std::uint64_t figures[2];
};

inline bool failed(const Failure& f) {
    return f.kind != FailureKind::none;
}

inline Failure failure(FailureKind kind, std::uint64_t line = 0) {
    return Failure{kind, 0, line, {}, {0, 0}};
}

inline Failure system_failure(int error) {
    return Failure{FailureKind::system, error, 0, {}, {0, 0}};
}

Failure text_failure(FailureKind kind, std::uint64_t line, const char* begin, const char* end);

// A failure whose text is printf's of the format, its first 199 bytes.
[[gnu::format(printf, 3, 4)]] Failure printed_failure(FailureKind kind, std::uint64_t line,
                                                      const char* format, ...);

// Writes "ugraph: FILE[:LINE]: " and the reason, one line on the error stream:
// the one place a failure of the any-size room is told.
void report(const char* file, const Failure& f);

} // namespace ugraph

#endif

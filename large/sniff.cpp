// Sniff (what a graph file holds and how its lines read, decided in one place before the pass)
#include "large/sniff.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "large/direct_range.h"

namespace ugraph {

// A text that is no graph file is refused before it is read as one.
static Failure refuse_binary(GraphSource& source) {
    if (!peek_head(source, BINARY_LOOK)) {
        return read_failure(source, errno);
    }
    const char* kind = binary_kind(source.head.data(), source.head.size());
    if (kind != nullptr) {
        return text_failure(FailureKind::not_graph, 0, kind, kind + std::strlen(kind));
    }
    return failure(FailureKind::none);
}

static InputFormat chosen_format(InputChoice input, InputFormat found) {
    if (input == InputChoice::adjlist || input == InputChoice::metis) {
        return input == InputChoice::adjlist ? InputFormat::adjlist : InputFormat::metis;
    }
    return input == InputChoice::edges     ? InputFormat::edges
           : input == InputChoice::mtx     ? InputFormat::mtx
           : input == InputChoice::dot     ? InputFormat::dot
           : input == InputChoice::pajek   ? InputFormat::pajek
           : input == InputChoice::gml     ? InputFormat::gml
           : input == InputChoice::graphml ? InputFormat::graphml
                                           : found;
}

// A METIS file's nodes are 1 to n.
static Failure sniff_metis(GraphSource& source, Sniffed& s) {
    Failure f = read_metis_header(source, s.metis);
    s.ids = IdKind::numbers;
    s.directIds = static_cast<std::uint32_t>(s.metis.nodes + 1);
    return f;
}

// A Matrix Market file's nodes are 1 to the larger of its rows and columns.
static Failure sniff_matrix(GraphSource& source, Sniffed& s) {
    Failure f = read_matrix_header(source, s.matrix);
    const std::uint64_t n = std::max(s.matrix.rows, s.matrix.columns);
    s.grammar = LineGrammar{Dialect{BLANKS, 0, 1}, true, s.matrix.rows, s.matrix.columns, false};
    s.ids = IdKind::numbers;
    s.directIds = static_cast<std::uint32_t>(n + 1);
    s.lineBase = s.matrix.sizeLine;
    s.numbered = n;
    return f;
}

// A Pajek network's nodes are 1 to its *Vertices count.
static Failure sniff_pajek(GraphSource& source, Sniffed& s) {
    Failure f = read_pajek_order(source, s.pajek);
    s.ids = IdKind::numbers;
    s.directIds = static_cast<std::uint32_t>(s.pajek.nodes + 1);
    s.numbered = s.pajek.nodes;
    return f;
}

// The bytes of the text after the first `read` of it, or a floor of them:
// a gzip file's text is at least as long as the compressed bytes not yet
// read (text compresses); 0 for a stream whose length is not known.
static std::uint64_t text_after(const GraphSource& source, std::uint64_t read) {
    if (source.regular) {
        const std::uint64_t text = source.size - source.skip;
        return text > read ? text - read : 0;
    }
    if (source.compressed && !source.decoder && source.size > source.consumed) {
        return source.size - source.consumed;
    }
    return 0;
}

// An edge list's lines read as its first lines show, or as the options say;
// the direct range of numbers follows what the first lines show. An
// adjacency list's lines have no header, and its first two fields tell its ids.
static Failure sniff_edges(GraphSource& source, DialectChoice choice, bool adjacency, Sniffed& s) {
    if (adjacency) {
        choice.header = HeaderChoice::no;
        choice.first = 0;
        choice.second = 0;
    }
    EdgeShape shape{};
    Failure f = find_edge_shape(source, choice, shape);
    if (failed(f)) {
        return f;
    }
    source.start = shape.start;
    s.grammar = LineGrammar{shape.dialect, false, 0, 0, adjacency};
    s.ids = shape.ids;
    s.lineBase = shape.skipped;
    s.directIds = DIRECT_IDS;
    if (shape.ids == IdKind::numbers) {
        const std::vector<char>& head = source.head;
        const std::uint64_t end = std::min<std::uint64_t>(head.size(), shape.start + RANGE_LOOK);
        s.directIds = direct_range(head.data() + shape.start, head.data() + end, shape.dialect,
                                   text_after(source, end));
    }
    return f;
}

Failure sniff(GraphSource& source, const GraphFileOptions& options, Sniffed& sniffed) {
    sniffed = Sniffed{};
    Failure f = refuse_binary(source);
    InputFormat found = InputFormat::edges;
    if (failed(f)) {
        return f;
    }
    if (options.input == InputChoice::from_content) {
        f = detect_input_format(source, found);
        if (failed(f)) {
            return f;
        }
    }
    sniffed.format = chosen_format(options.input, found);
    if (sniffed.format == InputFormat::dot || sniffed.format == InputFormat::graphml) {
        sniffed.ids = IdKind::names; // their parsers read every line end themselves
        return f;
    }
    f = settle_line_ends(source);
    if (failed(f)) {
        return f;
    }
    if (sniffed.format == InputFormat::metis) {
        return sniff_metis(source, sniffed);
    }
    if (sniffed.format == InputFormat::pajek) {
        return sniff_pajek(source, sniffed);
    }
    if (sniffed.format == InputFormat::gml) {
        sniffed.ids = IdKind::names; // the nodes' order is the file's
        return f;
    }
    return sniffed.format == InputFormat::mtx
               ? sniff_matrix(source, sniffed)
               : sniff_edges(source, options.dialect, sniffed.format == InputFormat::adjlist,
                             sniffed);
}

} // namespace ugraph

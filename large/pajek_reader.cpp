// Pajek reader (a Pajek .net network, read front to back on one thread into a link sink)
#include "large/pajek_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "large/edge_fields.h"
#include "large/link_sinks.h"
#include "large/text_lines.h"

namespace ugraph {

enum class Section { none, vertices, pairs, lists, matrix, ended };

static bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

// The next word of a line from p on, blanks passed over; empty at its end.
static std::string_view next_word(const char*& p, const char* end) {
    while (p < end && is_space(*p)) {
        p++;
    }
    const char* word = p;
    while (p < end && !is_space(*p)) {
        p++;
    }
    return {word, static_cast<std::size_t>(p - word)};
}

// The section a star line opens: its letters after the star, in any case
// (*Arcs :2 "name" is an *Arcs section of relation 2).
static std::string_view star_word(const char* line, const char* end) {
    const char* p = line;
    while (p < end && is_space(*p)) {
        p++;
    }
    if (p == end || *p != '*') {
        return {};
    }
    const char* word = ++p;
    while (p < end && ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z'))) {
        p++;
    }
    return {word, static_cast<std::size_t>(p - word)};
}

static bool is_star(std::string_view word, const char* name) {
    return !word.empty() && same_word(word.data(), word.size(), name);
}

bool opens_pajek(const char* line, const char* end) {
    const std::string_view word = star_word(line, end);
    return is_star(word, "vertices") || is_star(word, "network");
}

// A line with nothing to read: blank, or a % comment.
static bool is_empty_line(const char* line, const char* end) {
    const char* p = line;
    while (p < end && is_space(*p)) {
        p++;
    }
    return p == end || *p == '%';
}

static Failure read_vertices_line(const char* line, const char* end, std::uint64_t number,
                                  PajekOrder& order) {
    const char* p = line;
    next_word(p, end); // *Vertices
    const std::string_view n = next_word(p, end);
    const std::string_view rows = next_word(p, end);
    order.rows = 0;
    if (n.empty() ||
        read_number(n.data(), n.data() + n.size(), order.nodes) != NumberText::number ||
        (!rows.empty() &&
         (read_number(rows.data(), rows.data() + rows.size(), order.rows) != NumberText::number ||
          order.rows > order.nodes))) {
        return printed_failure(FailureKind::syntax, number,
                               "*Vertices must give the number of nodes (and of a two-mode "
                               "network's first mode)");
    }
    if (order.nodes >= LAST_INDEX - 1) {
        return printed_failure(FailureKind::syntax, number, "more nodes than ugraph can hold (%u)",
                               LAST_INDEX - 2);
    }
    return failure(FailureKind::none);
}

// Reads the head's lines up to *Vertices: true when it is found or refused,
// false when the head must grow to tell.
static bool scan_pajek_order(const GraphSource& source, PajekOrder& order, Failure& f) {
    const char* p = source.head.data();
    const char* end = p + source.head.size();
    const bool whole = head_is_whole(source);
    bool network = false;
    std::uint64_t line = 1;
    for (; p < end; line++) {
        const char* next =
            static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (next == nullptr && !whole) {
            return false;
        }
        const char* lineEnd = next != nullptr ? next : end;
        const std::string_view word = star_word(p, lineEnd);
        if (is_star(word, "vertices")) {
            f = read_vertices_line(p, lineEnd, line, order);
            return true;
        }
        if (!is_empty_line(p, lineEnd) && (network || !is_star(word, "network"))) {
            f = printed_failure(FailureKind::syntax, line,
                                "a Pajek network begins with *Vertices N");
            return true;
        }
        network = network || is_star(word, "network");
        p = next != nullptr ? next + 1 : end;
    }
    if (whole) {
        f = printed_failure(FailureKind::syntax, line, "a Pajek network begins with *Vertices N");
    }
    return whole;
}

Failure read_pajek_order(GraphSource& source, PajekOrder& order) {
    Failure f = failure(FailureKind::none);
    if (!peek_until(source, 1U << 16,
                    [&source, &order, &f] { return scan_pajek_order(source, order, f); })) {
        return read_failure(source, errno);
    }
    return f;
}

// One network being read: where it stands, and the links not yet sunk.
struct PajekRead {
    const PajekOrder* order;
    Section section;
    std::uint64_t row; // of a *Matrix section, the row last read
    std::uint64_t line;
    LinkBatch batch;
    ForestSink sink;
};

static Failure add_link(PajekRead& r, std::uint64_t a, std::uint64_t b) {
    r.batch.from[r.batch.count] = static_cast<std::uint32_t>(a + 1);
    r.batch.to[r.batch.count] = static_cast<std::uint32_t>(b + 1);
    r.batch.count++;
    if (r.batch.count == LINK_BATCH) {
        const bool taken = take_batch(r.sink, r.batch);
        r.batch.count = 0;
        if (!taken) {
            return failure(FailureKind::out_of_memory);
        }
    }
    return failure(FailureKind::none);
}

// A node's number, 1 to the order.
static Failure node_number(const PajekRead& r, std::string_view word, std::uint64_t& number) {
    const NumberText read = read_number(word.data(), word.data() + word.size(), number);
    if (read == NumberText::not_a_number) {
        return printed_failure(FailureKind::syntax, r.line, "'%.*s' is not a node number",
                               static_cast<int>(word.size()), word.data());
    }
    if (read == NumberText::too_large || number < 1 || number > r.order->nodes) {
        return printed_failure(FailureKind::syntax, r.line, "node %.*s is outside 1 to %llu",
                               static_cast<int>(word.size()), word.data(),
                               static_cast<unsigned long long>(r.order->nodes));
    }
    return failure(FailureKind::none);
}

// a b [weight ...], or a b c ... of a list: a to each of the others.
static Failure read_link_line(PajekRead& r, const char* p, const char* end) {
    std::uint64_t a = 0;
    Failure f = node_number(r, next_word(p, end), a);
    std::string_view word = next_word(p, end);
    if (!failed(f) && word.empty() && r.section == Section::pairs) {
        return printed_failure(FailureKind::syntax, r.line,
                               "a link line must give two node numbers");
    }
    while (!failed(f) && !word.empty()) {
        std::uint64_t b = 0;
        f = node_number(r, word, b);
        f = failed(f) ? f : add_link(r, a, b);
        word = r.section == Section::pairs ? std::string_view{} : next_word(p, end);
    }
    return f;
}

// Whether a matrix entry is zero: "0", "0.0", "-0", "0e3", "0x0p3" and the
// like, all its digits before the exponent zeros (strtod reads hexadecimal too).
static bool is_zero(std::string_view word) {
    std::size_t at = !word.empty() && (word[0] == '+' || word[0] == '-') ? 1 : 0;
    const bool hex = word.size() > at + 1 && word[at] == '0' && (word[at + 1] | 0x20) == 'x';
    for (at += hex ? 2 : 0; at < word.size(); at++) {
        const char c = static_cast<char>(word[at] | 0x20);
        if (c == (hex ? 'p' : 'e')) {
            return true;
        }
        if (word[at] != '0' && word[at] != '.') {
            return false;
        }
    }
    return true;
}

static bool is_matrix_entry(std::string_view word) {
    char* stop = nullptr;
    const std::string text(word);
    std::strtod(text.c_str(), &stop);
    return stop == text.c_str() + text.size();
}

// Row r.row of the matrix: a non-zero in column j links the row to j (of a
// two-mode network, to the second mode's j-th node).
static Failure read_matrix_row(PajekRead& r, const char* p, const char* end) {
    const std::uint64_t rows = r.order->rows != 0 ? r.order->rows : r.order->nodes;
    const std::uint64_t shift = r.order->rows;
    if (++r.row > rows) {
        return printed_failure(FailureKind::syntax, r.line,
                               "the matrix has more rows than its %llu",
                               static_cast<unsigned long long>(rows));
    }
    Failure f = failure(FailureKind::none);
    for (std::uint64_t column = 1; !failed(f); column++) {
        const std::string_view word = next_word(p, end);
        if (word.empty()) {
            break;
        }
        if (!is_matrix_entry(word)) {
            return printed_failure(FailureKind::syntax, r.line, "'%.*s' is not a matrix entry",
                                   static_cast<int>(word.size()), word.data());
        }
        if (shift + column > r.order->nodes) {
            return printed_failure(FailureKind::syntax, r.line,
                                   "the matrix row has more columns than its %llu",
                                   static_cast<unsigned long long>(r.order->nodes - shift));
        }
        f = is_zero(word) ? f : add_link(r, r.row, shift + column);
    }
    return f;
}

// A star line opens the next section; one that holds no links ends the network.
static void open_section(PajekRead& r, std::string_view word) {
    const bool first = r.section == Section::none;
    r.section = is_star(word, "vertices") && first                        ? Section::vertices
                : is_star(word, "network") && first                       ? Section::none
                : is_star(word, "edges") || is_star(word, "arcs")         ? Section::pairs
                : is_star(word, "edgeslist") || is_star(word, "arcslist") ? Section::lists
                : is_star(word, "matrix")                                 ? Section::matrix
                                                                          : Section::ended;
    r.row = 0;
}

static Failure read_line(PajekRead& r, const char* line, const char* end) {
    if (is_empty_line(line, end)) {
        return failure(FailureKind::none);
    }
    const std::string_view word = star_word(line, end);
    if (word.data() != nullptr) {
        open_section(r, word);
        return failure(FailureKind::none);
    }
    switch (r.section) {
    case Section::pairs:
    case Section::lists:
        return read_link_line(r, line, end);
    case Section::matrix:
        return read_matrix_row(r, line, end);
    default: // vertex lines: the nodes are all there already
        return failure(FailureKind::none);
    }
}

Failure read_pajek_links(GraphSource& source, const PajekOrder& order, NodeIndex& nodes, bool keep,
                         PassResult& result, bool progress) {
    result = PassResult{};
    PajekRead r{};
    r.order = &order;
    r.sink = ForestSink{&nodes, keep, {}, 0};
    TextLines lines{};
    start_lines(lines, source, "reading Pajek", progress);
    std::string_view line;
    Failure f = failure(FailureKind::none);
    while (!failed(f) && r.section != Section::ended && next_line(lines, line, f)) {
        r.line = lines.line;
        f = read_line(r, line.data(), line.data() + line.size());
    }
    end_lines(lines);
    if (!failed(f) && r.batch.count != 0 && !take_batch(r.sink, r.batch)) {
        f = failure(FailureKind::out_of_memory);
    }
    result.links = r.sink.links;
    result.spans.push_back({0, 0, 0, r.sink.kept.count});
    result.kept.push_back(std::move(r.sink.kept));
    return f;
}

} // namespace ugraph

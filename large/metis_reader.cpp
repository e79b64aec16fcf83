// METIS reader (a METIS graph file: its header, then the neighbours of node i on its i-th line)
//
// Line i's node is its number among the node lines, so the lines are read
// in order, on one thread. A link (i, j), i < j, goes to the forest from
// line i, and waits in a table, keyed by its two nodes, until line j lists
// it too: the table holds only the links whose higher line is still to
// come, and is gone once the file is read.
#include "large/metis_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <string>
#include <unordered_map>

#include "large/link_sinks.h"

namespace ugraph {

static bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The next field of the line at p, [begin, end); false at the line's end.
static bool next_field(const char*& p, const char*& begin, const char*& end) {
    while (is_space(*p)) {
        p++;
    }
    begin = p;
    while (!is_space(*p) && *p != '\n') {
        p++;
    }
    end = p;
    return begin != end;
}

static bool is_comment(const char* p) {
    return *p == '%';
}

// The text ends with a newline, so there is one at or after p.
static const char* line_after(const char* p, const char* last) {
    return static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(last - p))) + 1;
}

// The whole text from the source's start, its last line ending with a newline, then a NUL.
static bool read_text(GraphSource& source, std::vector<char>& text) {
    if (!peek_until(source, 1U << 16, [] { return false; })) {
        return false;
    }
    // A header on the text's last line, without its newline, ends past it.
    const std::uint64_t start = std::min<std::uint64_t>(source.start, source.head.size());
    text.assign(source.head.begin() + static_cast<std::ptrdiff_t>(start), source.head.end());
    if (!text.empty() && text.back() != '\n') {
        text.push_back('\n');
    }
    text.push_back('\0');
    return true;
}

static Failure header_failure(std::uint64_t line, const char* reason) {
    return text_failure(FailureKind::header, line, reason, reason + std::strlen(reason));
}

static bool number_field(const char*& p, std::uint64_t& value) {
    const char* begin = nullptr;
    const char* end = nullptr;
    return next_field(p, begin, end) && read_number(begin, end, value) == NumberText::number;
}

// fmt: up to three digits, each 0 or 1.
static bool read_fmt(const char* begin, const char* end, bool digits[3]) {
    if (end - begin > 3) {
        return false;
    }
    digits[0] = digits[1] = digits[2] = false;
    for (int k = 0; begin + k < end; k++) {
        const char c = end[-1 - k];
        if (c != '0' && c != '1') {
            return false;
        }
        digits[k] = c == '1';
    }
    return true;
}

// The fields after n and m: fmt, and ncon when fmt has vertex weights.
static Failure header_rest(const char* p, MetisHeader& h) {
    const char* begin = nullptr;
    const char* end = nullptr;
    bool digits[3] = {false, false, false};
    if (next_field(p, begin, end) && !read_fmt(begin, end, digits)) {
        return header_failure(h.line, "fmt must be up to three digits, each 0 or 1");
    }
    std::uint64_t weights = digits[1] ? 1 : 0;
    if (next_field(p, begin, end)) {
        if (!digits[1] || read_number(begin, end, weights) != NumberText::number) {
            return header_failure(h.line, "ncon must be a number, given with vertex weights");
        }
    }
    if (next_field(p, begin, end)) {
        return header_failure(h.line, "the header must be n m [fmt [ncon]]");
    }
    h.skipped = (digits[2] ? 1 : 0) + weights;
    h.linkWeights = digits[0];
    return failure(FailureKind::none);
}

Failure read_metis_header(GraphSource& source, MetisHeader& header) {
    header = MetisHeader{};
    std::vector<char> text;
    source.start = 0;
    const bool read = read_text(source, text);
    if (!read) {
        return read_failure(source, errno);
    }
    const char* p = text.data();
    const char* last = text.data() + text.size() - 1;
    for (header.line = 1; p < last && is_comment(p); header.line++) {
        p = line_after(p, last);
    }
    if (p == last) {
        return header_failure(header.line, "the header line n m [fmt [ncon]] is missing");
    }
    if (!number_field(p, header.nodes) || !number_field(p, header.links)) {
        return header_failure(header.line, "the header must give the nodes and the links");
    }
    source.start = static_cast<std::uint64_t>(line_after(p, last) - text.data());
    Failure f = header_rest(p, header);
    if (!failed(f) && header.nodes >= std::numeric_limits<std::uint32_t>::max() - 1) {
        return failure(FailureKind::full); // node i + 1 is its index
    }
    return f;
}

// A link (i, j), i < j, listed on line i and waiting for line j: how many
// times, and line i's number in the file.
struct Waiting {
    std::uint64_t count;
    std::uint64_t line;
};

struct MetisRun {
    const MetisHeader* header;
    ForestSink sink;
    LinkBatch batch;
    std::unordered_map<std::uint64_t, Waiting> waiting;
    std::uint64_t node; // the node of the line being read
    std::uint64_t line; // its number in the file
};

static std::uint64_t link_key(std::uint64_t low, std::uint64_t high) {
    return (low << 32) | high;
}

static bool flush_batch(MetisRun& r) {
    const bool taken = take_batch(r.sink, r.batch);
    r.batch.count = 0;
    return taken;
}

// Node i's index is i + 1: the nodes are direct numbers.
static bool add_link(MetisRun& r, std::uint64_t a, std::uint64_t b) {
    r.batch.from[r.batch.count] = static_cast<std::uint32_t>(a + 1);
    r.batch.to[r.batch.count] = static_cast<std::uint32_t>(b + 1);
    r.batch.count++;
    return r.batch.count < LINK_BATCH || flush_batch(r);
}

static Failure one_sided(std::uint64_t line, std::uint64_t lister, std::uint64_t listed) {
    Failure f = failure(FailureKind::one_sided, line);
    f.figures[0] = lister;
    f.figures[1] = listed;
    return f;
}

// A neighbour j of node i: the link from the lower line, ticked off from the higher.
static Failure take_neighbour(MetisRun& r, std::uint64_t j) {
    const std::uint64_t i = r.node;
    if (j >= i) {
        if (j > i) {
            Waiting& w = r.waiting[link_key(i, j)];
            w.count++;
            w.line = r.line;
        }
        return failure(add_link(r, i, j) ? FailureKind::none : FailureKind::out_of_memory);
    }
    const auto found = r.waiting.find(link_key(j, i));
    if (found == r.waiting.end()) {
        return one_sided(r.line, i, j);
    }
    if (--found->second.count == 0) {
        r.waiting.erase(found);
    }
    return failure(FailureKind::none);
}

static Failure weights_failure(std::uint64_t line, const char* reason) {
    return text_failure(FailureKind::weights, line, reason, reason + std::strlen(reason));
}

// One node line: its size and weights passed over, then its neighbours.
static Failure read_node_line(MetisRun& r, const char* p) {
    const char* begin = nullptr;
    const char* end = nullptr;
    for (std::uint64_t k = 0; k < r.header->skipped; k++) {
        if (!next_field(p, begin, end)) {
            return weights_failure(r.line, "the line lacks its vertex size or weights");
        }
    }
    while (next_field(p, begin, end)) {
        std::uint64_t j = 0;
        if (read_number(begin, end, j) != NumberText::number || j < 1 || j > r.header->nodes) {
            Failure f = text_failure(FailureKind::neighbour, r.line, begin, end);
            f.figures[0] = r.header->nodes;
            return f;
        }
        if (r.header->linkWeights && !next_field(p, begin, end)) {
            return weights_failure(r.line, "a neighbour lacks its edge weight");
        }
        Failure f = take_neighbour(r, j);
        if (failed(f)) {
            return f;
        }
    }
    return failure(FailureKind::none);
}

static bool is_blank_line(const char* p) {
    const char* begin = nullptr;
    const char* end = nullptr;
    return !next_field(p, begin, end);
}

// Every line after the header: n node lines, % comments anywhere, blank
// lines after the last node line passed over.
static Failure read_node_lines(MetisRun& r, const char* p, const char* last) {
    for (; p < last; p = line_after(p, last), r.line++) {
        if (is_comment(p) || (r.node == r.header->nodes && is_blank_line(p))) {
            continue;
        }
        if (r.node == r.header->nodes) {
            Failure f = failure(FailureKind::node_lines, r.line);
            f.figures[0] = r.header->nodes;
            f.figures[1] = r.node + 1;
            return f;
        }
        r.node++;
        Failure f = read_node_line(r, p);
        if (failed(f)) {
            return f;
        }
    }
    return failure(FailureKind::none);
}

// The line counts and link counts the header gives, and no link left waiting.
static Failure check_counts(const MetisRun& r) {
    const MetisHeader& h = *r.header;
    if (!r.waiting.empty()) {
        auto first = r.waiting.begin();
        for (auto w = r.waiting.begin(); w != r.waiting.end(); ++w) {
            first = w->second.line < first->second.line ||
                            (w->second.line == first->second.line && w->first < first->first)
                        ? w
                        : first;
        }
        return one_sided(first->second.line, first->first >> 32, first->first & 0xFFFFFFFFU);
    }
    Failure f = failure(FailureKind::none);
    if (r.node != h.nodes) {
        f = failure(FailureKind::node_lines, h.line);
        f.figures[0] = h.nodes;
        f.figures[1] = r.node;
    } else if (r.sink.links != h.links) {
        f = failure(FailureKind::link_count, h.line);
        f.figures[0] = h.links;
        f.figures[1] = r.sink.links;
    }
    return f;
}

Failure read_metis_links(GraphSource& source, NodeIndex& nodes, const MetisHeader& header,
                         bool keep, PassResult& result) {
    result = PassResult{};
    std::vector<char> text;
    if (!read_text(source, text)) {
        return read_failure(source, errno);
    }
    auto r = std::make_unique<MetisRun>();
    r->header = &header;
    r->sink = ForestSink{&nodes, keep, {}, 0};
    r->line = header.line + 1;
    Failure f = read_node_lines(*r, text.data(), text.data() + text.size() - 1);
    if (!failed(f) && r->batch.count != 0 && !flush_batch(*r)) {
        f = failure(FailureKind::out_of_memory);
    }
    f = failed(f) ? f : check_counts(*r);
    result.links = r->sink.links;
    result.spans.push_back({0, 0, 0, r->sink.kept.count});
    result.kept.push_back(std::move(r->sink.kept));
    return f;
}

} // namespace ugraph

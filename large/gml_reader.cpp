// GML reader (the first graph of a GML text, read front to back on one thread into a link sink)
#include "large/gml_reader.h"

#include <cstdio>
#include <cstring>
#include <limits>

#include "large/link_sinks.h"

namespace ugraph {

void start_tokens(GmlTokens& tokens, GraphSource& source, bool progress) {
    tokens = GmlTokens{};
    start_lines(tokens.lines, source, "reading GML", progress);
}

static bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

static bool is_letter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

static bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

static bool in_number(char c) {
    return is_digit(c) || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E';
}

// The rest of a string from its quote on, over as many lines as it takes.
static Failure read_string(GmlTokens& t) {
    Failure f = failure(FailureKind::none);
    t.text.clear();
    t.rest.remove_prefix(1);
    for (;;) {
        const std::size_t close = t.rest.find('"');
        t.text.append(t.rest.substr(0, close));
        if (close != std::string_view::npos) {
            t.rest.remove_prefix(close + 1);
            return f;
        }
        if (!next_line(t.lines, t.rest, f)) {
            return failed(f)
                       ? f
                       : printed_failure(FailureKind::syntax, t.line, "the string is not closed");
        }
        t.text.push_back('\n');
    }
}

// The token's bytes from the line's start while `inside` takes them.
template <typename Inside> static void take_while(GmlTokens& t, Inside&& inside) {
    std::size_t n = 1;
    while (n < t.rest.size() && inside(t.rest[n])) {
        n++;
    }
    t.text.assign(t.rest.substr(0, n));
    t.rest.remove_prefix(n);
}

Failure next_token(GmlTokens& t, GmlToken& token) {
    Failure f = failure(FailureKind::none);
    while (t.rest.empty() || is_space(t.rest[0]) || t.rest[0] == '#') {
        if (!t.rest.empty() && is_space(t.rest[0])) {
            t.rest.remove_prefix(1);
        } else if (!next_line(t.lines, t.rest, f)) {
            token = GmlToken::end;
            return f;
        }
    }
    t.line = t.lines.line;
    const char c = t.rest[0];
    if (c == '[' || c == ']') {
        token = c == '[' ? GmlToken::open : GmlToken::close;
        t.text.assign(1, c);
        t.rest.remove_prefix(1);
    } else if (c == '"') {
        token = GmlToken::string;
        return read_string(t);
    } else if (is_letter(c)) {
        token = GmlToken::key;
        take_while(t, [](char d) { return is_letter(d) || is_digit(d); });
    } else if (is_digit(c) || c == '-' || c == '+' || c == '.') {
        token = GmlToken::number;
        take_while(t, in_number);
    } else {
        return printed_failure(FailureKind::syntax, t.line,
                               "'%c' begins no GML key, number, string or list", c);
    }
    return f;
}

inline constexpr std::uint64_t NOT_SEEN = std::numeric_limits<std::uint64_t>::max();
inline constexpr std::uint64_t DECLARED = 0;

// One graph being read: its tokens, the nodes' states and the links not yet sunk.
struct GmlRead {
    GmlTokens tokens;
    GmlToken token;
    NodeIndex* nodes;
    NodeMaker maker;        // one for the whole text, which this one thread reads
    std::uint64_t declared; // nodes declared so far: the next one's position
    // By node index from the first hashed one: DECLARED, NOT_SEEN, or the
    // first line of an edge that names it before its node does.
    std::vector<std::uint64_t> state;
    LinkBatch batch;
    ForestSink sink;
};

static Failure next(GmlRead& r) {
    return next_token(r.tokens, r.token);
}

static FailureKind no_room(const NodeIndex& nodes) {
    return is_full(nodes) ? FailureKind::full : FailureKind::out_of_memory;
}

static std::uint64_t& state_of(GmlRead& r, std::uint32_t index) {
    return r.state[index - first_hashed(*r.nodes)];
}

// The index of a node by its id's text, made when new, at `position` in the
// nodes' order; 0 without room.
static std::uint32_t gml_node(GmlRead& r, const std::string& id, std::uint64_t position) {
    NodeIndex& nodes = *r.nodes;
    const auto length = static_cast<std::uint32_t>(id.size());
    enter_table(nodes.table);
    const std::uint32_t index =
        name_node(nodes, r.maker, id.data(), length, position, name_hash(id.data(), length));
    leave_table(nodes.table);
    if (index != 0 && index - first_hashed(nodes) >= r.state.size()) {
        r.state.resize(std::max<std::size_t>(index - first_hashed(nodes) + 1, 2 * r.state.size()),
                       NOT_SEEN);
    }
    return index;
}

// Passes over a value: a number, a string, or a list with all it holds.
static Failure skip_value(GmlRead& r) {
    Failure f = next(r);
    const std::uint64_t line = r.tokens.line;
    if (failed(f) || r.token == GmlToken::number || r.token == GmlToken::string) {
        return f;
    }
    if (r.token != GmlToken::open) {
        return printed_failure(FailureKind::syntax, line, "a key must be followed by a value");
    }
    for (std::uint64_t depth = 1; depth != 0 && !failed(f);) {
        f = next(r);
        if (r.token == GmlToken::open) {
            depth++;
        } else if (r.token == GmlToken::close) {
            depth--;
        }
        if (!failed(f) && r.token == GmlToken::end) {
            return printed_failure(FailureKind::syntax, line, "the list is not closed");
        }
    }
    return f;
}

// The value of id, source or target: its text, a number or a string.
static Failure read_id(GmlRead& r, std::string& id) {
    Failure f = next(r);
    if (failed(f)) {
        return f;
    }
    if (r.token != GmlToken::number && r.token != GmlToken::string) {
        return printed_failure(FailureKind::syntax, r.tokens.line,
                               "a node id must be a number or a string");
    }
    id = r.tokens.text;
    return f;
}

// The keys of a list up to its ], each of `wanted` read into its text.
static Failure read_list(GmlRead& r, const char* const (&wanted)[2], std::string (&ids)[2],
                         bool (&found)[2]) {
    Failure f = next(r);
    const std::uint64_t line = r.tokens.line;
    if (!failed(f) && r.token != GmlToken::open) {
        return printed_failure(FailureKind::syntax, line, "a node or an edge must be a list");
    }
    for (f = failed(f) ? f : next(r); !failed(f) && r.token == GmlToken::key;
         f = failed(f) ? f : next(r)) {
        const int k = r.tokens.text == wanted[0] ? 0 : r.tokens.text == wanted[1] ? 1 : -1;
        if (k >= 0 && !found[k]) { // the first of a key counts
            f = read_id(r, ids[k]);
            found[k] = true;
        } else {
            f = skip_value(r);
        }
    }
    if (!failed(f) && r.token != GmlToken::close) {
        return printed_failure(FailureKind::syntax, r.token == GmlToken::end ? line : r.tokens.line,
                               r.token == GmlToken::end ? "the list is not closed"
                                                        : "a list holds keys and their values");
    }
    return f;
}

static Failure read_node(GmlRead& r) {
    const std::uint64_t line = r.tokens.line;
    std::string id[2];
    bool found[2] = {false, false};
    Failure f = read_list(r, {"id", "id"}, id, found);
    if (failed(f)) {
        return f;
    }
    if (!found[0]) {
        return printed_failure(FailureKind::syntax, line, "the node has no id");
    }
    const std::uint32_t index = gml_node(r, id[0], r.declared++);
    if (index == 0) {
        return failure(no_room(*r.nodes));
    }
    if (state_of(r, index) == DECLARED) {
        return printed_failure(FailureKind::syntax, line, "node id %s is declared twice",
                               id[0].c_str());
    }
    state_of(r, index) = DECLARED;
    return f;
}

static Failure add_link(GmlRead& r, std::uint32_t a, std::uint32_t b) {
    r.batch.from[r.batch.count] = a;
    r.batch.to[r.batch.count] = b;
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

// An end of an edge: a node declared before, or to be declared after.
static std::uint32_t edge_end(GmlRead& r, const std::string& id, std::uint64_t line) {
    const std::uint32_t index = gml_node(r, id, NOT_SEEN); // last in order until declared
    if (index != 0 && state_of(r, index) == NOT_SEEN) {
        state_of(r, index) = line;
    }
    return index;
}

static Failure read_edge(GmlRead& r) {
    const std::uint64_t line = r.tokens.line;
    std::string ends[2];
    bool found[2] = {false, false};
    Failure f = read_list(r, {"source", "target"}, ends, found);
    if (failed(f)) {
        return f;
    }
    if (!found[0] || !found[1]) {
        return printed_failure(FailureKind::syntax, line, "the edge has no %s",
                               found[0] ? "target" : "source");
    }
    const std::uint32_t a = edge_end(r, ends[0], line);
    const std::uint32_t b = a == 0 ? 0 : edge_end(r, ends[1], line);
    return b == 0 ? failure(no_room(*r.nodes)) : add_link(r, a, b);
}

// The graph's list, after its [.
static Failure read_graph(GmlRead& r, std::uint64_t line) {
    Failure f = next(r);
    for (; !failed(f) && r.token == GmlToken::key; f = failed(f) ? f : next(r)) {
        f = r.tokens.text == "node"   ? read_node(r)
            : r.tokens.text == "edge" ? read_edge(r)
                                      : skip_value(r);
    }
    if (!failed(f) && r.token != GmlToken::close) {
        return printed_failure(FailureKind::syntax, r.token == GmlToken::end ? line : r.tokens.line,
                               r.token == GmlToken::end ? "the graph's list is not closed"
                                                        : "a list holds keys and their values");
    }
    return f;
}

// The first line of an edge naming a node that no node declares, or 0.
static std::uint64_t undeclared(const GmlRead& r) {
    std::uint64_t first = 0;
    for (const std::uint64_t s : r.state) {
        first = s != DECLARED && s != NOT_SEEN && (first == 0 || s < first) ? s : first;
    }
    return first;
}

// The keys before the graph are passed over, and so is all after it.
static Failure read_text(GmlRead& r) {
    Failure f = next(r);
    for (; !failed(f) && r.token == GmlToken::key; f = failed(f) ? f : next(r)) {
        if (r.tokens.text != "graph") {
            f = skip_value(r);
            continue;
        }
        const std::uint64_t line = r.tokens.line;
        f = next(r);
        if (!failed(f) && r.token != GmlToken::open) {
            return printed_failure(FailureKind::syntax, line, "graph must be followed by [");
        }
        f = failed(f) ? f : read_graph(r, line);
        const std::uint64_t edge = failed(f) ? 0 : undeclared(r);
        return edge == 0 ? f
                         : printed_failure(FailureKind::syntax, edge,
                                           "the edge names a node that no node declares");
    }
    if (!failed(f) && r.token != GmlToken::end) {
        return printed_failure(FailureKind::syntax, r.tokens.line,
                               "a GML text holds keys and their values");
    }
    return failed(f) ? f
                     : printed_failure(FailureKind::syntax, 0,
                                       "no GML graph in the file (no graph [ ... ])");
}

Failure read_gml_links(GraphSource& source, NodeIndex& nodes, bool keep, PassResult& result,
                       bool progress) {
    result = PassResult{};
    auto r = std::make_unique<GmlRead>();
    start_tokens(r->tokens, source, progress);
    r->nodes = &nodes;
    r->sink = ForestSink{&nodes, keep, {}, 0};
    Failure f = read_text(*r);
    end_lines(r->tokens.lines);
    finish_maker(nodes, r->maker);
    if (!failed(f) && r->batch.count != 0 && !take_batch(r->sink, r->batch)) {
        f = failure(FailureKind::out_of_memory);
    }
    result.links = r->sink.links;
    result.spans.push_back({0, 0, 0, r->sink.kept.count});
    result.kept.push_back(std::move(r->sink.kept));
    return f;
}

} // namespace ugraph

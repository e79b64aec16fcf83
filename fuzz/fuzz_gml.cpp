// Fuzz target: a GML text made from the bytes (nodes, edges, and keys,
// lists, strings and comments to pass over), whose labels must be those of
// the graph it was made from, or whose refusal must name the line at fault;
// and the bytes themselves read as GML, which must read or be refused.
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "fuzz_graph_files.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ugraph::fuzz::enter_scratch_folder();
    return 0;
}

namespace {

using ugraph::fuzz::root;

// The fuzz bytes, taken one at a time; zeros once they run out.
struct Bytes {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at;
};

unsigned take(Bytes& b, unsigned choices) {
    return b.at < b.size ? b.data[b.at++] % choices : 0;
}

// A node id as written, and its text as the reader keeps it.
struct Id {
    std::string written;
    std::string text;
};

// The i-th id of the graph in one of its spellings; a number and a string
// of the same text name the same node.
Id make_id(Bytes& b, unsigned i) {
    const std::string n = std::to_string(i);
    const unsigned kind = take(b, 13);
    const std::string numbers[] = {n, "00" + n, "-" + n, "+" + n, n + ".5", n + "e1"};
    if (kind < 6) {
        return {numbers[kind], numbers[kind]};
    }
    const std::string strings[] = {n,
                                   "n " + n,
                                   "[" + n + "]",
                                   "# " + n,
                                   "&quot;" + n + "&quot;",
                                   "",
                                   take(b, 8) == 0 ? std::string(70000, 'x') + n : "\\" + n};
    return {"\"" + strings[kind - 6] + "\"", strings[kind - 6]};
}

// The text being made and the graph it holds, as the reader should see it.
struct Gml {
    Bytes bytes;
    std::string text;
    std::uint64_t line;
    bool loose; // the last token was a key or a number: the next needs a gap
    std::vector<Id> ids;
    std::vector<std::string> nodes; // declared, in order
    std::map<std::string, std::size_t> index;
    struct Edge {
        std::string source;
        std::string target;
        std::uint64_t line;
    };
    std::vector<Edge> edges;
    std::uint64_t faultLine; // of the first fault met while reading, 0 for none
    std::string fault;       // its message, or its message's start
};

void put(Gml& g, const std::string& s) {
    g.text += s;
    g.line += static_cast<std::uint64_t>(std::count(s.begin(), s.end(), '\n'));
}

// Blanks, line ends and comments before a token; none only where the two
// tokens cannot run into one.
void token(Gml& g, const std::string& t, bool loose = false) {
    static const char* const gaps[] = {" ",      "\t",
                                       "\n",     "\r\n",
                                       "  \n\t", "\f",
                                       "\v",     " # a comment ] [ \"\n",
                                       "#\n",    "\n# node [ id 1 ]\r\n  ",
                                       ""};
    const unsigned k = take(g.bytes, g.loose && loose ? 10 : 11);
    put(g, gaps[k]);
    put(g, t);
    g.loose = loose;
}

void key(Gml& g, const std::string& k) {
    token(g, k, true);
}

void fault(Gml& g, std::uint64_t line, const std::string& message) {
    if (g.faultLine == 0) {
        g.faultLine = line;
        g.fault = message;
    }
}

void junk_value(Gml& g, int depth);

// A key with a value, the key none of `kept` (which the list reads).
void junk_pair(Gml& g, int depth, std::initializer_list<const char*> kept) {
    static const char* const keys[] = {"directed", "multigraph", "label", "graphics", "weight",
                                       "Node",     "node_",      "edges", "graph",    "id",
                                       "source",   "target",     "node",  "edge",     "x1"};
    const char* k = keys[take(g.bytes, std::size(keys))];
    for (const char* not_this : kept) {
        k = std::string(k) == not_this ? "label" : k;
    }
    key(g, k);
    junk_value(g, depth);
}

void junk_value(Gml& g, int depth) {
    static const char* const numbers[] = {"1", "-2.5", "3e-2", "+.5", "0", "-"};
    static const char* const strings[] = {
        "x", "a [ b", "] ]", "# h", "line\none", "", "&amp;&lt;", "\\", "[", "two\r\nlines", "]"};
    const unsigned kind = take(g.bytes, depth < 3 ? 3 : 2);
    if (kind == 0) {
        token(g, numbers[take(g.bytes, std::size(numbers))], true);
    } else if (kind == 1) {
        token(g, "\"" + std::string(strings[take(g.bytes, std::size(strings))]) + "\"");
    } else {
        token(g, "[");
        for (unsigned n = take(g.bytes, 4); n > 0; n--) {
            junk_pair(g, depth + 1, {});
        }
        token(g, "]");
    }
}

void junk_pairs(Gml& g, std::initializer_list<const char*> kept) {
    for (unsigned n = take(g.bytes, 8) < 5 ? 0 : 1 + take(g.bytes, 2); n > 0; n--) {
        junk_pair(g, 1, kept);
    }
}

const Id& pick_id(Gml& g) {
    return g.ids[take(g.bytes, static_cast<unsigned>(g.ids.size()))];
}

// node [ ... id ... ]: usually the next id of the list, at times any, at
// times none; a second id is passed over.
void node(Gml& g, std::size_t& next) {
    key(g, "node");
    const std::uint64_t line = g.line;
    token(g, "[");
    junk_pairs(g, {"id"});
    const unsigned how = take(g.bytes, 16);
    const Id& id = how == 0 || next == g.ids.size() ? pick_id(g) : g.ids[next++];
    if (how == 1) {
        fault(g, line, "the node has no id");
    } else {
        key(g, "id");
        token(g, id.written, id.written[0] != '"');
        if (g.index.count(id.text) != 0) {
            fault(g, line, "node id " + id.text.substr(0, 20));
        }
        g.index.emplace(id.text, g.nodes.size());
        g.nodes.push_back(id.text);
    }
    junk_pairs(g, {"id"});
    if (how == 2) {
        key(g, "id");
        junk_value(g, 1);
    }
    junk_pairs(g, {"id"});
    token(g, "]");
}

// edge [ ... source ... target ... ], the two either way round; at times
// one is left out, or a second source passed over.
void edge(Gml& g) {
    key(g, "edge");
    const std::uint64_t line = g.line;
    token(g, "[");
    const unsigned how = take(g.bytes, 16);
    const Id source = pick_id(g);
    const Id target = pick_id(g);
    const char* names[] = {"source", "target"};
    const Id* ends[] = {&source, &target};
    const unsigned first = how == 1 ? 1 : 0;
    for (unsigned k = 0; k < 2; k++) {
        junk_pairs(g, {"source", "target"});
        if (how == 2 + k) {
            continue; // left out
        }
        key(g, names[first ^ k]);
        token(g, ends[first ^ k]->written, ends[first ^ k]->written[0] != '"');
    }
    if (how == 4) {
        key(g, "source");
        junk_value(g, 1);
    }
    junk_pairs(g, {"source", "target"});
    token(g, "]");
    if (how == 2 || how == 3) {
        fault(g, line,
              (first ^ (how - 2)) == 0 ? "the edge has no source" : "the edge has no target");
    } else {
        g.edges.push_back({source.text, target.text, line});
    }
}

// Keys before the graph, the graph, and what comes after it, which is not read.
void make_text(Gml& g) {
    for (unsigned n = take(g.bytes, 3); n > 0; n--) {
        junk_pair(g, 0, {"graph"});
    }
    key(g, "graph");
    token(g, "[");
    g.ids.push_back(make_id(g.bytes, 1));
    for (unsigned i = take(g.bytes, 12); i > 0; i--) {
        g.ids.push_back(make_id(g.bytes, static_cast<unsigned>(g.ids.size()) + 1));
    }
    std::size_t next = 0;
    for (unsigned items = 0; items < 60 && g.bytes.at < g.bytes.size; items++) {
        const unsigned kind = take(g.bytes, 5);
        if (kind < 2) {
            node(g, next);
        } else if (kind < 4) {
            edge(g);
        } else {
            junk_pair(g, 1, {"node", "edge"});
        }
    }
    token(g, "]");
    static const char* const after[] = {"\n", "", "\ngraph [ node [ id 99 ] ]\n", " ; \"open\n",
                                        "]]]"};
    put(g, after[take(g.bytes, std::size(after))]);
}

// The labels of the graph made: nodes in their order, components numbered
// as they first appear.
std::string labels_of(Gml& g) {
    std::vector<std::size_t> parent(g.nodes.size());
    std::iota(parent.begin(), parent.end(), 0);
    for (const Gml::Edge& e : g.edges) {
        parent[root(parent, g.index.at(e.source))] = root(parent, g.index.at(e.target));
    }
    std::map<std::size_t, std::size_t> number;
    std::string out;
    for (std::size_t n = 0; n < g.nodes.size(); n++) {
        const std::size_t k = number.emplace(root(parent, n), number.size() + 1).first->second;
        out += g.nodes[n] + "\t" + std::to_string(k) + "\n";
    }
    return out;
}

// The first edge naming an id no node declares is a fault, after the graph is read.
void check_edges(Gml& g) {
    for (const Gml::Edge& e : g.edges) {
        if (g.index.count(e.source) == 0 || g.index.count(e.target) == 0) {
            fault(g, e.line, "the edge names a node that no node declares");
            return;
        }
    }
}

void check_made(const std::uint8_t* data, std::size_t size) {
    using namespace ugraph;
    Gml g{};
    g.bytes = Bytes{data, size, 0};
    g.line = 1;
    make_text(g);
    check_edges(g);
    const fuzz::FileRun run =
        fuzz::run_graph_file(g.text, fuzz::labels_options(InputChoice::gml, 1, 0));
    fuzz::check_reading(run, g.faultLine, g.fault, g.faultLine != 0 ? "" : labels_of(g));
}

// Any bytes: read, or refused with one message.
void check_raw(const std::uint8_t* data, std::size_t size, ugraph::InputChoice input) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const ugraph::fuzz::FileRun run =
        ugraph::fuzz::run_graph_file(bytes, ugraph::fuzz::labels_options(input, 1, 0));
    ugraph::fuzz::check_read_or_refused(run);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    check_made(data, size);
    check_raw(data, size, ugraph::InputChoice::gml);
    return 0;
}

// Fuzz target: a GraphML document written here from the bytes, with the nodes
// and links it holds known; the labels must be those of that reading, or the
// run refused at the line of the fault written. Bytes whose first is odd are
// read as they are, as GraphML: any reading or a one-line refusal will do.
#include <cstdint>
#include <map>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_graph_files.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ugraph::fuzz::enter_scratch_folder();
    return 0;
}

namespace {

using ugraph::fuzz::root;

// Names that XML must escape, or that an edge list must quote, among plain ones.
const char* const NAMES[] = {
    "a",   "b",  "c", "d", "1", "02", "", "a b", "x&y", "<p>", "\"q\"", "it's", "\xC3\xA9t\xC3\xA9",
    "g:h", "e1", "e2"};

std::string escaped(const std::string& name, unsigned style) {
    std::string out;
    for (const char c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        out += c == '&'                                    ? "&amp;"
               : c == '<'                                  ? "&lt;"
               : c == '"'                                  ? "&quot;"
               : (style & 1U) != 0 && u < 0x80 && c != ' ' ? "&#" + std::to_string(u) + ";"
                                                           : std::string(1, c);
    }
    return out;
}

// The document being written, and the reading it must give.
struct Document {
    std::string text;
    std::string prefix; // "" or "g:"
    std::size_t line = 1;
    std::size_t faultLine = 0;
    std::map<std::string, std::size_t> index; // by name, in order of first appearance
    std::vector<std::string> names;
    std::vector<std::pair<std::size_t, std::size_t>> links;
};

void put(Document& d, const std::string& s) {
    for (const char c : s) {
        d.line += c == '\n' ? 1 : 0;
    }
    d.text += s;
}

std::size_t node(Document& d, const std::string& name) {
    const auto found = d.index.emplace(name, d.names.size());
    if (found.second) {
        d.names.push_back(name);
    }
    return found.first->second;
}

const char* name_of(std::uint8_t b) {
    return NAMES[b % std::size(NAMES)];
}

std::string attribute(const char* key, const char* name, std::uint8_t style) {
    return std::string(" ") + key + "=\"" + escaped(name, style) + "\"";
}

// One element of the first graph from the bytes at `at`; false once a fault is written.
bool element(Document& d, const std::uint8_t* data, std::size_t size, std::size_t& at) {
    auto next = [&] { return at < size ? data[at++] : std::uint8_t{0}; };
    const std::uint8_t op = next();
    const std::string& p = d.prefix;
    switch (op % 8) {
    case 0: {
        const char* n = name_of(next());
        put(d, "<" + p + "node" + attribute("id", n, op >> 3) + "/>");
        node(d, n);
        break;
    }
    case 1: {
        const char* a = name_of(next());
        const char* b = name_of(next());
        put(d, "<" + p + "edge" + attribute("target", b, op >> 3) + attribute("source", a, op) +
                   " directed=\"true\"/>\n");
        const std::size_t x = node(d, a);
        d.links.emplace_back(x, node(d, b));
        break;
    }
    case 2: {
        std::vector<std::size_t> ends;
        put(d, "<" + p + "hyperedge>");
        for (std::uint8_t k = next() % 5; k > 0; k--) {
            const char* n = name_of(next());
            put(d, "<" + p + "endpoint" + attribute("node", n, op >> 3) + "/>\n");
            ends.push_back(node(d, n));
        }
        put(d, "</" + p + "hyperedge>");
        for (std::size_t i = 0; i < ends.size(); i++) {
            for (std::size_t j = i + 1; j < ends.size(); j++) {
                d.links.emplace_back(ends[i], ends[j]);
            }
        }
        break;
    }
    case 3: { // a node holding a graph: flattened
        const char* n = name_of(next());
        put(d, "<" + p + "node" + attribute("id", n, op >> 3) + ">\n<" + p + "graph>");
        node(d, n);
        for (std::uint8_t k = next() % 3; k > 0; k--) {
            if (!element(d, data, size, at)) {
                return false;
            }
        }
        put(d, "</" + p + "graph></" + p + "node>");
        break;
    }
    case 4:
        put(d, "<" + p + "data key=\"d\"><" + p + "node id=\"hidden\"/><graph/>text</" + p +
                   "data>\n");
        break;
    case 5:
        put(d, (op & 8U) != 0 ? "<!-- <node id=\"no\"/> -->" : "\r\n  ");
        break;
    case 6: { // a fault: an element without the attribute it needs, or malformed XML
        static const char* const faults[] = {"<node/>",
                                             "<edge source=\"a\"/>",
                                             "<edge/>",
                                             "<hyperedge><endpoint/></hyperedge>",
                                             "<node id=\"a\" id=\"b\"/>",
                                             "<node id=\"&zz;\"/>"};
        d.faultLine = d.line;
        put(d, faults[(op >> 3) % std::size(faults)]);
        return false;
    }
    default:
        put(d, "<" + p + "port name=\"x\"/>");
        break;
    }
    return true;
}

std::string labels_of(const Document& d) {
    std::vector<std::size_t> parent(d.names.size());
    std::iota(parent.begin(), parent.end(), 0);
    for (const auto& [a, b] : d.links) {
        parent[root(parent, a)] = root(parent, b);
    }
    std::map<std::size_t, std::size_t> number;
    std::string out;
    for (std::size_t n = 0; n < d.names.size(); n++) {
        const std::size_t k = number.emplace(root(parent, n), number.size() + 1).first->second;
        out += d.names[n] + "\t" + std::to_string(k) + "\n";
    }
    return out;
}

Document written(const std::uint8_t* data, std::size_t size) {
    Document d;
    const std::uint8_t style = data[0];
    d.prefix = (style & 2U) != 0 ? "g:" : "";
    put(d, (style & 4U) != 0 ? "<?xml version=\"1.0\"?>\n<!DOCTYPE graphml>\n" : "");
    put(d, "<" + d.prefix + "graphml xmlns" + ((style & 2U) != 0 ? ":g" : "") +
               "=\"http://graphml.graphdrawing.org/xmlns\">\n<" + d.prefix + "key id=\"d\">" + "<" +
               d.prefix + "default><node id=\"k\"/></" + d.prefix + "default></" + d.prefix +
               "key>\n<" + d.prefix + "graph edgedefault=\"directed\">\n");
    std::size_t at = 1;
    while (at < size && element(d, data, size, at)) {
    }
    if (d.faultLine == 0) {
        put(d, "</" + d.prefix + "graph>\n<" + d.prefix + "graph><" + d.prefix +
                   "node id=\"later\"/></" + d.prefix + "graph></" + d.prefix + "graphml>\n");
    }
    return d;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ugraph;
    const GraphFileOptions options = fuzz::labels_options(InputChoice::graphml, 1, 0);
    if (size == 0 || (data[0] & 1U) != 0) {
        const fuzz::FileRun run =
            fuzz::run_graph_file(std::string(reinterpret_cast<const char*>(data), size), options);
        fuzz::check_read_or_refused(run);
        return 0;
    }
    const Document d = written(data, size);
    const fuzz::FileRun run = fuzz::run_graph_file(d.text, options);
    fuzz::check_reading(run, d.faultLine, "", d.faultLine != 0 ? "" : labels_of(d));
    return 0;
}

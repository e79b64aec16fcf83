// DOT input (the first graph of a DOT text, read with Graphviz's own parser)
#include "large/dot_input.h"

#include <algorithm>
#include <cstring>

#include "console/console.h"
#include "large/link_forest.h"

#ifdef UGRAPH_CGRAPH
#include <graphviz/cgraph.h>
#endif

namespace ugraph {

#ifdef UGRAPH_CGRAPH

// cgraph hands its messages over in pieces; they are gathered here.
static std::vector<char> dotMessage;

static int gather_message(char* piece) {
    dotMessage.insert(dotMessage.end(), piece, piece + std::strlen(piece));
    return 0;
}

// The whole text, as the one string cgraph reads.
static bool read_text(GraphSource& source, std::vector<char>& text) {
    std::uint64_t count = 1U << 16;
    for (; !head_is_whole(source); count *= 2) {
        if (!peek_head(source, count)) {
            return false;
        }
    }
    text.swap(source.head);
    text.push_back('\0');
    return true;
}

// "syntax error in line 4 near '}'" becomes "FILE:4: syntax error near '}'".
static void report_syntax_error(const GraphSource& source) {
    std::string_view message(dotMessage.data(), dotMessage.size());
    const std::size_t label = message.rfind(": ");
    message = label == std::string_view::npos ? message : message.substr(label + 2);
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
        message.remove_suffix(1);
    }
    const std::size_t at = message.find(" in line ");
    unsigned long long line = 0;
    if (at != std::string_view::npos &&
        std::sscanf(message.data() + at, " in line %llu", &line) == 1) {
        std::size_t after = at + 9;
        while (after < message.size() && message[after] >= '0' && message[after] <= '9') {
            after++;
        }
        print_error("ugraph: %s:%llu: %.*s%.*s\n", source.name, line, static_cast<int>(at),
                    message.data(), static_cast<int>(message.size() - after),
                    message.data() + after);
    } else if (!message.empty()) {
        print_error("ugraph: %s: %.*s\n", source.name, static_cast<int>(message.size()),
                    message.data());
    } else {
        print_error("ugraph: %s: no DOT graph in the file\n", source.name);
    }
}

struct DotLink {
    std::uint64_t order;
    std::uint32_t a;
    std::uint32_t b;
};

// Every node, numbered in the order cgraph made them, which is the order of
// first appearance; then every edge, in the order cgraph made them.
static bool take_graph(Agraph_t* graph, NodeIndex& nodes, PassResult& result) {
    // Node indexes by sequence number (cgraph numbers the nodes 1, 2, ... as
    // it makes them): an edge's ends are found without a name lookup.
    std::vector<std::uint32_t> indexOf(static_cast<std::size_t>(agnnodes(graph)) + 1);
    for (Agnode_t* n = agfstnode(graph); n != nullptr; n = agnxtnode(graph, n)) {
        const char* name = agnameof(n);
        const std::uint64_t seq = AGSEQ(n);
        const std::uint32_t index =
            name_node(nodes, name, static_cast<std::uint32_t>(std::strlen(name)), seq);
        if (index == 0) {
            return false;
        }
        if (seq >= indexOf.size()) {
            indexOf.resize(seq + 1);
        }
        indexOf[seq] = index;
    }
    std::vector<DotLink> links;
    for (Agnode_t* n = agfstnode(graph); n != nullptr; n = agnxtnode(graph, n)) {
        for (Agedge_t* e = agfstout(graph, n); e != nullptr; e = agnxtout(graph, e)) {
            links.push_back({AGSEQ(e), indexOf[AGSEQ(agtail(e))], indexOf[AGSEQ(aghead(e))]});
        }
    }
    std::sort(links.begin(), links.end(),
              [](const DotLink& x, const DotLink& y) { return x.order < y.order; });
    result.kept.resize(1);
    for (const DotLink& link : links) {
        unite(nodes, link.a, link.b);
        if (!keep_link(result.kept[0], link.a, link.b)) {
            return false;
        }
    }
    result.links = links.size();
    result.spans.push_back({0, 0, 0, links.size()});
    return true;
}

bool read_dot_links(GraphSource& source, NodeIndex& nodes, PassResult& result) {
    std::vector<char> text;
    result = PassResult{};
    if (!read_text(source, text)) {
        report_read_error(source, errno);
        return false;
    }
    dotMessage.clear();
    const agusererrf previous = agseterrf(gather_message);
    Agraph_t* graph = agmemread(text.data());
    agseterrf(previous);
    if (graph == nullptr) {
        report_syntax_error(source);
        return false;
    }
    const bool taken = take_graph(graph, nodes, result);
    agclose(graph);
    if (!taken) {
        print_error("ugraph: %s: out of memory\n", source.name);
    }
    return taken;
}

#else

bool read_dot_links(GraphSource& source, NodeIndex& /*nodes*/, PassResult& /*result*/) {
    print_error("ugraph: %s: this ugraph was built without Graphviz's cgraph library, which "
                "reads DOT; install libgraphviz-dev and build ugraph again\n",
                source.name);
    return false;
}

#endif

} // namespace ugraph

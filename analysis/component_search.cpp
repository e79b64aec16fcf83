// Component search and report (connected components in depth-first order)
#include "analysis/component_search.h"

#include "console/console.h"

namespace ugraph {

// The discovery list holds a 0 marker, then the nodes of component 1 in the
// order reached, a 0 marker, the nodes of component 2, and so on, and two 0
// markers at the end: at most N + C + 2 items, where N + C is at most 98.
inline constexpr std::int32_t DISCOVERY_SLOTS = 2 * NODE_SLOTS;

using DiscoveryList = std::array<std::int32_t, DISCOVERY_SLOTS>;

struct Search {
    std::int32_t nodes; // N, taken as 0..MAX_NODE
    NodeTable visited;  // 1 once a node is reached
    DiscoveryList list; // also the stack of the component being searched
    std::int32_t end;   // position of the last item appended
};

static void append(Search& s, std::int32_t item) {
    s.end++;
    s.list[s.end] = item;
}

static bool is_node(const Search& s, std::int32_t node) {
    return node >= 1 && node <= s.nodes;
}

// The to-node of the first entry of node that leads to an unreached node of
// the graph, or 0; the scan always starts at the node's first entry.
static std::int32_t unreached_neighbor(const Search& s, const LinkColumn& linkFrom,
                                       const LinkColumn& linkTo, const NodeTable& firstLink,
                                       std::int32_t node) {
    std::int32_t j = firstLink[node];
    if (j < 1) {
        return 0;
    }
    for (; j < LINK_SLOTS && linkFrom[j] == node; j++) {
        const std::int32_t to = linkTo[j];
        if (is_node(s, to) && s.visited[to] == 0) {
            return to;
        }
    }
    return 0;
}

// Searches the component of start depth first; stepping back one list
// position at a time returns to the node each node was reached from, since
// every node in between is finished and its scan finds nothing.
static std::int32_t search_component(Search& s, const LinkColumn& linkFrom,
                                     const LinkColumn& linkTo, const NodeTable& firstLink,
                                     std::int32_t start) {
    std::int32_t reached = 0;
    append(s, 0);
    std::int32_t current = start;
    std::int32_t cursor = 0;
    while (current != 0) {
        if (s.visited[current] == 0) {
            append(s, current);
            s.visited[current] = 1;
            reached++;
            cursor = s.end;
        }
        const std::int32_t next = unreached_neighbor(s, linkFrom, linkTo, firstLink, current);
        if (next != 0) {
            current = next;
        } else {
            cursor--;
            current = s.list[cursor];
        }
    }
    return reached;
}

static void write_report(const Search& s, NodeTable& componentOf) {
    std::int32_t pos = 1;
    std::int32_t component = 0;
    while (pos < s.end && s.list[pos] != 0) {
        component++;
        print_format("Component #%d:  ", component);
        for (; pos < DISCOVERY_SLOTS && s.list[pos] != 0; pos++) {
            print_format("%d ", s.list[pos]);
            componentOf[s.list[pos]] = component;
        }
        print_line("");
        pos++; // over the marker that ends this component
    }
    print_line("");
    print_line("Location of (nodes) in components");
    for (std::int32_t k = 1; k <= s.nodes; k++) {
        print_format("(%d)%d ", k, componentOf[k]);
    }
    print_line("\n");
}

void report_components(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                       const NodeTable& firstLink, NodeTable& componentOf) {
    Search s{};
    s.nodes = node_count(linkTo);
    s.end = -1;
    std::int32_t remaining = s.nodes;
    std::int32_t start = 1;
    while (remaining > 0) {
        while (start < s.nodes && s.visited[start] != 0) { // remaining > 0: one is unreached
            start++;
        }
        remaining -= search_component(s, linkFrom, linkTo, firstLink, start);
    }
    append(s, 0);
    append(s, 0);
    write_report(s, componentOf);
}

} // namespace ugraph

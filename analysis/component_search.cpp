// Component search and report (connected components in depth-first order)
#include "analysis/component_search.h"

#include "console/depth_first.h"

namespace ugraph {

struct Search {
    Components& found;                         // list, end and nodes as the search goes
    NodeTable visited;                         // 1 once a node is reached
    FixedStack<std::int32_t, NODE_SLOTS> path; // a path holds each node at most once
};

static void append(Components& c, std::int32_t item) {
    c.end++;
    c.list[c.end] = item;
}

static bool is_node(const Components& c, std::int32_t node) {
    return node >= 1 && node <= c.nodes;
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
        if (is_node(s.found, to) && s.visited[to] == 0) {
            return to;
        }
    }
    return 0;
}

// Searches the component of start, which is unreached, depth first and
// appends its nodes in preorder after a 0 marker.
static std::int32_t search_component(Search& s, const LinkColumn& linkFrom,
                                     const LinkColumn& linkTo, const NodeTable& firstLink,
                                     std::int32_t start) {
    Components& c = s.found;
    std::int32_t reached = 0;
    append(c, 0);
    search_depth_first(
        start, s.path,
        [&](std::int32_t node, std::int32_t& next) {
            next = unreached_neighbor(s, linkFrom, linkTo, firstLink, node);
            return next != 0;
        },
        [&s, &c, &reached](std::int32_t node) {
            append(c, node);
            s.visited[node] = 1;
            reached++;
        },
        [](std::int32_t) {});
    return reached;
}

// Numbers the components in list order into componentOf.
static void number_components(Components& c, NodeTable& componentOf) {
    c.count = 0;
    std::int32_t first = 0;
    std::int32_t end = 0;
    while (next_component(c, first, end)) {
        c.count++;
        for (std::int32_t pos = first; pos < end; pos++) {
            componentOf[c.list[pos]] = c.count;
        }
    }
}

void find_components(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                     const NodeTable& firstLink, NodeTable& componentOf, Components& found) {
    found = Components{};
    found.nodes = node_count(linkTo);
    found.end = -1;
    Search s{found, {}, {}};
    std::int32_t remaining = found.nodes;
    std::int32_t start = 1;
    while (remaining > 0) {
        while (start < found.nodes && s.visited[start] != 0) { // remaining > 0: one is unreached
            start++;
        }
        remaining -= search_component(s, linkFrom, linkTo, firstLink, start);
    }
    append(found, 0);
    append(found, 0);
    number_components(found, componentOf);
}

bool next_component(const Components& found, std::int32_t& first, std::int32_t& end) {
    first = end + 1;
    if (first < 1 || first >= found.end || found.list[first] == 0) {
        return false;
    }
    end = first;
    while (end < found.end && found.list[end] != 0) {
        end++;
    }
    return true;
}

static NodeName node_name(std::int32_t node) {
    return {static_cast<std::uint64_t>(node), nullptr, 0};
}

void write_component_report(const ReportWriter& writer, const LinkColumn& linkFrom,
                            const LinkColumn& linkTo, const Components& found,
                            const NodeTable& componentOf) {
    std::int32_t component = 0;
    std::int32_t first = 0;
    std::int32_t end = 0;
    while (next_component(found, first, end)) {
        component++;
        writer.open_component(static_cast<std::uint64_t>(component), component == 1);
        for (std::int32_t pos = first; pos < end; pos++) {
            writer.member(node_name(found.list[pos]), pos == first);
        }
        writer.close_component();
    }
    writer.open_tail();
    for (std::int32_t k = 1; writer.location != nullptr && k <= found.nodes; k++) {
        writer.location(node_name(k), static_cast<std::uint64_t>(componentOf[k]));
    }
    for (std::int32_t k = 1; writer.link != nullptr && k < LINK_SLOTS && linkFrom[k] != 0; k++) {
        if (linkFrom[k] <= linkTo[k]) { // each link once, from its lower end
            writer.link(node_name(linkFrom[k]), node_name(linkTo[k]));
        }
    }
    writer.end();
}

void report_components(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                       const NodeTable& firstLink, NodeTable& componentOf) {
    Components found;
    find_components(linkFrom, linkTo, firstLink, componentOf, found);
    write_component_report(report_writer(ReportFormat::text), linkFrom, linkTo, found, componentOf);
}

} // namespace ugraph

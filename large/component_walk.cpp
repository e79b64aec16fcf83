// Component walk (the components of a kept graph in depth-first order: text, JSON, DOT)
#include "large/component_walk.h"

#include <cstring>

#include "console/depth_first.h"
#include "large/adjacency.h"
#include "large/graph_reports.h"

namespace ugraph {

struct Walk {
    const NodeIndex* nodes;
    const ComponentLabels* labels;
    Adjacency adjacency;
    std::vector<std::uint64_t> reached; // a bit a place: small enough to stay in the cache
    const ReportWriter* writer;
    std::uint64_t written; // components written
};

static bool is_reached(const Walk& w, std::uint32_t place) {
    return (w.reached[place / 64] >> (place % 64) & 1U) != 0;
}

static NodeName name_at(const Walk& w, std::uint32_t place) {
    return node_name(*w.nodes, w.adjacency.nodeAt[place]);
}

static std::uint32_t component_at(const Walk& w, std::uint32_t place) {
    return component_of(*w.labels, w.adjacency.nodeAt[place]);
}

static bool shown(const Walk& w, std::uint32_t place, std::uint32_t only) {
    return only == 0 || component_at(w, place) == only;
}

// The first unreached neighbor of place r, on from where its scan stands.
static bool next_unreached(Walk& w, std::uint32_t r, std::uint32_t& next) {
    Adjacency& a = w.adjacency;
    std::uint64_t i = a.scan[r];
    while (i < a.offset[r + 1] && is_reached(w, neighbor(a, i))) {
        i++;
    }
    a.scan[r] = i;
    if (i == a.offset[r + 1]) {
        return false;
    }
    next = neighbor(a, i);
    return true;
}

// One component, its nodes in depth-first preorder from `start`.
static void walk_component(Walk& w, std::uint32_t start, std::vector<std::uint32_t>& path) {
    w.written++;
    w.writer->open_component(component_at(w, start), w.written == 1);
    search_depth_first(
        start, path,
        [&w](std::uint32_t r, std::uint32_t& next) { return next_unreached(w, r, next); },
        [&w, start](std::uint32_t place) {
            w.reached[place / 64] |= std::uint64_t{1} << (place % 64);
            w.writer->member(name_at(w, place), place == start);
        },
        [](std::uint32_t /*place*/) {});
    w.writer->close_component();
}

// The first unreached place in order is the first node of the next
// component, so the walk meets the components in their numbers' order.
static void walk_components(Walk& w, std::uint32_t only) {
    std::vector<std::uint32_t> path;
    for (std::uint32_t r = 0; r < w.adjacency.nodeAt.size(); r++) {
        if (!is_reached(w, r) && shown(w, r, only)) {
            walk_component(w, r, path);
        }
    }
}

static void write_tail(const Walk& w, std::uint32_t only) {
    const ReportWriter& writer = *w.writer;
    const Adjacency& a = w.adjacency;
    const std::uint64_t n = a.nodeAt.size();
    writer.open_tail();
    for (std::uint32_t r = 0; writer.location != nullptr && r < n; r++) {
        if (shown(w, r, only)) {
            writer.location(name_at(w, r), component_at(w, r));
        }
    }
    for (std::uint32_t r = 0; writer.link != nullptr && r < n; r++) {
        for (std::uint64_t i = a.offset[r]; i < a.offset[r + 1] && shown(w, r, only); i++) {
            if (neighbor(a, i) >= r) { // each link once, from the end first in order
                writer.link(name_at(w, r), name_at(w, neighbor(a, i)));
            }
        }
    }
    writer.end();
}

// The links of component `only`, each counted at its end first in order.
static std::uint64_t links_of(const Walk& w, std::uint32_t only) {
    const Adjacency& a = w.adjacency;
    std::uint64_t links = 0;
    for (std::uint32_t r = 0; r < a.nodeAt.size(); r++) {
        for (std::uint64_t i = a.offset[r]; i < a.offset[r + 1] && shown(w, r, only); i++) {
            links += neighbor(a, i) >= r ? 1 : 0;
        }
    }
    return links;
}

bool write_component_walk(const NodeIndex& nodes, const ComponentLabels& labels,
                          std::vector<LinkStore>& kept, const char* name, std::uint64_t links,
                          const ReportWriter& writer, std::uint32_t only, bool progress) {
    Walk w{};
    w.nodes = &nodes;
    w.labels = &labels;
    w.writer = &writer;
    if (!build_adjacency(nodes, labels.order, kept, progress, w.adjacency)) {
        return false;
    }
    w.reached.assign(w.adjacency.nodeAt.size() / 64 + 1, 0);
    if (only != 0) {
        writer.head(name, std::strlen(name), labels.sizes[only - 1], links_of(w, only));
    } else {
        writer.head(name, std::strlen(name), w.adjacency.nodeAt.size(), links);
    }
    walk_components(w, only);
    write_tail(w, only);
    return true;
}

} // namespace ugraph

// Component walk (the components of a kept graph in depth-first order: text, JSON, DOT)
#include "large/component_walk.h"

#include <cstring>

#include "console/depth_first.h"
#include "large/component_tally.h"
#include "large/graph_reports.h"
#include "large/progress.h"

namespace ugraph {

// The graph in node order: node r's neighbors are entries offset[r] up to
// offset[r + 1] of the adjacency, ascending; a link to itself stands there
// once. The adjacency lives in the kept links' own chunks, which hold two
// numbers a link, as many as it needs: fresh memory costs its first touch.
struct Walk {
    std::vector<std::uint32_t> nodeAt;  // node index of each place in the order
    std::vector<std::uint64_t> reached; // a bit a place: small enough to stay in the cache
    Mapped<std::uint64_t> offset;
    Mapped<std::uint64_t> cursor;
    std::vector<Mapped<std::uint32_t>> pieces; // of 2 * LINK_CHUNK entries each
    std::uint64_t entries;
    Progress progress;   // while the lists are built
    std::uint64_t swept; // links swept while they are listed, twice each
    std::uint64_t sweeps;
    NodeIndex* nodes;
    const ReportWriter* writer;
    bool quiet;            // numbering only, nothing written
    std::uint64_t written; // components written
};

inline constexpr std::uint64_t PIECE = 2 * LINK_CHUNK;
inline constexpr std::uint64_t SORT_STEP = 1U << 16; // nodes sorted between looks at the clock

static std::uint32_t& adjacent(const Walk& w, std::uint64_t i) {
    return w.pieces[i / PIECE][i % PIECE];
}

// Gives every node its place in the order, kept in its word as place + 1.
static void place_nodes(NodeIndex& nodes, Walk& w) {
    NodeOrder order;
    order_nodes(nodes, order);
    for_each_node(nodes, order, [&nodes, &w](std::uint32_t index) {
        w.nodeAt.push_back(index);
        *word_of(nodes, index) = static_cast<std::uint32_t>(w.nodeAt.size());
    });
}

// Calls each(a, b) for every kept link, and shows the links swept after
// each chunk.
template <typename Each> void for_each_link(std::vector<LinkStore>& kept, Walk& w, Each&& each) {
    for (LinkStore& store : kept) {
        for (std::size_t c = 0; c < store.chunks.size(); c++) {
            const bool last = c + 1 == store.chunks.size();
            const std::uint64_t count = last ? store.count - c * LINK_CHUNK : LINK_CHUNK;
            std::uint32_t* pair = store.chunks[c].get();
            for (std::uint64_t j = 0; j < count; j++, pair += 2) {
                each(pair[0], pair[1]);
            }
            w.swept += count;
            show_phase(w.progress, "listing neighbors", w.swept, w.sweeps);
        }
    }
}

// The links' chunks become the adjacency's pieces: every link holds room for
// the two entries it gives.
static void take_pieces(std::vector<LinkStore>& kept, Walk& w) {
    for (LinkStore& store : kept) {
        for (Mapped<std::uint32_t>& chunk : store.chunks) {
            w.pieces.push_back(std::move(chunk));
        }
        store.chunks.clear();
        store.count = 0;
    }
}

// Lists every node's neighbors, each link at both ends, in the order links
// were kept.
static bool list_neighbors(std::vector<LinkStore>& kept, Walk& w, Mapped<std::uint32_t>& listed) {
    NodeIndex& nodes = *w.nodes;
    const std::uint64_t n = w.nodeAt.size();
    w.offset = mapped_block<std::uint64_t>(n + 1);
    w.cursor = mapped_block<std::uint64_t>(n + 1);
    if (!w.offset || !w.cursor) {
        return false;
    }
    for (const LinkStore& store : kept) {
        w.sweeps += 2 * store.count;
    }
    for_each_link(kept, w, [&nodes, &w](std::uint32_t& a, std::uint32_t& b) {
        a = *word_of(nodes, a) - 1;
        b = *word_of(nodes, b) - 1;
        w.offset[a + 1]++;
        w.offset[b + 1] += a != b ? 1 : 0;
    });
    for (std::uint64_t r = 0; r < n; r++) {
        w.offset[r + 1] += w.offset[r];
        w.cursor[r] = w.offset[r];
    }
    w.entries = w.offset[n];
    listed = mapped_block<std::uint32_t>(w.entries + 1);
    if (!listed) {
        return false;
    }
    for_each_link(kept, w, [&w, &listed](std::uint32_t a, std::uint32_t b) {
        listed[w.cursor[a]++] = b;
        if (a != b) {
            listed[w.cursor[b]++] = a;
        }
    });
    take_pieces(kept, w);
    return true;
}

// Sorts every node's neighbors by place without comparing: node r goes into
// the list of each of its neighbors, from the last place down, so every list
// fills from its end with ascending places. The graph is symmetric, so the
// lists keep their lengths, and each cursor ends at the head of its list.
static void sort_neighbors(Walk& w, const Mapped<std::uint32_t>& listed) {
    const std::uint64_t n = w.nodeAt.size();

    for (std::uint64_t r = 0; r < n; r++) {
        w.cursor[r] = w.offset[r + 1];
    }
    for (std::uint64_t r = n; r-- > 0;) {
        if (r % SORT_STEP == 0) {
            show_phase(w.progress, "sorting neighbors", w.entries - w.offset[r + 1], w.entries);
        }
        for (std::uint64_t i = w.offset[r]; i < w.offset[r + 1]; i++) {
            adjacent(w, --w.cursor[listed[i]]) = static_cast<std::uint32_t>(r);
        }
    }
}

static bool is_reached(const Walk& w, std::uint32_t place) {
    return (w.reached[place / 64] >> (place % 64) & 1U) != 0;
}

static NodeName name_at(const Walk& w, std::uint32_t place) {
    return node_name(*w.nodes, w.nodeAt[place]);
}

static void open_component(Walk& w, std::uint64_t component) {
    w.written++;
    w.writer->open_component(component, w.written == 1);
}

static void close_component(const Walk& w) {
    w.writer->close_component();
}

static void reach(Walk& w, std::uint32_t place, bool first) {
    w.reached[place / 64] |= std::uint64_t{1} << (place % 64);
    if (!w.quiet) {
        w.writer->member(name_at(w, place), first);
    }
}

// Depth first from `start`: at every node on to its first unreached
// neighbor, back to the node it was reached from when there is none.
static void walk_component(Walk& w, std::uint32_t start, std::uint64_t component,
                           std::vector<std::uint32_t>& path) {
    search_depth_first(
        start, path,
        [&w](std::uint32_t r, std::uint32_t& next) {
            std::uint64_t i = w.cursor[r];
            while (i < w.offset[r + 1] && is_reached(w, adjacent(w, i))) {
                i++;
            }
            if (i == w.offset[r + 1]) {
                return false;
            }
            w.cursor[r] = i + 1;
            next = adjacent(w, i);
            return true;
        },
        [&w, start](std::uint32_t place) { reach(w, place, place == start); },
        [&w, component](std::uint32_t r) {
            w.cursor[r] = component; // the scan is over: the place keeps its component
        });
}

static void walk_components(Walk& w) {
    std::vector<std::uint32_t> path;
    std::uint64_t component = 0;
    for (std::uint32_t r = 0; r < w.nodeAt.size(); r++) {
        if (!is_reached(w, r)) {
            component++;
            if (!w.quiet) {
                open_component(w, component);
            }
            walk_component(w, r, component, path);
            if (!w.quiet) {
                close_component(w);
            }
        }
    }
}

static std::uint64_t component_at(const Walk& w, std::uint32_t place) {
    return w.cursor[place];
}

static bool shown(const Walk& w, std::uint32_t place, std::uint32_t only) {
    return only == 0 || component_at(w, place) == only;
}

static void print_head(const Walk& w, const char* name, std::uint64_t nodes, std::uint64_t links) {
    w.writer->head(name, std::strlen(name), nodes, links);
}

static void print_tail(const Walk& w, std::uint32_t only) {
    const ReportWriter& writer = *w.writer;
    const std::uint64_t n = w.nodeAt.size();
    writer.open_tail();
    for (std::uint32_t r = 0; writer.location != nullptr && r < n; r++) {
        if (shown(w, r, only)) {
            writer.location(name_at(w, r), component_at(w, r));
        }
    }
    for (std::uint32_t r = 0; writer.link != nullptr && r < n; r++) {
        for (std::uint64_t i = w.offset[r]; i < w.offset[r + 1] && shown(w, r, only); i++) {
            if (adjacent(w, i) >= r) { // each link once, from the end first in order
                writer.link(name_at(w, r), name_at(w, adjacent(w, i)));
            }
        }
    }
    writer.end();
}

// The links of node r, each counted at the end first in order.
static std::uint64_t links_from(const Walk& w, std::uint32_t r) {
    std::uint64_t links = 0;
    for (std::uint64_t i = w.offset[r]; i < w.offset[r + 1]; i++) {
        links += adjacent(w, i) >= r ? 1 : 0;
    }
    return links;
}

// One component alone: a silent walk numbers them all and gives its
// figures; its nodes are then unreached again and walked once more, aloud.
static void walk_one(Walk& w, const char* name, std::uint32_t only) {
    w.quiet = true;
    walk_components(w);
    w.quiet = false;
    std::uint64_t nodes = 0;
    std::uint64_t links = 0;
    std::uint32_t start = 0;
    for (std::uint32_t r = static_cast<std::uint32_t>(w.nodeAt.size()); r-- > 0;) {
        if (component_at(w, r) == only) {
            nodes++;
            links += links_from(w, r);
            start = r;
        }
    }
    print_head(w, name, nodes, links);
    for (std::uint32_t r = 0; r < w.nodeAt.size(); r++) {
        if (component_at(w, r) == only) {
            w.cursor[r] = w.offset[r];
            w.reached[r / 64] &= ~(std::uint64_t{1} << (r % 64));
        }
    }
    std::vector<std::uint32_t> path;
    open_component(w, only);
    walk_component(w, start, only, path);
    close_component(w);
}

bool write_component_walk(NodeIndex& nodes, std::vector<LinkStore>& kept, const char* name,
                          std::uint64_t links, const ReportWriter& writer, std::uint32_t only,
                          bool progress) {
    Walk w{};
    w.nodes = &nodes;
    w.writer = &writer;
    start_progress(w.progress, progress, 0);
    place_nodes(nodes, w);
    w.reached.assign(w.nodeAt.size() / 64 + 1, 0);
    {
        Mapped<std::uint32_t> listed;
        const bool built = list_neighbors(kept, w, listed);
        if (built) {
            sort_neighbors(w, listed);
        }
        end_progress(w.progress); // before the report, which may go to the same terminal
        if (!built) {
            return false;
        }
    }
    if (only != 0) {
        walk_one(w, name, only);
    } else {
        print_head(w, name, w.nodeAt.size(), links);
        walk_components(w);
    }
    print_tail(w, only);
    return true;
}

} // namespace ugraph

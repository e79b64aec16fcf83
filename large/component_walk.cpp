// Component walk (the components of a kept graph in depth-first order: text, JSON, DOT)
#include "large/component_walk.h"

#include <cstring>

#include "console/console.h"
#include "console/text_escapes.h"
#include "large/graph_reports.h"
#include "large/progress.h"

namespace ugraph {

// The graph in node order: node r's neighbors are entries offset[r] up to
// offset[r + 1] of the adjacency, ascending; a link to itself stands there
// once. The adjacency lives in the kept links' own chunks, which hold two
// numbers a link, as many as it needs: fresh memory costs its first touch.
struct Walk {
    std::vector<std::uint32_t> nodeAt;  // node index of each place in the order
    Mapped<std::uint32_t> placeOf;      // place of each node index
    std::vector<std::uint64_t> reached; // a bit a place: small enough to stay in the cache
    Mapped<std::uint64_t> offset;
    Mapped<std::uint64_t> cursor;
    std::vector<Mapped<std::uint32_t>> pieces; // of 2 * LINK_CHUNK entries each
    std::uint64_t entries;
    Progress progress;   // while the lists are built
    std::uint64_t swept; // links swept while they are listed, twice each
    std::uint64_t sweeps;
    NodeIndex* nodes;
    const ComponentLabels* labels;
    WalkFormat format;
    std::uint64_t written; // components written
};

using Figure = unsigned long long;

inline constexpr std::uint64_t PIECE = 2 * LINK_CHUNK;
inline constexpr std::uint64_t SORT_STEP = 1U << 16; // nodes sorted between looks at the clock

static std::uint32_t& adjacent(const Walk& w, std::uint64_t i) {
    return w.pieces[i / PIECE][i % PIECE];
}

// Gives every node its place in the order; false when memory runs out.
static bool place_nodes(const NodeIndex& nodes, Walk& w) {
    w.placeOf =
        mapped_block<std::uint32_t>(std::uint64_t{first_hashed(nodes)} + hashed_count(nodes));
    if (!w.placeOf) {
        return false;
    }
    w.nodeAt.reserve(w.labels->tally.nodes);
    for_each_node(nodes, w.labels->order, [&w](std::uint32_t index) {
        w.placeOf[index] = static_cast<std::uint32_t>(w.nodeAt.size());
        w.nodeAt.push_back(index);
    });
    return true;
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
    const std::uint64_t n = w.nodeAt.size();
    w.offset = mapped_block<std::uint64_t>(n + 1);
    w.cursor = mapped_block<std::uint64_t>(n + 1);
    if (!w.offset || !w.cursor) {
        return false;
    }
    for (const LinkStore& store : kept) {
        w.sweeps += 2 * store.count;
    }
    for_each_link(kept, w, [&w](std::uint32_t& a, std::uint32_t& b) {
        a = w.placeOf[a];
        b = w.placeOf[b];
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

static void print_place(const Walk& w, std::uint32_t place, IdStyle style) {
    print_node_id(*w.nodes, w.nodeAt[place], style);
}

static void open_component(Walk& w, std::uint64_t component) {
    const auto k = static_cast<Figure>(component);
    w.written++;
    if (w.format == WalkFormat::text) {
        print_format("Component #%llu:  ", k);
    } else if (w.format == WalkFormat::json) {
        print_format(w.written == 1 ? "[" : ", [");
    } else {
        print_format("  subgraph cluster_%llu {\n    label=\"Component #%llu\";\n   ", k, k);
    }
}

static void close_component(const Walk& w) {
    if (w.format == WalkFormat::text) {
        print_line("");
    } else if (w.format == WalkFormat::json) {
        print_char(']');
    } else {
        print_format("\n  }\n");
    }
}

static void reach(Walk& w, std::uint32_t place, bool first) {
    w.reached[place / 64] |= std::uint64_t{1} << (place % 64);
    if (w.format == WalkFormat::text) {
        print_place(w, place, IdStyle::text);
        print_char(' ');
    } else if (w.format == WalkFormat::json) {
        print_format(first ? "" : ", ");
        print_place(w, place, IdStyle::json);
    } else {
        print_char(' ');
        print_place(w, place, IdStyle::dot);
        print_char(';');
    }
}

// Depth first from `start`: at every node on to its first unreached
// neighbor, back to the node it was reached from when there is none.
static void walk_component(Walk& w, std::uint32_t start, std::vector<std::uint32_t>& path) {
    reach(w, start, true);
    path.push_back(start);
    while (!path.empty()) {
        const std::uint32_t r = path.back();
        std::uint64_t i = w.cursor[r];
        while (i < w.offset[r + 1] && is_reached(w, adjacent(w, i))) {
            i++;
        }
        w.cursor[r] = i < w.offset[r + 1] ? i + 1 : i;
        if (i < w.offset[r + 1]) {
            reach(w, adjacent(w, i), false);
            path.push_back(adjacent(w, i));
        } else {
            path.pop_back();
        }
    }
}

static std::uint32_t component_at(const Walk& w, std::uint32_t place) {
    return component_of(*w.labels, w.nodeAt[place]);
}

// The first unreached place in order is the first node of the next
// component, so the walk meets the components in their numbers' order.
static void walk_components(Walk& w) {
    std::vector<std::uint32_t> path;
    for (std::uint32_t r = 0; r < w.nodeAt.size(); r++) {
        if (!is_reached(w, r)) {
            open_component(w, component_at(w, r));
            walk_component(w, r, path);
            close_component(w);
        }
    }
}

static bool shown(const Walk& w, std::uint32_t place, std::uint32_t only) {
    return only == 0 || component_at(w, place) == only;
}

static void print_head(const Walk& w, const char* name, std::uint64_t nodes, std::uint64_t links) {
    const auto n = static_cast<Figure>(nodes);
    if (w.format == WalkFormat::text) {
        print_format("Ufile %s     %llu Nodes   %llu Links\n", name, n, static_cast<Figure>(links));
    } else if (w.format == WalkFormat::json) {
        print_format("{\"name\": \"");
        print_json_text(name, std::strlen(name));
        print_format("\", \"nodes\": %llu, \"links\": %llu, \"components\": [", n,
                     static_cast<Figure>(links));
    } else {
        print_format("graph {\n  label=<");
        print_dot_label_text(name, std::strlen(name));
        print_format(">;\n");
    }
}

static void print_tail(const Walk& w, std::uint32_t only) {
    const std::uint64_t n = w.nodeAt.size();
    if (w.format == WalkFormat::text) {
        print_line("");
        print_line("Location of (nodes) in components");
        for (std::uint32_t r = 0; r < n; r++) {
            if (shown(w, r, only)) {
                print_char('(');
                print_place(w, r, IdStyle::text);
                print_format(")%llu ", static_cast<Figure>(component_at(w, r)));
            }
        }
        print_line("\n");
    } else if (w.format == WalkFormat::json) {
        print_format("]}\n");
    } else {
        for (std::uint32_t r = 0; r < n; r++) {
            for (std::uint64_t i = w.offset[r]; i < w.offset[r + 1] && shown(w, r, only); i++) {
                if (adjacent(w, i) >= r) { // each link once, from the end first in order
                    print_format("  ");
                    print_place(w, r, IdStyle::dot);
                    print_format(" -- ");
                    print_place(w, adjacent(w, i), IdStyle::dot);
                    print_format(";\n");
                }
            }
        }
        print_format("}\n");
    }
}

// The links of node r, each counted at the end first in order.
static std::uint64_t links_from(const Walk& w, std::uint32_t r) {
    std::uint64_t links = 0;
    for (std::uint64_t i = w.offset[r]; i < w.offset[r + 1]; i++) {
        links += adjacent(w, i) >= r ? 1 : 0;
    }
    return links;
}

// One component alone, with its own figures, walked from its first node.
static void walk_one(Walk& w, const char* name, std::uint32_t only) {
    std::uint64_t links = 0;
    std::uint32_t start = 0;
    for (std::uint32_t r = static_cast<std::uint32_t>(w.nodeAt.size()); r-- > 0;) {
        if (component_at(w, r) == only) {
            links += links_from(w, r);
            start = r;
        }
    }
    print_head(w, name, w.labels->sizes[only - 1], links);
    std::vector<std::uint32_t> path;
    open_component(w, only);
    walk_component(w, start, path);
    close_component(w);
}

bool write_component_walk(NodeIndex& nodes, const ComponentLabels& labels,
                          std::vector<LinkStore>& kept, const char* name, std::uint64_t links,
                          WalkFormat format, std::uint32_t only, bool progress) {
    Walk w{};
    w.nodes = &nodes;
    w.labels = &labels;
    w.format = format;
    start_progress(w.progress, progress, 0);
    if (!place_nodes(nodes, w)) {
        end_progress(w.progress);
        return false;
    }
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

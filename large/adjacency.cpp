// Adjacency (the neighbor lists of a graph whose links were kept, in the nodes' order)
#include "large/adjacency.h"

#include "large/progress.h"

namespace ugraph {

inline constexpr std::uint64_t SORT_STEP = 1U << 16; // nodes sorted between looks at the clock

// How far the lists are built: links swept twice, then nodes sorted.
struct Build {
    Progress progress;
    std::uint64_t swept;
    std::uint64_t sweeps;
};

// Gives every node its place in the order; false when memory runs out.
static bool place_nodes(const NodeIndex& nodes, const NodeOrder& order, Adjacency& a) {
    a.placeOf = mapped_block<std::uint32_t>(index_count(nodes));
    if (!a.placeOf) {
        return false;
    }
    for_each_node(nodes, order, [&a](std::uint32_t index) {
        a.placeOf[index] = static_cast<std::uint32_t>(a.nodeAt.size());
        a.nodeAt.push_back(index);
    });
    return true;
}

// Calls each(a, b) for every kept link, and shows the links swept after
// each chunk.
template <typename Each>
static void for_each_link(std::vector<LinkStore>& kept, Build& b, Each&& each) {
    for (LinkStore& store : kept) {
        for (std::size_t c = 0; c < store.chunks.size(); c++) {
            const bool last = c + 1 == store.chunks.size();
            const std::uint64_t count = last ? store.count - c * LINK_CHUNK : LINK_CHUNK;
            std::uint32_t* pair = store.chunks[c].get();
            for (std::uint64_t j = 0; j < count; j++, pair += 2) {
                each(pair[0], pair[1]);
            }
            b.swept += count;
            show_phase(b.progress, "listing neighbors", b.swept, b.sweeps);
        }
    }
}

// The links' chunks become the adjacency's pieces: every link holds room for
// the two entries it gives.
static void take_pieces(std::vector<LinkStore>& kept, Adjacency& a) {
    for (LinkStore& store : kept) {
        for (Mapped<std::uint32_t>& chunk : store.chunks) {
            a.pieces.push_back(std::move(chunk));
        }
        store.chunks.clear();
        store.count = 0;
    }
}

// Lists every node's neighbors, each link at both ends, in the order links
// were kept; the links become pairs of places.
static bool list_neighbors(std::vector<LinkStore>& kept, Build& b, Adjacency& a,
                           Mapped<std::uint32_t>& listed) {
    const std::uint64_t n = a.nodeAt.size();
    a.offset = mapped_block<std::uint64_t>(n + 1);
    a.scan = mapped_block<std::uint64_t>(n + 1);
    if (!a.offset || !a.scan) {
        return false;
    }
    for (const LinkStore& store : kept) {
        b.sweeps += 2 * store.count;
    }
    for_each_link(kept, b, [&a](std::uint32_t& x, std::uint32_t& y) {
        x = a.placeOf[x];
        y = a.placeOf[y];
        a.offset[x + 1]++;
        a.offset[y + 1] += x != y ? 1 : 0;
    });
    for (std::uint64_t r = 0; r < n; r++) {
        a.offset[r + 1] += a.offset[r];
        a.scan[r] = a.offset[r];
    }
    a.entries = a.offset[n];
    listed = mapped_block<std::uint32_t>(a.entries + 1);
    if (!listed) {
        return false;
    }
    for_each_link(kept, b, [&a, &listed](std::uint32_t x, std::uint32_t y) {
        listed[a.scan[x]++] = y;
        if (x != y) {
            listed[a.scan[y]++] = x;
        }
    });
    take_pieces(kept, a);
    return true;
}

// Sorts every node's neighbors by place without comparing: node r goes into
// the list of each of its neighbors, from the last place down, so every list
// fills from its end with ascending places. The graph is symmetric, so the
// lists keep their lengths, and each scan ends at the head of its list.
static void sort_neighbors(Build& b, Adjacency& a, const Mapped<std::uint32_t>& listed) {
    const std::uint64_t n = a.nodeAt.size();
    for (std::uint64_t r = 0; r < n; r++) {
        a.scan[r] = a.offset[r + 1];
    }
    for (std::uint64_t r = n; r-- > 0;) {
        if (r % SORT_STEP == 0) {
            show_phase(b.progress, "sorting neighbors", a.entries - a.offset[r + 1], a.entries);
        }
        for (std::uint64_t i = a.offset[r]; i < a.offset[r + 1]; i++) {
            neighbor(a, --a.scan[listed[i]]) = static_cast<std::uint32_t>(r);
        }
    }
}

bool build_adjacency(const NodeIndex& nodes, const NodeOrder& order, std::vector<LinkStore>& kept,
                     bool progress, Adjacency& a) {
    Build b{};
    start_progress(b.progress, progress, 0);
    Mapped<std::uint32_t> listed;
    const bool built = place_nodes(nodes, order, a) && list_neighbors(kept, b, a, listed);
    if (built) {
        sort_neighbors(b, a, listed);
    }
    end_progress(b.progress); // before the report, which may go to the same terminal
    return built;
}

} // namespace ugraph

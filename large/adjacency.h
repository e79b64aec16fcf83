// Adjacency (the neighbor lists of a graph whose links were kept, in the nodes' order)
#ifndef UGRAPH_ADJACENCY_H
#define UGRAPH_ADJACENCY_H

#include "large/component_labels.h"
#include "large/link_store.h"

namespace ugraph {

// The graph by place, a node's place being its rank in the nodes' order:
// place r's neighbors are entries offset[r] up to offset[r + 1], ascending;
// a link to itself stands there once. The entries live in the kept links'
// own chunks, which hold two numbers a link, as many as it needs: fresh
// memory costs its first touch. `scan` is where a walk's scan of each list
// stands; the build leaves it at the head of every list.
struct Adjacency {
    std::vector<std::uint32_t> nodeAt; // node index of each place
    Mapped<std::uint32_t> placeOf;     // place of each node index
    Mapped<std::uint64_t> offset;
    Mapped<std::uint64_t> scan;
    std::vector<Mapped<std::uint32_t>> pieces; // of 2 * LINK_CHUNK entries each
    std::uint64_t entries;
};

inline constexpr std::uint64_t PIECE = 2 * LINK_CHUNK;

inline std::uint32_t& neighbor(const Adjacency& a, std::uint64_t i) {
    return a.pieces[i / PIECE][i % PIECE];
}

// Builds the lists from the kept links, which are used up; with `progress`
// the progress line shows how far. 4 bytes a node index and 20 bytes a
// node besides the links' own chunks. False when memory runs out.
bool build_adjacency(const NodeIndex& nodes, const NodeOrder& order, std::vector<LinkStore>& kept,
                     bool progress, Adjacency& a);

} // namespace ugraph

#endif

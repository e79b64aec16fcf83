// Graph record (the one store of graph data for a run, and its limits)
#ifndef UGRAPH_GRAPH_RECORD_H
#define UGRAPH_GRAPH_RECORD_H

#include <array>
#include <cstdint>

namespace ugraph {

inline constexpr std::int32_t NODE_SLOTS = 51;        // per-node tables; slot 0 is no node
inline constexpr std::int32_t LINK_SLOTS = 2501;      // one column of the link table
inline constexpr std::int32_t NAME_SIZE = 16;         // graph name with its NUL
inline constexpr std::int32_t PAIR_BASE = 10000;      // a link packed as from * PAIR_BASE + to
inline constexpr std::int32_t MAX_NODE = 49;          // highest node number
inline constexpr std::int32_t MAX_RAW_ENTRIES = 1249; // entries link normalisation takes

using NodeTable = std::array<std::int32_t, NODE_SLOTS>;
using LinkColumn = std::array<std::int32_t, LINK_SLOTS>;
using NameBuffer = std::array<char, NAME_SIZE>;

// The link table is the pair linkFrom/linkTo read side by side: entry k is the
// link linkFrom[k] -> linkTo[k]. linkFrom[0] counts the entries, linkTo[0] is
// the node count N, and the entry after the last one is 0 in both columns.
struct GraphRecord {
    NameBuffer graphName;
    NodeTable componentOf;
    NodeTable degree;
    NodeTable firstLink;
    LinkColumn linkTo;
    LinkColumn linkFrom;
};

// The node count N = linkTo[0] as far as the per-node tables reach: 0 to MAX_NODE.
inline std::int32_t node_count(const LinkColumn& linkTo) {
    const std::int32_t n = linkTo[0];
    if (n < 0) {
        return 0;
    }
    return n > MAX_NODE ? MAX_NODE : n;
}

// Characters of the name before its NUL, at most NAME_SIZE - 1.
inline std::int32_t name_length(const NameBuffer& graphName) {
    std::int32_t length = 0;
    while (length < NAME_SIZE - 1 && graphName[length] != '\0') {
        length++;
    }
    return length;
}

} // namespace ugraph

#endif

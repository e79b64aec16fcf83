// Component tally (counts the nodes and components of the forest, numbers the components)
#ifndef UGRAPH_COMPONENT_TALLY_H
#define UGRAPH_COMPONENT_TALLY_H

#include "large/node_index.h"

namespace ugraph {

// After the tally a root's word is ROOT and its size, or, once its component
// is numbered, ROOT, NUMBERED and the number; every other node's word is its
// root's index.
inline constexpr std::uint32_t ROOT = 1U << 31;
inline constexpr std::uint32_t NUMBERED = 1U << 30;
inline constexpr std::uint32_t WORD_VALUE = NUMBERED - 1;

struct Tally {
    std::uint64_t nodes;
    std::uint64_t components;
    std::uint64_t largest; // nodes of the largest component
};

// One pass over every node, in index order, once the forest is complete.
void tally_components(NodeIndex& nodes, Tally& tally);

// The nodes in the file's order: direct numbers ascending come first and are
// not listed; `hashed` lists the other numbers ascending, or every name in
// order of first appearance.
struct NodeOrder {
    std::vector<std::uint32_t> hashed;
};

void order_nodes(NodeIndex& nodes, NodeOrder& order);

// Calls visit(index) for every node, in order.
template <typename Visit>
void for_each_node(NodeIndex& nodes, const NodeOrder& order, Visit&& visit) {
    if (nodes.kind == IdKind::numbers) {
        const std::uint32_t top = nodes.directTop.load();
        for (std::uint32_t index = nodes.directBottom.load(); index <= top; index++) {
            if (nodes.direct[index] != 0) {
                visit(index);
            }
        }
    }
    for (const std::uint32_t index : order.hashed) {
        visit(index);
    }
}

// Numbers the tallied components from 1 in the order of their first node;
// sizes[k - 1] gets the nodes of component k.
void number_components(NodeIndex& nodes, const NodeOrder& order, std::vector<std::uint32_t>& sizes);

// The number of a node's component, once numbered.
inline std::uint32_t component_of(NodeIndex& nodes, std::uint32_t index) {
    const std::uint32_t word = *word_of(nodes, index);
    const std::uint32_t root = (word & ROOT) != 0 ? index : word;
    return *word_of(nodes, root) & WORD_VALUE;
}

} // namespace ugraph

#endif

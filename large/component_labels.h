// Component labels (the components of a read graph, counted or numbered once, for every writer)
//
// Once the pass has ended, the node index's words hold the forest, each a
// node's parent, and nothing else. Both functions below first flatten it,
// in index order: every parent has a smaller index than its child (see the
// union-find), so a node's parent already names its root when the node is
// reached, and the node's word becomes that root, its parent still. Then
// they count the components into a table of their own, as wide as the
// words and touched only where nodes are, 4 bytes a node.
#ifndef UGRAPH_COMPONENT_LABELS_H
#define UGRAPH_COMPONENT_LABELS_H

#include "large/huge_memory.h"
#include "large/node_index.h"

namespace ugraph {

struct Tally {
    std::uint64_t nodes;
    std::uint64_t components;
    std::uint64_t largest; // nodes of the largest component
};

// The nodes in the file's order: direct numbers ascending come first and are
// not listed; `hashed` lists the other numbers ascending, or every name in
// order of first appearance.
struct NodeOrder {
    std::vector<std::uint32_t> hashed;
};

// Calls visit(index) for every node, in order.
template <typename Visit>
void for_each_node(const NodeIndex& nodes, const NodeOrder& order, Visit&& visit) {
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

// The components numbered from 1 in the order of their first node in the
// file's order: the one numbering that labels, --component, the walk and
// the edge list all read.
struct ComponentLabels {
    NodeOrder order;
    Mapped<std::uint32_t> numberOf;   // by node index: its component's number; 0 for no node
    std::vector<std::uint32_t> sizes; // sizes[k - 1]: the nodes of component k
    Tally tally;
};

// The summary's figures alone, which need no order; false when memory runs out.
bool count_components(NodeIndex& nodes, Tally& tally);

// Every node's component; false when memory runs out.
bool label_components(NodeIndex& nodes, ComponentLabels& labels);

inline std::uint32_t component_of(const ComponentLabels& labels, std::uint32_t index) {
    return labels.numberOf[index];
}

// The number of the largest component, the lower number on a tie; 0 for none.
std::uint32_t largest_component(const ComponentLabels& labels);

} // namespace ugraph

#endif

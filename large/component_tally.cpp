// Component tally (counts the nodes and components of the forest, numbers the components)
#include "large/component_tally.h"

#include <algorithm>

namespace ugraph {

// Every parent has a smaller index than its child (see the link forest), so
// in index order a node's parent is tallied before the node: its word then
// names the root, or is the root's own tag.
static void tally_node(NodeIndex& nodes, std::uint32_t index, Tally& tally) {
    std::uint32_t& word = *word_of(nodes, index);
    if (word == 0) {
        return; // a direct number that never occurred, or a hole
    }
    tally.nodes++;
    if (word == index) {
        word = ROOT | 1U;
        tally.components++;
        tally.largest = std::max<std::uint64_t>(tally.largest, 1);
        return;
    }
    const std::uint32_t parent = word;
    const std::uint32_t parentWord = *word_of(nodes, parent);
    const std::uint32_t root = (parentWord & ROOT) != 0 ? parent : parentWord;
    word = root;
    std::uint32_t& rootWord = *word_of(nodes, root);
    rootWord++;
    tally.largest = std::max<std::uint64_t>(tally.largest, rootWord & WORD_VALUE);
}

void tally_components(NodeIndex& nodes, Tally& tally) {
    tally = Tally{};
    if (nodes.kind == IdKind::numbers) {
        const std::uint32_t top = nodes.directTop.load();
        for (std::uint32_t index = nodes.directBottom.load(); index <= top; index++) {
            tally_node(nodes, index, tally);
        }
    }
    const std::uint64_t hashed = hashed_count(nodes);
    for (std::uint64_t k = 0; k < hashed; k++) {
        tally_node(nodes, static_cast<std::uint32_t>(first_hashed(nodes) + k), tally);
    }
}

// The hashed nodes, holes left out: a hole's word is 0 before the tally,
// and no word of a node is 0 after it.
void order_nodes(NodeIndex& nodes, NodeOrder& order) {
    const std::uint64_t hashed = hashed_count(nodes);
    order.hashed.clear();
    order.hashed.reserve(hashed);
    for (std::uint64_t k = 0; k < hashed; k++) {
        const auto index = static_cast<std::uint32_t>(first_hashed(nodes) + k);
        if (*word_of(nodes, index) != 0) {
            order.hashed.push_back(index);
        }
    }
    if (nodes.kind == IdKind::numbers) {
        std::sort(order.hashed.begin(), order.hashed.end(),
                  [&nodes](std::uint32_t a, std::uint32_t b) {
                      return key_of(nodes, a) < key_of(nodes, b);
                  });
    } else {
        std::sort(order.hashed.begin(), order.hashed.end(),
                  [&nodes](std::uint32_t a, std::uint32_t b) {
                      return first_position(nodes, a) < first_position(nodes, b);
                  });
    }
}

void number_components(NodeIndex& nodes, const NodeOrder& order,
                       std::vector<std::uint32_t>& sizes) {
    sizes.clear();
    for_each_node(nodes, order, [&nodes, &sizes](std::uint32_t index) {
        const std::uint32_t word = *word_of(nodes, index);
        const std::uint32_t root = (word & ROOT) != 0 ? index : word;
        std::uint32_t& rootWord = *word_of(nodes, root);
        if ((rootWord & NUMBERED) == 0) {
            sizes.push_back(rootWord & WORD_VALUE);
            rootWord = ROOT | NUMBERED | static_cast<std::uint32_t>(sizes.size());
        }
    });
}

} // namespace ugraph

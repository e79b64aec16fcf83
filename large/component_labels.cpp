// Component labels (the components of a read graph, counted or numbered once, for every writer)
#include "large/component_labels.h"

#include <algorithm>

namespace ugraph {

// Calls visit(index) for every index that may be a node, in index order.
template <typename Visit> static void for_each_index(const NodeIndex& nodes, Visit&& visit) {
    if (nodes.kind == IdKind::numbers) {
        const std::uint32_t top = nodes.directTop.load();
        for (std::uint32_t index = nodes.directBottom.load(); index <= top; index++) {
            visit(index);
        }
    }
    const std::uint64_t hashed = hashed_count(nodes);
    for (std::uint64_t k = 0; k < hashed; k++) {
        visit(static_cast<std::uint32_t>(first_hashed(nodes) + k));
    }
}

// A word of 0 is a direct number that never occurred, or a hole.
static void flatten_forest(NodeIndex& nodes) {
    for_each_index(nodes, [&nodes](std::uint32_t index) {
        std::uint32_t& word = *word_of(nodes, index);
        if (word != 0) {
            word = *word_of(nodes, word);
        }
    });
}

static Mapped<std::uint32_t> index_table(const NodeIndex& nodes) {
    return mapped_block<std::uint32_t>(index_count(nodes));
}

bool count_components(NodeIndex& nodes, Tally& tally) {
    tally = Tally{};
    flatten_forest(nodes);
    Mapped<std::uint32_t> sizeOf = index_table(nodes); // of each root
    if (!sizeOf) {
        return false;
    }
    for_each_index(nodes, [&nodes, &tally, &sizeOf](std::uint32_t index) {
        const std::uint32_t root = *word_of(nodes, index);
        if (root != 0) {
            tally.nodes++;
            tally.components += root == index ? 1 : 0;
            tally.largest = std::max<std::uint64_t>(tally.largest, ++sizeOf[root]);
        }
    });
    return true;
}

// The hashed nodes, holes left out: a hole's word is 0.
static void order_nodes(NodeIndex& nodes, NodeOrder& order) {
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

// A root is numbered when the first node of its tree is met in order.
bool label_components(NodeIndex& nodes, ComponentLabels& labels) {
    flatten_forest(nodes);
    labels.numberOf = index_table(nodes);
    if (!labels.numberOf) {
        return false;
    }
    order_nodes(nodes, labels.order);
    labels.sizes.clear();
    labels.tally = Tally{};
    for_each_node(nodes, labels.order, [&nodes, &labels](std::uint32_t index) {
        const std::uint32_t root = *word_of(nodes, index);
        std::uint32_t& number = labels.numberOf[root];
        if (number == 0) {
            labels.sizes.push_back(0);
            number = static_cast<std::uint32_t>(labels.sizes.size());
        }
        labels.numberOf[index] = number;
        labels.tally.nodes++;
        const std::uint32_t size = ++labels.sizes[number - 1];
        labels.tally.largest = std::max<std::uint64_t>(labels.tally.largest, size);
    });
    labels.tally.components = labels.sizes.size();
    return true;
}

std::uint32_t largest_component(const ComponentLabels& labels) {
    std::uint32_t k = labels.sizes.empty() ? 0 : 1;
    for (std::uint32_t i = 1; i < labels.sizes.size(); i++) {
        k = labels.sizes[i] > labels.sizes[k - 1] ? i + 1 : k;
    }
    return k;
}

} // namespace ugraph

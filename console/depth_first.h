// Depth-first search (the one preorder walk of the dialogue's and the large graphs' components)
#ifndef UGRAPH_DEPTH_FIRST_H
#define UGRAPH_DEPTH_FIRST_H

#include <array>
#include <cstddef>

namespace ugraph {

// A stack in a fixed array, with the four members the search uses (empty,
// back, push_back, pop_back), for the rooms that do not allocate. At most
// Size items are pushed.
template <typename Item, std::size_t Size> struct FixedStack {
    std::array<Item, Size> items;
    std::size_t size;

    [[nodiscard]] bool empty() const {
        return size == 0;
    }
    [[nodiscard]] Item back() const {
        return items[size - 1];
    }
    void push_back(Item item) {
        items[size++] = item;
    }
    void pop_back() {
        size--;
    }
};

// Searches depth first from `start`, which is unreached: reach(node) for every
// node in preorder; next(node, found) gives the node's first unreached
// neighbor in `found`, false when it has none left; finish(node) once the
// node has none, just before the search steps back to the node it was
// reached from. The stack, empty on entry and on return, holds the path
// from start to the node searched.
template <typename Node, typename Stack, typename Next, typename Reach, typename Finish>
void search_depth_first(Node start, Stack& stack, Next&& next, Reach&& reach, Finish&& finish) {
    reach(start);
    stack.push_back(start);
    while (!stack.empty()) {
        const Node node = stack.back();
        Node found{};
        if (next(node, found)) {
            reach(found);
            stack.push_back(found);
        } else {
            finish(node);
            stack.pop_back();
        }
    }
}

} // namespace ugraph

#endif

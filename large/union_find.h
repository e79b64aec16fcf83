// Union-find (joins the two nodes of every link into one tree, on every core at once)
//
// A concurrent union-find after R. J. Anderson and H. Woll, "Wait-free
// parallel algorithms for the union-find problem", STOC 1991: a root is
// linked below another root with one compare-and-swap, which fails when
// another thread has linked it first, and the union then starts again from
// the new roots. A find halves the path it walks (R. E. Tarjan and J. van
// Leeuwen, "Worst-case analysis of set union algorithms", JACM 1984).
//
// Invariant: a node's word is its parent's index, and a root's word is its
// own index. Roots are linked by index, the larger below the smaller, so
// every parent has a smaller index than its child, no cycle can form, and
// the root of every tree is its smallest index.
//
// Threads: find_root and unite run on any number of threads at once, on the
// words through atomic_ref: a load of a parent acquires, the store that
// halves a path releases, and the compare-and-swap that links a root does
// both, so a thread that meets a new parent reads what its linker wrote.
// Once the readers are joined, the words are read plainly (the component
// labels), and still hold parents and nothing else.
#ifndef UGRAPH_UNION_FIND_H
#define UGRAPH_UNION_FIND_H

#include "large/node_index.h"

namespace ugraph {

inline std::uint32_t find_root(NodeIndex& nodes, std::uint32_t node) {
    for (;;) {
        std::atomic_ref<std::uint32_t> word(*word_of(nodes, node));
        const std::uint32_t parent = word.load(std::memory_order_acquire);
        if (parent == node) {
            return node;
        }
        const std::uint32_t grandparent =
            std::atomic_ref<std::uint32_t>(*word_of(nodes, parent)).load(std::memory_order_acquire);
        if (grandparent == parent) {
            return parent;
        }
        // Any ancestor is a valid parent: a racing store only writes another one.
        word.store(grandparent, std::memory_order_release);
        node = grandparent;
    }
}

inline void unite(NodeIndex& nodes, std::uint32_t a, std::uint32_t b) {
    for (;;) {
        a = find_root(nodes, a);
        b = find_root(nodes, b);
        if (a == b) {
            return;
        }
        if (a < b) {
            const std::uint32_t smaller = a;
            a = b;
            b = smaller;
        }
        std::uint32_t root = a;
        if (std::atomic_ref<std::uint32_t>(*word_of(nodes, a))
                .compare_exchange_strong(root, b, std::memory_order_acq_rel)) {
            return;
        }
    }
}

} // namespace ugraph

#endif

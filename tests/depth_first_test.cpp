// Depth-first search: the preorder and the steps back, on a growing and on a fixed stack.
#include <gtest/gtest.h>

#include <vector>

#include "console/depth_first.h"

namespace ugraph::testing {
namespace {

struct Walked {
    std::vector<int> reached;
    std::vector<int> finished;
};

// Searches from start, taking each node's neighbors in list order and
// scanning every list from its head, as the dialogue does.
template <typename Stack>
Walked search(const std::vector<std::vector<int>>& neighbors, int start, Stack& stack) {
    Walked w;
    std::vector<bool> seen(neighbors.size(), false);
    search_depth_first(
        start, stack,
        [&](int node, int& next) {
            for (const int to : neighbors[static_cast<std::size_t>(node)]) {
                if (!seen[static_cast<std::size_t>(to)]) {
                    next = to;
                    return true;
                }
            }
            return false;
        },
        [&](int node) {
            seen[static_cast<std::size_t>(node)] = true;
            w.reached.push_back(node);
        },
        [&](int node) { w.finished.push_back(node); });
    return w;
}

TEST(DepthFirst, PreorderAndStepsBack) {
    struct Case {
        const char* what;
        std::vector<std::vector<int>> neighbors;
        int start;
        std::vector<int> reached;
        std::vector<int> finished;
    };
    const Case cases[] = {
        {"one node", {{}}, 0, {0}, {0}},
        {"a link to itself", {{0}}, 0, {0}, {0}},
        {"a path, from its middle", {{1}, {0, 2}, {1}}, 1, {1, 0, 2}, {0, 2, 1}},
        {"a triangle: the third node through the second",
         {{1, 2}, {0, 2}, {0, 1}},
         0,
         {0, 1, 2},
         {2, 1, 0}},
        {"back past a finished branch to its parent",
         {{1, 3}, {0, 2}, {1}, {0}},
         0,
         {0, 1, 2, 3},
         {2, 1, 3, 0}},
        {"nodes outside the component stay unreached", {{1}, {0}, {3}, {2}}, 3, {3, 2}, {2, 3}},
    };
    for (const Case& c : cases) {
        std::vector<int> growing;
        const Walked a = search(c.neighbors, c.start, growing);
        EXPECT_EQ(a.reached, c.reached) << c.what;
        EXPECT_EQ(a.finished, c.finished) << c.what;
        EXPECT_TRUE(growing.empty()) << c.what;
        FixedStack<int, 4> fixed{};
        const Walked b = search(c.neighbors, c.start, fixed);
        EXPECT_EQ(b.reached, c.reached) << c.what;
        EXPECT_EQ(b.finished, c.finished) << c.what;
        EXPECT_TRUE(fixed.empty()) << c.what;
    }
}

} // namespace
} // namespace ugraph::testing

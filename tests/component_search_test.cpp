// Component search and report: depth-first order, numbering, report text.
#include <gtest/gtest.h>

#include <string>

#include "analysis/component_search.h"
#include "analysis/link_index.h"
#include "analysis/link_normalisation.h"
#include "console_capture.h"
#include "link_table.h"

namespace ugraph::testing {
namespace {

struct Report {
    std::string text;
    NodeTable componentOf{};
};

// Normalises and indexes the links, then runs the search on them.
Report report_of(std::int32_t nodes, const Entries& links) {
    Table t = make_table(nodes, links);
    normalize_links(t.linkFrom, t.linkTo);
    NodeTable degree{};
    NodeTable firstLink{};
    build_link_index(t.linkFrom, t.linkTo, degree, firstLink);
    Report r;
    r.componentOf.fill(-1);
    ConsoleCapture console("");
    report_components(t.linkFrom, t.linkTo, firstLink, r.componentOf);
    r.text = console.output();
    return r;
}

TEST(ComponentSearch, WorkedExample) {
    const Report r = report_of(6, {{1, 2}, {2, 3}, {4, 5}});
    EXPECT_EQ(r.text, "Component #1:  1 2 3 \n"
                      "Component #2:  4 5 \n"
                      "Component #3:  6 \n"
                      "\n"
                      "Location of (nodes) in components\n"
                      "(1)1 (2)1 (3)1 (4)2 (5)2 (6)3 \n"
                      "\n");
    EXPECT_EQ(r.componentOf[0], -1) << "slot 0 is not touched";
    EXPECT_EQ(r.componentOf[7], -1) << "slots above N are not touched";
}

TEST(ComponentSearch, DepthFirstOrderStepsBack) {
    EXPECT_EQ(report_of(4, {{1, 4}, {4, 2}, {1, 3}}).text.substr(0, 24),
              "Component #1:  1 3 4 2 \n");
    EXPECT_EQ(report_of(10, {{1, 10}, {1, 2}}).text.substr(0, 23), "Component #1:  1 2 10 \n");
    // A deeper path back: 1-2-3 finished, 1 continues to 4.
    EXPECT_EQ(report_of(5, {{1, 2}, {2, 3}, {1, 4}, {4, 5}}).text.substr(0, 26),
              "Component #1:  1 2 3 4 5 \n");
}

TEST(ComponentSearch, NodesWithoutLinksAndSelfLinks) {
    const Report r = report_of(3, {{2, 2}});
    EXPECT_EQ(r.text, "Component #1:  1 \nComponent #2:  2 \nComponent #3:  3 \n\n"
                      "Location of (nodes) in components\n(1)1 (2)2 (3)3 \n\n");
}

TEST(ComponentSearch, LocationLineIsInNodeOrder) {
    const Report r = report_of(4, {{2, 4}, {1, 3}});
    EXPECT_NE(r.text.find("(1)1 (2)2 (3)1 (4)2 \n"), std::string::npos);
}

TEST(ComponentSearch, LargestGraphs) {
    Entries path;
    for (std::int32_t n = 1; n < 48; n++) {
        path.emplace_back(n, n + 1);
    }
    const Report connected = report_of(48, path);
    EXPECT_EQ(connected.componentOf[48], 1);
    EXPECT_EQ(connected.text.find("Component #2"), std::string::npos);

    const Report isolated = report_of(49, {});
    EXPECT_NE(isolated.text.find("Component #49:  49 \n"), std::string::npos);
    for (std::int32_t n = 1; n <= 49; n++) {
        EXPECT_EQ(isolated.componentOf[n], n);
    }
}

TEST(ComponentSearch, NoNodes) {
    EXPECT_EQ(report_of(0, {}).text, "\nLocation of (nodes) in components\n\n\n");
}

TEST(ComponentSearch, EntriesOutsideTheNodesAreIgnored) {
    // (2, 7) names a node above N = 3; it reaches nothing.
    Table t = make_table(3, {{1, 2}, {2, 1}, {2, 7}});
    NodeTable degree{};
    NodeTable firstLink{};
    build_link_index(t.linkFrom, t.linkTo, degree, firstLink);
    NodeTable componentOf{};
    ConsoleCapture console("");
    report_components(t.linkFrom, t.linkTo, firstLink, componentOf);
    EXPECT_EQ(console.output().substr(0, 40), "Component #1:  1 2 \nComponent #2:  3 \n\nL");
}

} // namespace
} // namespace ugraph::testing

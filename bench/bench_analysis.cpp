// Benchmarks of the analysis on the largest tables the program handles.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "analysis/component_search.h"
#include "analysis/link_index.h"
#include "analysis/link_normalisation.h"
#include "console/console.h"
#include "driver/graph_record.h"

namespace {

using namespace ugraph;

// The largest graph the data file takes: 48 nodes and 624 distinct links,
// taken by ascending distance between their nodes (so it is connected), in
// the file reader's raw form: every link as listed, then every link reversed.
GraphRecord largest_file_graph() {
    GraphRecord g{};
    std::int32_t links = 0;
    for (std::int32_t distance = 1; links < 624; distance++) {
        for (std::int32_t a = 1; a + distance <= 48 && links < 624; a++) {
            links++;
            g.linkFrom[links] = a;
            g.linkTo[links] = a + distance;
        }
    }
    for (std::int32_t j = 1; j <= links; j++) {
        g.linkFrom[links + j] = g.linkTo[j];
        g.linkTo[links + j] = g.linkFrom[j];
    }
    g.linkFrom[0] = 2 * links;
    g.linkTo[0] = 48;
    g.linkFrom[2 * links + 1] = 0;
    g.linkTo[2 * links + 1] = 0;
    return g;
}

GraphRecord indexed(GraphRecord g) {
    normalize_links(g.linkFrom, g.linkTo);
    build_link_index(g.linkFrom, g.linkTo, g.degree, g.firstLink);
    return g;
}

void BM_NormaliseLargestFileTable(benchmark::State& state) {
    const GraphRecord raw = largest_file_graph();
    for (auto _ : state) {
        GraphRecord g = raw;
        normalize_links(g.linkFrom, g.linkTo);
        benchmark::DoNotOptimize(g.linkFrom.data());
    }
}
BENCHMARK(BM_NormaliseLargestFileTable);

void BM_NormaliseNormalisedTable(benchmark::State& state) {
    const GraphRecord once = indexed(largest_file_graph());
    for (auto _ : state) {
        GraphRecord g = once;
        normalize_links(g.linkFrom, g.linkTo);
        benchmark::DoNotOptimize(g.linkFrom.data());
    }
}
BENCHMARK(BM_NormaliseNormalisedTable);

void BM_BuildLinkIndex(benchmark::State& state) {
    GraphRecord g = indexed(largest_file_graph());
    for (auto _ : state) {
        build_link_index(g.linkFrom, g.linkTo, g.degree, g.firstLink);
        benchmark::DoNotOptimize(g.firstLink.data());
    }
}
BENCHMARK(BM_BuildLinkIndex);

void search(benchmark::State& state, GraphRecord g) {
    std::FILE* sink = std::fopen("/dev/null", "w");
    use_console_streams(nullptr, sink);
    for (auto _ : state) {
        report_components(g.linkFrom, g.linkTo, g.firstLink, g.componentOf);
        benchmark::DoNotOptimize(g.componentOf.data());
    }
    use_console_streams(nullptr, nullptr);
    std::fclose(sink);
}

void BM_SearchConnected48(benchmark::State& state) {
    search(state, indexed(largest_file_graph()));
}
BENCHMARK(BM_SearchConnected48);

void BM_SearchIsolated49(benchmark::State& state) {
    GraphRecord g{};
    g.linkTo[0] = 49;
    search(state, indexed(g));
}
BENCHMARK(BM_SearchIsolated49);

} // namespace

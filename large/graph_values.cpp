// Graph values (a graph's nodes and components as values, for a caller of its own: the Python
// module)
#include "large/graph_values.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <vector>

namespace ugraph {

Failure read_labelled_graph(const char* name, const GraphFileOptions& options,
                            std::uint32_t threads, LabelledGraph& graph) {
    graph.options = options;
    graph.options.format = FileFormat::labels; // keeps no link it need not
    graph.run = FileRun{};
    graph.run.options = &graph.options;
    graph.run.threads = threads;
    Failure f = open_and_read(name, graph.run);
    close_source(graph.run.source);
    if (failed(f)) {
        return f;
    }
    graph.run.pass.kept.clear(); // a format read once keeps its links; no one reads them here
    graph.run.pass.spans.clear();
    drop_hash_slots(*graph.run.nodes);
    return label_components(*graph.run.nodes, graph.labels) ? f
                                                            : failure(FailureKind::out_of_memory);
}

std::unique_ptr<NodeIndex> numbered_nodes(std::uint32_t count) {
    std::unique_ptr<NodeIndex> nodes = make_node_index(IdKind::numbers, count);
    for (std::uint32_t k = 0; nodes && k < count; k++) {
        mark_node(*nodes, k + 1);
    }
    return nodes;
}

struct PartTaker {
    const PartedWork* work;
    std::atomic<std::uint64_t>* next;
    pthread_t thread;
};

static void* take_parts(void* taker) {
    const PartTaker& t = *static_cast<const PartTaker*>(taker);
    for (std::uint64_t part = t.next->fetch_add(1); part < t.work->parts;
         part = t.next->fetch_add(1)) {
        t.work->run(t.work->context, part);
    }
    return nullptr;
}

void run_parts(const PartedWork& work, std::uint32_t threads) {
    std::atomic<std::uint64_t> next{0};
    const auto others = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(threads > 0 ? threads - 1 : 0, work.parts));
    std::vector<PartTaker> takers(others, PartTaker{&work, &next, {}});
    std::vector<bool> started(others, false);
    for (std::uint32_t i = 0; i < others; i++) {
        started[i] = pthread_create(&takers[i].thread, nullptr, take_parts, &takers[i]) == 0;
    }
    PartTaker self{&work, &next, {}};
    take_parts(&self);
    for (std::uint32_t i = 0; i < others; i++) {
        if (started[i]) {
            pthread_join(takers[i].thread, nullptr);
        }
    }
}

} // namespace ugraph

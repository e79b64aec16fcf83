// Link sinks (what is done with each batch of links a parser reads)
#include "large/link_sinks.h"

#include "large/union_find.h"

namespace ugraph {

// Fetches the parent of a direct node, whose own word was fetched as its line was read.
static void prefetch_parent(NodeIndex& nodes, std::uint32_t index) {
    if (index != 0 && is_direct(nodes, index)) {
        const std::uint32_t parent =
            std::atomic_ref<std::uint32_t>(nodes.direct[index]).load(std::memory_order_relaxed);
        if (parent != index) {
            __builtin_prefetch(&nodes.direct[parent], 1);
        }
    }
}

// Every node of the batch becomes a tree of the forest when new, and every
// link joins two. The nodes' words were fetched while the batch was read,
// and their parents are fetched first, so the misses of many links overlap
// instead of one after another.
bool take_batch(ForestSink& sink, const LinkBatch& batch) {
    NodeIndex& nodes = *sink.nodes;
    for (std::uint32_t i = 0; i < batch.count; i++) {
        prefetch_parent(nodes, batch.from[i]);
        prefetch_parent(nodes, batch.to[i]);
    }
    for (std::uint32_t i = 0; i < batch.count; i++) {
        const std::uint32_t a = batch.from[i];
        const std::uint32_t b = batch.to[i];
        mark_node(nodes, a);
        if (b == 0) {
            continue; // a node without links
        }
        mark_node(nodes, b);
        sink.links++;
        unite(nodes, a, b);
        if (sink.keep && !keep_link(sink.kept, a, b)) {
            return false;
        }
    }
    return true;
}

void take_batch(ReplaySink& sink, const LinkBatch& batch) {
    for (std::uint32_t i = 0; i < batch.count; i++) {
        if (batch.to[i] != 0) {
            sink.links++;
            take_link(*sink.out, batch.from[i], batch.to[i]);
        }
    }
}

} // namespace ugraph

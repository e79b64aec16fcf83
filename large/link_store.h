// Link store (the links of a file as pairs of node indexes, in chunks that never move)
#ifndef UGRAPH_LINK_STORE_H
#define UGRAPH_LINK_STORE_H

#include "large/node_index.h"

namespace ugraph {

inline constexpr std::uint64_t LINK_CHUNK = 1U << 20; // links a chunk holds

// Link k is (chunks[k / LINK_CHUNK][2j], chunks[k / LINK_CHUNK][2j + 1]), j = k % LINK_CHUNK.
struct LinkStore {
    std::vector<Mapped<std::uint32_t>> chunks;
    std::uint64_t count;
};

// The links one block of the file gave: `count` links of store `store` from
// link `first` on. Blocks in order give the links in the file's order.
struct KeptSpan {
    std::uint64_t block;
    std::uint32_t store;
    std::uint64_t first;
    std::uint64_t count;
};

// Keeps one link; false when memory runs out.
inline bool keep_link(LinkStore& store, std::uint32_t a, std::uint32_t b) {
    const std::uint64_t j = store.count % LINK_CHUNK;
    if (j == 0) {
        Mapped<std::uint32_t> chunk = mapped_block<std::uint32_t>(2 * LINK_CHUNK);
        if (!chunk) {
            return false;
        }
        store.chunks.push_back(std::move(chunk));
    }
    std::uint32_t* pair = store.chunks.back().get() + 2 * j;
    pair[0] = a;
    pair[1] = b;
    store.count++;
    return true;
}

// Calls each(a, b) for every kept link, in the file's order.
template <typename Each>
void for_each_kept_link(const std::vector<LinkStore>& stores, const std::vector<KeptSpan>& spans,
                        Each&& each) {
    for (const KeptSpan& span : spans) {
        const LinkStore& store = stores[span.store];
        for (std::uint64_t k = span.first; k < span.first + span.count; k++) {
            const std::uint32_t* pair = store.chunks[k / LINK_CHUNK].get() + 2 * (k % LINK_CHUNK);
            each(pair[0], pair[1]);
        }
    }
}

} // namespace ugraph

#endif

// Link normalisation (every link in both directions, sorted, without duplicates)
#include "analysis/link_normalisation.h"

#include "analysis/pair_code_sort.h"

namespace ugraph {

static bool is_pair_node(std::int32_t node) {
    return node >= 1 && node < PAIR_BASE;
}

// Packs every entry and its reverse into codes[1..]; returns the item count.
// Entries whose nodes do not fit a pair code are left out.
static std::int32_t pair_entries(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                                 PairCodes& codes) {
    std::int32_t items = 0;
    for (std::int32_t k = 1; k <= MAX_RAW_ENTRIES && linkFrom[k] != 0; k++) {
        const std::int32_t a = linkFrom[k];
        const std::int32_t b = linkTo[k];
        if (is_pair_node(a) && is_pair_node(b)) {
            codes[++items] = a * PAIR_BASE + b;
            codes[++items] = b * PAIR_BASE + a;
        }
    }
    codes[items + 1] = 0; // read by the compaction as the item after the last
    return items;
}

void normalize_links(LinkColumn& linkFrom, LinkColumn& linkTo) {
    PairCodes codes;
    const std::int32_t n = pair_entries(linkFrom, linkTo, codes);
    sort_pair_codes(codes, n, [](std::int32_t, std::int32_t) {});
    std::int32_t kept = 0;
    for (std::int32_t i = 1; i <= n; i++) {
        if (codes[i] != codes[i + 1]) { // of a run of equal codes only the last is kept
            kept++;
            linkFrom[kept] = codes[i] / PAIR_BASE;
            linkTo[kept] = codes[i] % PAIR_BASE;
        }
    }
    linkFrom[0] = kept;
    linkFrom[kept + 1] = 0;
    linkTo[kept + 1] = 0;
}

std::int32_t count_links(const LinkColumn& linkFrom, const LinkColumn& linkTo) {
    std::int32_t selfLinks = 0;
    std::int32_t others = 0;
    for (std::int32_t k = 1; k < LINK_SLOTS && linkFrom[k] != 0; k++) {
        if (linkFrom[k] == linkTo[k]) {
            selfLinks++;
        } else {
            others++;
        }
    }
    return selfLinks + others / 2;
}

} // namespace ugraph

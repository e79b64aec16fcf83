// Pair-code sort (the selection sort's exchanges, each found without a scan)
#ifndef UGRAPH_PAIR_CODE_SORT_H
#define UGRAPH_PAIR_CODE_SORT_H

#include "driver/graph_record.h"

namespace ugraph {

// Items stand in slots 1..n; slot 0 is not used. Codes lie in 1..99,999,999.
using PairCodes = std::array<std::int32_t, LINK_SLOTS>;

inline constexpr std::int32_t RADIX_BITS = 9; // three passes cover a code's 27 bits
inline constexpr std::int32_t RADIX_PASSES = 3;
inline constexpr std::int32_t RADIX_BUCKETS = 1 << RADIX_BITS;

// The selection sort moves, at step p, the first smallest item among p..n to p.
// That item's value is the p-th value of the final order, so the sort is
// replayed from the final order: `sorted` holds the codes in ascending order,
// and for the run of equal codes that sorted[s..e] forms, `positions[s..e]`
// holds the places where those codes stand, ascending. Once steps s..p-1 have
// fixed the first of them, positions[p..e] are the ones still to come, and
// positions[p] is the leftmost. `runAt[q]` is the start s of the run of the
// code that stands at place q now.
struct SortState {
    PairCodes sorted;
    PairCodes positions;
    PairCodes runAt;
};

// Places 1..n ordered by code with stable radix passes, so equal codes keep
// their places in ascending order.
inline void order_places(const PairCodes& codes, std::int32_t n, PairCodes& order) {
    PairCodes spare;
    PairCodes* from = &order;
    PairCodes* to = &spare;
    for (std::int32_t q = 1; q <= n; q++) {
        order[q] = q;
    }
    for (std::int32_t pass = 0; pass < RADIX_PASSES; pass++) {
        const std::int32_t shift = pass * RADIX_BITS;
        std::array<std::int32_t, RADIX_BUCKETS + 1> next{};
        for (std::int32_t j = 1; j <= n; j++) {
            next[((codes[(*from)[j]] >> shift) & (RADIX_BUCKETS - 1)) + 1]++;
        }
        next[0] = 1;
        for (std::int32_t b = 1; b <= RADIX_BUCKETS; b++) {
            next[b] += next[b - 1];
        }
        for (std::int32_t j = 1; j <= n; j++) {
            const std::int32_t q = (*from)[j];
            (*to)[next[(codes[q] >> shift) & (RADIX_BUCKETS - 1)]++] = q;
        }
        PairCodes* done = to;
        to = from;
        from = done;
    }
    if (from != &order) {
        order = *from;
    }
}

inline void prepare_sort(const PairCodes& codes, std::int32_t n, SortState& s) {
    order_places(codes, n, s.positions);
    std::int32_t runStart = 1;
    for (std::int32_t j = 1; j <= n; j++) {
        s.sorted[j] = codes[s.positions[j]];
        if (s.sorted[j] != s.sorted[runStart]) {
            runStart = j;
        }
        s.runAt[s.positions[j]] = runStart;
    }
}

// The code that stood at p (the leftmost place still to come) now stands at
// `at`: its run, not yet begun, takes `at` for p and keeps its places ascending.
inline void move_displaced(SortState& s, std::int32_t n, std::int32_t p, std::int32_t at) {
    std::int32_t j = s.runAt[p];
    const std::int32_t code = s.sorted[j];
    for (; j < n && s.sorted[j + 1] == code && s.positions[j + 1] < at; j++) {
        s.positions[j] = s.positions[j + 1];
    }
    s.positions[j] = at;
    s.runAt[at] = s.runAt[p];
}

// Sorts items 1..n ascending with exactly the selection sort's exchanges: for
// each p from 1 to n, the first smallest item among p..n changes places with
// item p when it stands elsewhere; nothing else moves. exchanged(p, at) is
// called after each exchange.
template <typename Exchanged>
void sort_pair_codes(PairCodes& codes, std::int32_t n, Exchanged&& exchanged) {
    if (n < 1 || n >= LINK_SLOTS) {
        return;
    }
    SortState s; // every slot read below is written by prepare_sort first
    prepare_sort(codes, n, s);
    for (std::int32_t p = 1; p <= n; p++) {
        const std::int32_t at = s.positions[p];
        if (at != p) {
            move_displaced(s, n, p, at);
            const std::int32_t item = codes[p];
            codes[p] = codes[at];
            codes[at] = item;
            exchanged(p, at);
        }
    }
}

} // namespace ugraph

#endif

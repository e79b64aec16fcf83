// Test helper: builds link tables from lists of entries and reads them back.
#ifndef UGRAPH_TESTS_LINK_TABLE_H
#define UGRAPH_TESTS_LINK_TABLE_H

#include <utility>
#include <vector>

#include "driver/graph_record.h"

namespace ugraph::testing {

using Entries = std::vector<std::pair<std::int32_t, std::int32_t>>;

struct Table {
    LinkColumn linkFrom{};
    LinkColumn linkTo{};
};

inline Table make_table(std::int32_t nodes, const Entries& entries) {
    Table t;
    std::int32_t k = 0;
    for (const auto& [from, to] : entries) {
        k++;
        t.linkFrom[k] = from;
        t.linkTo[k] = to;
    }
    t.linkFrom[0] = k;
    t.linkTo[0] = nodes;
    return t;
}

// The entries from slot 1 up to the terminating 0 entry.
inline Entries entries_of(const LinkColumn& linkFrom, const LinkColumn& linkTo) {
    Entries e;
    for (std::int32_t k = 1; k < LINK_SLOTS && linkFrom[k] != 0; k++) {
        e.emplace_back(linkFrom[k], linkTo[k]);
    }
    return e;
}

inline Entries entries_of(const Table& t) {
    return entries_of(t.linkFrom, t.linkTo);
}

} // namespace ugraph::testing

#endif

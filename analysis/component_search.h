// Component search and report (connected components in depth-first order)
#ifndef UGRAPH_COMPONENT_SEARCH_H
#define UGRAPH_COMPONENT_SEARCH_H

#include "console/report_writer.h"
#include "driver/graph_record.h"

namespace ugraph {

// The discovery list holds a 0 marker, then the nodes of component 1 in the
// order reached, a 0 marker, the nodes of component 2, and so on, and two 0
// markers at the end: at most N + C + 2 items, where N + C is at most 98.
inline constexpr std::int32_t DISCOVERY_SLOTS = 2 * NODE_SLOTS;

using DiscoveryList = std::array<std::int32_t, DISCOVERY_SLOTS>;

// What the search finds: the discovery list from slot 0 to `end`, the number
// of components, and the node count it searched (N, taken as 0..49).
struct Components {
    DiscoveryList list;
    std::int32_t end;
    std::int32_t count;
    std::int32_t nodes;
};

// Searches a normalised, indexed link table depth first from the smallest
// unreached node; numbers the components by their smallest node and fills
// componentOf[1..N].
void find_components(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                     const NodeTable& firstLink, NodeTable& componentOf, Components& found);

// Steps from one component to the next in report order: on entry `end` is the
// position of the marker before the component (0 for the first), on return
// the component's nodes stand at first..end - 1. False after the last one.
bool next_component(const Components& found, std::int32_t& first, std::int32_t& end);

// Writes, after the head, every component in report order (nodes in
// depth-first order) and the tail of the writer's format: every node's
// component, or every link once from its lower end.
void write_component_report(const ReportWriter& writer, const LinkColumn& linkFrom,
                            const LinkColumn& linkTo, const Components& found,
                            const NodeTable& componentOf);

// Finds the components, numbered by their smallest node, fills
// componentOf[1..N] and writes them in text after the head.
void report_components(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                       const NodeTable& firstLink, NodeTable& componentOf);

} // namespace ugraph

#endif

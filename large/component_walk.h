// Component walk (the components of a kept graph in depth-first order: text, JSON, DOT)
#ifndef UGRAPH_COMPONENT_WALK_H
#define UGRAPH_COMPONENT_WALK_H

#include "console/report_writer.h"
#include "large/component_labels.h"
#include "large/link_store.h"

namespace ugraph {

// Writes the report the data file's graphs get in these formats: the file's
// name and figures, every component as its nodes in depth-first preorder
// from its first node, taking neighbors in the nodes' order, and (text) the
// component of every node or (DOT) every link. With `only` above 0, the
// report holds that component alone, with its own figures. Components are
// numbered as the labels number them. The kept links are used up: their
// chunks hold the neighbor lists (see the adjacency). With `progress`, the
// progress line shows how far the lists are built. False, with nothing
// written, when memory runs out.
bool write_component_walk(const NodeIndex& nodes, const ComponentLabels& labels,
                          std::vector<LinkStore>& kept, const char* name, std::uint64_t links,
                          const ReportWriter& writer, std::uint32_t only, bool progress);

} // namespace ugraph

#endif

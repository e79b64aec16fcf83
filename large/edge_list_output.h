// Edge list output (the links of a file, or of one of its components, as an edge list)
#ifndef UGRAPH_EDGE_LIST_OUTPUT_H
#define UGRAPH_EDGE_LIST_OUTPUT_H

#include "large/component_labels.h"
#include "large/failure.h"

namespace ugraph {

// The links go through take_link one by one, in the file's order; those of
// `component` (every one for 0) are written as "ID ID" lines, or only
// counted, and their nodes marked as linked.
struct EdgeOutput {
    NodeIndex* nodes;
    const ComponentLabels* labels;
    std::uint32_t component;
    bool write;
    std::uint64_t links;               // links of the component seen
    std::vector<std::uint64_t> linked; // a bit for every node index
    bool started;                      // a line is written
};

void start_edge_output(EdgeOutput& out, NodeIndex& nodes, const ComponentLabels& labels,
                       std::uint32_t component, bool write);

void take_link(EdgeOutput& out, std::uint32_t a, std::uint32_t b);

// Writes every node of the component that no link named, alone on its
// line, in the nodes' order.
void write_lone_nodes(EdgeOutput& out);

// Whether every name can stand in an edge list: none holds a line break (a
// newline or a carriage return); else the failure names the first that cannot.
Failure names_fit_lines(const NodeIndex& nodes, const NodeOrder& order);

} // namespace ugraph

#endif

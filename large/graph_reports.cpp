// Graph reports (the summary line, the labels, and node ids in every format)
#include "large/graph_reports.h"

#include <cstring>

#include "console/console.h"
#include "console/text_escapes.h"

namespace ugraph {

NodeName node_name(const NodeIndex& nodes, std::uint32_t index) {
    const NodeId id = id_of(nodes, index);
    return {id.number, id.name, id.length};
}

void print_node_id(const NodeIndex& nodes, std::uint32_t index, ReportFormat format) {
    report_writer(format).name(node_name(nodes, index));
}

void print_labels(const NodeIndex& nodes, const ComponentLabels& labels, std::uint32_t only) {
    for_each_node(nodes, labels.order, [&nodes, &labels, only](std::uint32_t index) {
        const std::uint32_t component = component_of(labels, index);
        if (only == 0 || component == only) {
            print_node_id(nodes, index, ReportFormat::text);
            print_format("\t%u\n", component);
        }
    });
}

void print_summary_line(const char* name, std::uint64_t links, const Tally& tally) {
    using Figure = unsigned long long;
    print_one_line_text(name, std::strlen(name));
    print_format("  %llu node%s  %llu link%s  %llu component%s  largest %llu\n",
                 static_cast<Figure>(tally.nodes), plural(tally.nodes), static_cast<Figure>(links),
                 plural(links), static_cast<Figure>(tally.components), plural(tally.components),
                 static_cast<Figure>(tally.largest));
}

} // namespace ugraph

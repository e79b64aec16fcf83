// Graph reports (the summary line, the labels, and node ids in every format)
#include "large/graph_reports.h"

#include <cstring>

#include "console/console.h"
#include "console/text_escapes.h"

namespace ugraph {

void print_node_id(const NodeIndex& nodes, std::uint32_t index, IdStyle style) {
    const NodeId id = id_of(nodes, index);
    if (id.name == nullptr) {
        print_format("%llu", static_cast<unsigned long long>(id.number));
    } else if (style == IdStyle::json) {
        print_char('"');
        print_json_text(id.name, id.length);
        print_char('"');
    } else if (style == IdStyle::dot) {
        print_char('"');
        print_dot_id_text(id.name, id.length);
        print_char('"');
    } else {
        for (std::uint32_t i = 0; i < id.length; i++) {
            print_char(id.name[i]);
        }
    }
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

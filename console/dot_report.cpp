// DOT report (the graph and its components for Graphviz)
#include "console/dot_report.h"

#include "console/console.h"
#include "console/text_escapes.h"

namespace ugraph {

using Figure = unsigned long long;

static void write_name(const NodeName& node) {
    print_node_name(node, print_dot_id_text);
}

static void head(const char* name, std::size_t length, std::uint64_t /*nodes*/,
                 std::uint64_t /*links*/) {
    print_format("graph {\n  label=<");
    print_dot_label_text(name, length);
    print_format(">;\n");
}

static void open_component(std::uint64_t component, bool /*first*/) {
    const auto k = static_cast<Figure>(component);
    print_format("  subgraph cluster_%llu {\n    label=\"Component #%llu\";\n   ", k, k);
}

static void member(const NodeName& node, bool /*first*/) {
    print_char(' ');
    write_name(node);
    print_char(';');
}

static void close_component() {
    print_format("\n  }\n");
}

static void open_tail() {}

static void link(const NodeName& from, const NodeName& to) {
    print_format("  ");
    write_name(from);
    print_format(" -- ");
    write_name(to);
    print_format(";\n");
}

static void end() {
    print_format("}\n");
}

const ReportWriter& dot_report() {
    static const ReportWriter writer{head,    open_component, member, close_component, open_tail,
                                     nullptr, link,           end,    write_name};
    return writer;
}

} // namespace ugraph

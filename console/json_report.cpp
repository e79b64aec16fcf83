// JSON report (the graph's figures and components for scripts)
#include "console/json_report.h"

#include "console/console.h"
#include "console/text_escapes.h"

namespace ugraph {

using Figure = unsigned long long;

static void write_name(const NodeName& node) {
    print_node_name(node, print_json_text);
}

static void head(const char* name, std::size_t length, std::uint64_t nodes, std::uint64_t links) {
    print_format("{\"name\": \"");
    print_json_text(name, length);
    print_format("\", \"nodes\": %llu, \"links\": %llu, \"components\": [",
                 static_cast<Figure>(nodes), static_cast<Figure>(links));
}

static void open_component(std::uint64_t /*component*/, bool first) {
    print_format(first ? "[" : ", [");
}

static void member(const NodeName& node, bool first) {
    print_format(first ? "" : ", ");
    write_name(node);
}

static void close_component() {
    print_char(']');
}

static void open_tail() {}

static void end() {
    print_format("]}\n");
}

const ReportWriter& json_report() {
    static const ReportWriter writer{head,    open_component, member, close_component, open_tail,
                                     nullptr, nullptr,        end,    write_name};
    return writer;
}

} // namespace ugraph

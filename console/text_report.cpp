// Text report (the components, and the component of every node, in words)
#include "console/text_report.h"

#include "console/console.h"

namespace ugraph {

using Figure = unsigned long long;

static void write_name(const NodeName& node) {
    print_node_name(node, nullptr);
}

static void head(const char* name, std::size_t /*length*/, std::uint64_t nodes,
                 std::uint64_t links) {
    print_format("Ufile %s     %llu Nodes   %llu Links\n", name, static_cast<Figure>(nodes),
                 static_cast<Figure>(links));
}

static void open_component(std::uint64_t component, bool /*first*/) {
    print_format("Component #%llu:  ", static_cast<Figure>(component));
}

static void member(const NodeName& node, bool /*first*/) {
    write_name(node);
    print_char(' ');
}

static void close_component() {
    print_line("");
}

static void open_tail() {
    print_line("");
    print_line("Location of (nodes) in components");
}

static void location(const NodeName& node, std::uint64_t component) {
    print_char('(');
    write_name(node);
    print_format(")%llu ", static_cast<Figure>(component));
}

static void end() {
    print_line("\n");
}

const ReportWriter& text_report() {
    static const ReportWriter writer{head,     open_component, member, close_component, open_tail,
                                     location, nullptr,        end,    write_name};
    return writer;
}

} // namespace ugraph

// Component DOT writer (the graph and its components for Graphviz)
#include "analysis/component_dot.h"

#include "console/console.h"
#include "console/utf8.h"

namespace ugraph {

// The name goes into an HTML-like label, the one DOT form that can carry any
// text: markup characters as entities, control bytes as their Unicode control
// pictures (U+2401..U+241F, U+2421 for DEL), well-formed UTF-8 as it is, and
// every other byte as the Latin-1 character of its value.
static bool escape_for_label(unsigned char byte, std::int32_t sequence) {
    if (byte == '&') {
        print_format("&amp;");
    } else if (byte == '<') {
        print_format("&lt;");
    } else if (byte == '>') {
        print_format("&gt;");
    } else if (byte == '"') {
        print_format("&quot;");
    } else if (byte < 0x20 || byte == 0x7F) {
        print_format("\xE2\x90%c", static_cast<char>(byte == 0x7F ? 0xA1 : 0x80 + byte));
    } else if (sequence == 0) {
        print_format("&#%d;", byte);
    } else {
        return false;
    }
    return true;
}

void write_components_dot(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                          const NameBuffer& graphName, const Components& found) {
    print_format("graph {\n  label=<");
    print_escaped_name(graphName, escape_for_label);
    print_format(">;\n");
    std::int32_t component = 0;
    std::int32_t first = 0;
    std::int32_t end = 0;
    while (next_component(found, first, end)) {
        component++;
        print_format("  subgraph cluster_%d {\n    label=\"Component #%d\";\n   ", component,
                     component);
        for (std::int32_t pos = first; pos < end; pos++) {
            print_format(" %d;", found.list[pos]);
        }
        print_format("\n  }\n");
    }
    for (std::int32_t k = 1; k < LINK_SLOTS && linkFrom[k] != 0; k++) {
        if (linkFrom[k] <= linkTo[k]) { // each link once, from its lower end
            print_format("  %d -- %d;\n", linkFrom[k], linkTo[k]);
        }
    }
    print_format("}\n");
}

} // namespace ugraph

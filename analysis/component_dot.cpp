// Component DOT writer (the graph and its components for Graphviz)
#include "analysis/component_dot.h"

#include "console/console.h"
#include "console/text_escapes.h"

namespace ugraph {

void write_components_dot(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                          const NameBuffer& graphName, const Components& found) {
    print_format("graph {\n  label=<");
    print_dot_label_text(graphName.data(), static_cast<std::size_t>(name_length(graphName)));
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

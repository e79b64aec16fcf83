// Component JSON writer (the graph's figures and components for scripts)
#include "analysis/component_json.h"

#include "analysis/link_normalisation.h"
#include "console/console.h"
#include "console/text_escapes.h"

namespace ugraph {

void write_components_json(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                           const NameBuffer& graphName, const Components& found) {
    print_format("{\"name\": \"");
    print_json_text(graphName.data(), static_cast<std::size_t>(name_length(graphName)));
    print_format("\", \"nodes\": %d, \"links\": %d, \"components\": [", linkTo[0],
                 count_links(linkFrom, linkTo));
    std::int32_t first = 0;
    std::int32_t end = 0;
    while (next_component(found, first, end)) {
        print_format(first == 1 ? "[" : ", [");
        for (std::int32_t pos = first; pos < end; pos++) {
            print_format(pos == first ? "%d" : ", %d", found.list[pos]);
        }
        print_char(']');
    }
    print_format("]}\n");
}

} // namespace ugraph

// Component JSON writer (the graph's figures and components for scripts)
#include "analysis/component_json.h"

#include "console/console.h"
#include "console/utf8.h"

namespace ugraph {

// The name as a JSON string: well-formed UTF-8 as it is, quote, backslash and
// control bytes escaped, and any other byte as the \u00XX of its value, so
// that the output is valid UTF-8 whatever the name holds.
static bool escape_for_json(unsigned char byte, std::int32_t sequence) {
    if (byte == '"' || byte == '\\') {
        print_format("\\%c", byte);
    } else if (byte < 0x20 || sequence == 0) {
        print_format("\\u%04x", byte);
    } else {
        return false;
    }
    return true;
}

void write_components_json(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                           const NameBuffer& graphName, const Components& found) {
    print_format("{\"name\": \"");
    print_escaped_name(graphName, escape_for_json);
    print_format("\", \"nodes\": %d, \"links\": %d, \"components\": [", linkTo[0], linkFrom[0] / 2);
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

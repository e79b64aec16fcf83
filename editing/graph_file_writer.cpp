// Graph file writer (stores the graph in memory as the data file's one graph)
#include "editing/graph_file_writer.h"

#include <cstdio>

#include "console/console.h"
#include "editing/link_groups.h"
#include "editing/safe_save.h"
#include "input/data_inputs.h"

namespace ugraph {

static void put(GraphText& t, char c) {
    if (t.length < LINE_SIZE - 1) {
        t.chars[t.length] = c;
        t.length++;
    } else {
        t.overflow = true;
    }
}

static void put_text(GraphText& t, const char* text) {
    for (; *text != '\0'; text++) {
        put(t, *text);
    }
}

// Decimal, most significant digit first; number is at least 1.
static void put_number(GraphText& t, std::int32_t number) {
    static const char digits[] = "0123456789";
    std::int64_t power = 1;
    while (number >= power) {
        power *= 10;
    }
    power /= 10;
    std::int64_t rest = number;
    while (power != 0) {
        put(t, digits[rest / power]);
        rest %= power;
        power /= 10;
    }
}

// A name with a double quote or "]" would not read back unchanged.
static bool name_is_storable(const NameBuffer& graphName) {
    for (std::int32_t i = 0; i < NAME_SIZE && graphName[i] != '\0'; i++) {
        if (graphName[i] == '"' || graphName[i] == ']') {
            return false;
        }
    }
    return true;
}

// Opening, name, then for each node (i) and its neighbors above i, closing.
static void build_text(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                       const NameBuffer& graphName, bool selfLinks, GraphText& t) {
    put_text(t, "[U \"");
    for (std::int32_t i = 0; i < NAME_SIZE && graphName[i] != '\0'; i++) {
        put(t, graphName[i]);
    }
    put(t, '"');
    std::int32_t k = 1;
    for (std::int32_t i = 1; i <= linkTo[0] && !t.overflow; i++) {
        put_text(t, ", (");
        put_number(t, i);
        put(t, ')');
        for (; k < LINK_SLOTS && linkFrom[k] == i; k++) {
            if (linkTo[k] > i || (selfLinks && linkTo[k] == i)) { // each link at its lower end
                put(t, ',');
                put_number(t, linkTo[k]);
            }
        }
    }
    put(t, ']');
    t.chars[t.length] = '\0';
}

bool make_graph_text(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                     const NameBuffer& graphName, bool selfLinks, GraphText& text) {
    if (!name_is_storable(graphName)) {
        print_line("Graph name must not contain '\"' or ']'; file not written");
        return false;
    }
    if (largest_link_group(linkFrom, linkTo[0]) < 0) {
        print_line("Links are not grouped by ascending node; file not written");
        return false;
    }
    text = GraphText{};
    build_text(linkFrom, linkTo, graphName, selfLinks, text);
    if (text.overflow) {
        print_line("Graph text is longer than 2503 characters; file not written");
        return false;
    }
    return true;
}

// The whole file, once saved, is the text.
static SaveStatus write_text(std::FILE* /*old*/, std::FILE* fresh, void* context) {
    const GraphText& t = *static_cast<const GraphText*>(context);
    std::fwrite(t.chars.data(), 1, static_cast<std::size_t>(t.length), fresh);
    return SaveStatus::saved;
}

std::int32_t write_graph_file(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                              const NameBuffer& graphName) {
    GraphText t;
    if (!make_graph_text(linkFrom, linkTo, graphName, false, t)) {
        return -1;
    }
    print_line(t.chars.data());
    discard_char(); // the file is not touched before this character has come
    // A failed save has said why.
    return save_data_file(graph_file_path(), write_text, &t) == SaveStatus::saved ? 0 : -1;
}

} // namespace ugraph

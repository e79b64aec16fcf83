// Edit run (loads a graph, lets the user edit it, and saves it into the data file)
#include "driver/edit_run.h"

#include <cstring>

#include "console/console.h"
#include "driver/graph_record.h"
#include "driver/main_dialogue.h"
#include "editing/data_input_save.h"
#include "editing/neighbor_editor.h"
#include "input/graph_file_reader.h"
#include "input/keyboard_entry.h"

namespace ugraph {

// Keeps each link once, at its lower node (a link to itself at its node): the
// rows the editor shows then hold what its prompt asks for, the higher
// neighbors, and a typed line replaces exactly them.
static void keep_lower_entries(LinkColumn& linkFrom, LinkColumn& linkTo) {
    std::int32_t kept = 0;
    for (std::int32_t k = 1; k < LINK_SLOTS - 1 && linkFrom[k] != 0; k++) {
        if (linkTo[k] >= linkFrom[k]) {
            kept++;
            linkFrom[kept] = linkFrom[k];
            linkTo[kept] = linkTo[k];
        }
    }
    linkFrom[0] = kept;
    linkFrom[kept + 1] = 0;
    linkTo[kept + 1] = 0;
}

// Loads the graph to edit; number is its data-input, 0 for a keyboard graph.
// False when nothing was loaded.
static bool load(GraphRecord& g, DataInput& loaded, std::int32_t& number) {
    switch (ask_source()) {
    case Source::keyboard:
        read_graph_keyboard(g.linkFrom, g.linkTo, g.graphName);
        number = 0;
        return true;
    case Source::file:
        return choose_graph_file(g.linkFrom, g.linkTo, g.graphName, loaded, number) >= 0;
    case Source::none:
        break;
    }
    return false;
}

// The name and the normalised link table, node count included, are all a
// saved graph text holds; when they match, saving would change nothing.
static bool same_graph(const GraphRecord& a, const GraphRecord& b) {
    if (std::strncmp(a.graphName.data(), b.graphName.data(), NAME_SIZE) != 0 ||
        a.linkTo[0] != b.linkTo[0] || a.linkFrom[0] != b.linkFrom[0]) {
        return false;
    }
    for (std::int32_t k = 1; k <= a.linkFrom[0] && k < LINK_SLOTS; k++) {
        if (a.linkFrom[k] != b.linkFrom[k] || a.linkTo[k] != b.linkTo[k]) {
            return false;
        }
    }
    return true;
}

static int save(std::int32_t number, const DataInput& loaded, const GraphText& text) {
    std::int32_t added = number;
    const SaveStatus status =
        number != 0 ? replace_data_input(number, loaded, text) : append_data_input(text, added);
    if (status != SaveStatus::saved) { // the save has said why
        return 1;
    }
    if (number != 0) {
        print_format("Graph %d in %s replaced\n", number, graph_file_path());
    } else {
        print_format("Graph %d added to %s\n", added, graph_file_path());
    }
    return 0;
}

int run_edit() {
    GraphRecord g{};
    DataInput loaded{};
    std::int32_t number = 0;
    if (!load(g, loaded, number)) {
        return 1;
    }
    print_summary(g);
    const GraphRecord loadedGraph = g;
    keep_lower_entries(g.linkFrom, g.linkTo);
    edit_neighbor_lists(g.linkFrom, g.linkTo, g.graphName);
    report_graph(g);
    if (number != 0 && same_graph(loadedGraph, g)) {
        print_format("Graph %d unchanged; not saved\n", number);
        return 0;
    }
    GraphText text;
    if (!make_graph_text(g.linkFrom, g.linkTo, g.graphName, true, text) ||
        (number != 0 && !keep_lead_in(loaded, text))) {
        return 1;
    }
    print_line(text.chars.data());
    if (number != 0) {
        print_format("Replace graph %d in %s? (Y/N)\n", number, graph_file_path());
    } else {
        print_format("Add this graph to %s? (Y/N)\n", graph_file_path());
    }
    const YesNo answer = read_yes_no("Error: enter either Y or N");
    if (answer != YesNo::yes) {
        print_line("Not saved");
        return answer == YesNo::no ? 0 : 1;
    }
    return save(number, loaded, text);
}

} // namespace ugraph

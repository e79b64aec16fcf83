// Main dialogue (one run, from the source question to the final pause)
#include "driver/main_dialogue.h"

#include <cstdio>

#include "analysis/component_search.h"
#include "analysis/link_index.h"
#include "analysis/link_normalisation.h"
#include "console/console.h"
#include "console/report_writer.h"
#include "driver/graph_record.h"
#include "input/graph_file_reader.h"
#include "input/keyboard_entry.h"

namespace ugraph {

Source ask_source() {
    print_line("Where is the data for the Ugraph?");
    print_line("If it will be typed in on the (K)eyboard, type K");
    print_line("If it is already in the GraphData (F)ile, type F");
    switch (read_choice("KF", "Error: enter either K or F")) {
    case 'K':
        return Source::keyboard;
    case 'F':
        return Source::file;
    default:
        return Source::none;
    }
}

void print_summary(GraphRecord& g) {
    normalize_links(g.linkFrom, g.linkTo);
    report_writer(ReportFormat::text)
        .head(g.graphName.data(), static_cast<std::size_t>(name_length(g.graphName)),
              static_cast<std::uint64_t>(g.linkTo[0]),
              static_cast<std::uint64_t>(g.linkFrom[0] / 2));
}

void report_graph(GraphRecord& g) {
    print_summary(g);
    build_link_index(g.linkFrom, g.linkTo, g.degree, g.firstLink);
    report_components(g.linkFrom, g.linkTo, g.firstLink, g.componentOf);
}

void run_dialogue() {
    GraphRecord record{}; // the run's one store of graph data
    const Source source = ask_source();
    if (source == Source::none) {
        return;
    }
    if (source == Source::keyboard) {
        read_graph_keyboard(record.linkFrom, record.linkTo, record.graphName);
        report_graph(record);
    } else if (read_graph_file(record.linkFrom, record.linkTo, record.graphName) != 0) {
        report_graph(record);
    }
    discard_char(); // the final pause
}

} // namespace ugraph

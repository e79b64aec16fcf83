// File modes (results of the data file's graphs without the dialogue)
#include "driver/file_modes.h"

#include <cerrno>
#include <cstring>
#include <limits>

#include "analysis/component_search.h"
#include "analysis/link_index.h"
#include "analysis/link_normalisation.h"
#include "console/console.h"
#include "console/text_escapes.h"
#include "driver/main_dialogue.h"
#include "input/data_inputs.h"

namespace ugraph {

static void search(GraphRecord& g, Components& found) {
    build_link_index(g.linkFrom, g.linkTo, g.degree, g.firstLink);
    find_components(g.linkFrom, g.linkTo, g.firstLink, g.componentOf, found);
}

// One listed graph, on one line whatever bytes its name holds.
static void print_listed(std::int32_t number, GraphRecord& g) {
    Components found;
    search(g, found);
    const std::int32_t nodes = g.linkTo[0];
    const std::int32_t links = count_links(g.linkFrom, g.linkTo);
    print_format("%d  \"", number);
    print_one_line_text(g.graphName.data(), static_cast<std::size_t>(name_length(g.graphName)));
    print_format("\"  %d node%s  %d link%s  %d component%s\n", nodes, plural(nodes), links,
                 plural(links), found.count, plural(found.count));
}

// A missing data file keeps the dialogue's words; any other reason is named.
static int cannot_read_file(int error) {
    if (error == ENOENT) {
        print_error("Cannot find file %s\n", graph_file_path());
    } else {
        print_error("Cannot read file %s: %s\n", graph_file_path(), std::strerror(error));
    }
    return 1;
}

static int holds_no_graphs() {
    print_error("ugraph: %s holds no graphs\n", graph_file_path());
    return 1;
}

int list_graphs() {
    std::FILE* file = open_data_file();
    if (file == nullptr) {
        return cannot_read_file(errno);
    }
    DataInput copy{};
    std::int32_t number = 0;
    while (number < std::numeric_limits<std::int32_t>::max() && find_data_input(file)) {
        number++;
        GraphRecord g{};
        Message refusal{};
        if (copy_data_input(file, copy, refusal) &&
            parse_data_input(copy, g.linkFrom, g.linkTo, g.graphName, refusal) >= 0) {
            print_listed(number, g);
        } else {
            print_format("%d  refused: %s\n", number, refusal.data());
        }
    }
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    close_data_file(file);
    if (failed) {
        return cannot_read_file(error != 0 ? error : EIO);
    }
    return number == 0 ? holds_no_graphs() : 0;
}

int show_graph(std::int32_t number, ReportFormat format) {
    DataInput copy{};
    GraphRecord g{};
    std::int32_t count = 0;
    Message refusal{};
    switch (load_data_input(number, copy, g, count, refusal)) {
    case LoadResult::no_file:
        return cannot_read_file(ENOENT);
    case LoadResult::unreadable:
        print_error("Cannot read file %s: %s\n", graph_file_path(), refusal.data());
        return 1;
    case LoadResult::out_of_range:
        if (count == 0) {
            return holds_no_graphs();
        }
        print_error("Number must be between 1 and %d\n", count);
        return 1;
    case LoadResult::refused:
        print_error("%s\n", refusal.data());
        return 1;
    case LoadResult::loaded:
        break;
    }
    if (format == ReportFormat::text) {
        report_graph(g);
        return 0;
    }
    Components found;
    search(g, found);
    const ReportWriter& writer = report_writer(format);
    writer.head(g.graphName.data(), static_cast<std::size_t>(name_length(g.graphName)),
                static_cast<std::uint64_t>(g.linkTo[0]),
                static_cast<std::uint64_t>(count_links(g.linkFrom, g.linkTo)));
    write_component_report(writer, g.linkFrom, g.linkTo, found, g.componentOf);
    return 0;
}

} // namespace ugraph

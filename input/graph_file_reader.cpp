// Graph data file reader (lists, chooses and loads a graph of the data file)
#include "input/graph_file_reader.h"

#include <limits>

#include "console/console.h"

namespace ugraph {

static std::int32_t list_data_inputs(std::FILE* file) {
    std::int32_t count = 0;
    while (count < std::numeric_limits<std::int32_t>::max() && find_data_input(file)) {
        count++;
        print_format("%d  [", count);
        print_line(pass_data_input(file, print_char) ? "]\n" : "\n");
    }
    return count;
}

// The number of the data-input to load; 0 to abort.
static std::int32_t choose_data_input(std::int32_t count) {
    for (;;) {
        print_line("Input number before the selected data-input (zero to abort):");
        std::int32_t chosen = -1;
        const ReadInt got = read_int(chosen);
        if (got == ReadInt::end_of_input) {
            return 0;
        }
        if (got == ReadInt::number && chosen >= 0 && chosen <= count) {
            return chosen;
        }
        print_format("Number must be between 1 and %d\n", count);
    }
}

static void echo(const DataInput& copy) {
    print_line("Input-data from file is:");
    for (std::int32_t i = 0; i < copy.length; i++) {
        print_char(copy.text[i]);
    }
    print_line("");
}

// The dialogue keeps asking on a file without data-inputs, where only the
// answer 0 ends the choice; the edit run says so at once.
static std::int32_t load_chosen(LinkColumn& linkFrom, LinkColumn& linkTo, NameBuffer& graphName,
                                DataInput& copy, std::int32_t& chosen, bool refuseEmpty) {
    std::FILE* file = open_data_file();
    if (file == nullptr) {
        print_format("Cannot find file %s\n", graph_file_path());
        return -1;
    }
    const std::int32_t count = list_data_inputs(file);
    if (count == 0 && refuseEmpty) {
        print_format("ugraph: %s holds no graphs\n", graph_file_path());
        close_data_file(file);
        return -1;
    }
    chosen = choose_data_input(count);
    if (chosen == 0) {
        close_data_file(file);
        return -1;
    }
    position_on(file, chosen);
    Message refusal{};
    const bool copied = copy_data_input(file, copy, refusal);
    close_data_file(file);
    if (!copied) {
        print_line(refusal.data());
        return -1;
    }
    echo(copy);
    const std::int32_t entries = parse_data_input(copy, linkFrom, linkTo, graphName, refusal);
    if (entries < 0) {
        print_line(refusal.data());
    }
    return entries;
}

std::int32_t choose_graph_file(LinkColumn& linkFrom, LinkColumn& linkTo, NameBuffer& graphName,
                               DataInput& copy, std::int32_t& chosen) {
    return load_chosen(linkFrom, linkTo, graphName, copy, chosen, true);
}

std::int32_t read_graph_file(LinkColumn& linkFrom, LinkColumn& linkTo, NameBuffer& graphName) {
    DataInput copy{};
    std::int32_t chosen = 0;
    const std::int32_t entries = load_chosen(linkFrom, linkTo, graphName, copy, chosen, false);
    return entries > 0 ? entries : 0;
}

} // namespace ugraph

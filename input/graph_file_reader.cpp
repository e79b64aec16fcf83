// Graph data file reader (lists, chooses and loads a graph of GraphDataFile2.txt)
#include "input/graph_file_reader.h"

#include <cstdio>
#include <limits>

#include "analysis/link_normalisation.h"
#include "console/console.h"

namespace ugraph {

// The chosen data-input as the file holds it, but for its mark in upper case.
struct Copy {
    LineBuffer text;
    std::int32_t length; // characters from "[" to "]"
};

// What a data-input gives, held apart until all of it has been checked.
struct Parsed {
    NameBuffer name;
    std::int32_t highest; // the node count: highest node number seen
    std::int32_t links;   // links listed, each once as written
    std::array<std::int32_t, MAX_FILE_LINKS + 1> from;
    std::array<std::int32_t, MAX_FILE_LINKS + 1> to;
};

enum class CopyResult { copied, too_long, not_closed };

// Passes over free text to the next "["; false at the end of the file.
static bool find_data_input(std::FILE* file) {
    for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
        if (c == '[') {
            return true;
        }
    }
    return false;
}

// Reads on to the "]" that ends a data-input, echoing what comes before it
// when asked. The listing and the positioning both count data-inputs with
// these two scans, so a number always names the data-input listed under it.
static bool pass_data_input(std::FILE* file, bool echo) {
    for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
        if (c == ']') {
            return true;
        }
        if (echo) {
            print_char(static_cast<char>(c));
        }
    }
    return false;
}

static std::int32_t list_data_inputs(std::FILE* file) {
    std::int32_t count = 0;
    while (count < std::numeric_limits<std::int32_t>::max() && find_data_input(file)) {
        count++;
        print_format("%d  [", count);
        print_line(pass_data_input(file, true) ? "]\n" : "\n");
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

// Rewinds and reads up to the "[" of the chosen data-input.
static void position_on(std::FILE* file, std::int32_t chosen) {
    std::rewind(file);
    for (std::int32_t passed = 1; passed < chosen; passed++) {
        find_data_input(file);
        pass_data_input(file, false);
    }
    find_data_input(file);
}

// Copies the rest of the data-input after its mark, up to and with its "]".
static CopyResult copy_data_input(std::FILE* file, Copy& copy) {
    copy.text[0] = '[';
    copy.text[1] = 'U';
    std::int32_t length = 2;
    for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
        if (length == LINE_SIZE - 1) { // c would be character 2504
            const bool closed = c == ']' || pass_data_input(file, false);
            return closed ? CopyResult::too_long : CopyResult::not_closed;
        }
        copy.text[length] = static_cast<char>(c);
        length++;
        if (c == ']') {
            copy.text[length] = '\0';
            copy.length = length;
            return CopyResult::copied;
        }
    }
    return CopyResult::not_closed;
}

static bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

static bool is_separator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',';
}

// Reads the run of digits that stands at pos; it ends before the closing "]".
static std::int32_t digit_run(const Copy& copy, std::int32_t& pos) {
    std::int32_t value = 0;
    next_line_number(copy.text, pos, value);
    return value;
}

static bool refuse_position(std::int32_t pos) {
    print_format("Input-array in file has an unexpected character at position %d\n", pos + 1);
    return false;
}

// Takes a node number into the parse; false, with its message, when out of range.
static bool take_node(Parsed& p, std::int32_t node) {
    if (node < 1 || node > MAX_NODE) {
        print_format("Node number %d in input-array is outside 1 to 49\n", node);
        return false;
    }
    p.highest = node > p.highest ? node : p.highest;
    return true;
}

static bool take_link(Parsed& p, std::int32_t node, std::int32_t neighbor) {
    if (!take_node(p, neighbor)) {
        return false;
    }
    if (p.links == MAX_FILE_LINKS) {
        print_line("Input-array in file lists more than 624 links");
        return false;
    }
    p.links++;
    p.from[p.links] = node;
    p.to[p.links] = neighbor;
    return true;
}

// The name between the first two double quotes; pos is left after the second.
static bool parse_name(const Copy& copy, Parsed& p, std::int32_t& pos) {
    std::int32_t open = 0;
    while (open < copy.length && copy.text[open] != '"') {
        open++;
    }
    std::int32_t close = open + 1;
    while (close < copy.length && copy.text[close] != '"') {
        close++;
    }
    if (close >= copy.length) {
        print_line("Input-array in file has no name in double quotes");
        return false;
    }
    std::int32_t i = 0;
    for (; i < NAME_SIZE - 1 && open + 1 + i < close; i++) {
        p.name[i] = copy.text[open + 1 + i];
    }
    p.name[i] = '\0';
    pos = close + 1;
    return true;
}

// The node list runs from the first "(" after the name to the closing "]".
// Blanks, tabs, line ends and commas separate its pieces; a neighbor 0 makes
// no link. Without any "(" the graph has no nodes.
static bool parse_node_list(const Copy& copy, Parsed& p, std::int32_t pos) {
    const std::int32_t end = copy.length - 1; // the closing "]"
    while (pos < end && copy.text[pos] != '(') {
        pos++;
    }
    std::int32_t node = 0;
    while (pos < end) {
        const char c = copy.text[pos];
        if (is_separator(c)) {
            pos++;
        } else if (c == '(') {
            pos++;
            if (!is_digit(copy.text[pos])) {
                return refuse_position(pos);
            }
            node = digit_run(copy, pos);
            if (copy.text[pos] != ')') {
                return refuse_position(pos);
            }
            pos++;
            if (!take_node(p, node)) {
                return false;
            }
        } else if (is_digit(c)) {
            const std::int32_t neighbor = digit_run(copy, pos);
            if (neighbor != 0 && !take_link(p, node, neighbor)) {
                return false;
            }
        } else {
            return refuse_position(pos);
        }
    }
    return true;
}

// Every link as listed, then every link reversed, then normalised.
static std::int32_t store(const Parsed& p, LinkColumn& linkFrom, LinkColumn& linkTo,
                          NameBuffer& graphName) {
    graphName = p.name;
    const std::int32_t k = p.links;
    for (std::int32_t j = 1; j <= k; j++) {
        linkFrom[j] = p.from[j];
        linkTo[j] = p.to[j];
        linkFrom[k + j] = p.to[j];
        linkTo[k + j] = p.from[j];
    }
    linkFrom[2 * k + 1] = 0;
    linkTo[2 * k + 1] = 0;
    linkFrom[0] = 2 * k;
    linkTo[0] = p.highest;
    normalize_links(linkFrom, linkTo);
    return linkFrom[0];
}

static void echo(const Copy& copy) {
    print_line("Input-data from file is:");
    for (std::int32_t i = 0; i < copy.length; i++) {
        print_char(copy.text[i]);
    }
    print_line("");
}

// From the chosen data-input's mark on; the file is closed by the caller.
static bool load_chosen(std::FILE* file, Copy& copy) {
    const int mark = std::getc(file);
    const bool marked = mark == 'U' || mark == 'u';
    const CopyResult result = marked ? copy_data_input(file, copy)
                              : mark != ']' && !pass_data_input(file, false)
                                  ? CopyResult::not_closed
                                  : CopyResult::copied;
    if (result == CopyResult::not_closed) { // a cut-off data-input, whatever its mark
        print_line("Input-array in file not closed by ']'");
        return false;
    }
    if (!marked) {
        print_line("Input-array in file not marked 'U' (after '[') for Ugraph");
        return false;
    }
    if (result == CopyResult::too_long) {
        print_line("Input-array in file is longer than 2503 characters");
        return false;
    }
    return true;
}

std::int32_t read_graph_file(LinkColumn& linkFrom, LinkColumn& linkTo, NameBuffer& graphName) {
    std::FILE* file = std::fopen(GRAPH_FILE_NAME, "r");
    if (file == nullptr) {
        print_format("Cannot find file %s\n", GRAPH_FILE_NAME);
        return 0;
    }
    const std::int32_t chosen = choose_data_input(list_data_inputs(file));
    if (chosen == 0) {
        std::fclose(file);
        return 0;
    }
    position_on(file, chosen);
    Copy copy{};
    const bool loaded = load_chosen(file, copy);
    std::fclose(file);
    if (!loaded) {
        return 0;
    }
    echo(copy);
    Parsed parsed{};
    std::int32_t pos = 0;
    if (!parse_name(copy, parsed, pos) || !parse_node_list(copy, parsed, pos)) {
        return 0;
    }
    return store(parsed, linkFrom, linkTo, graphName);
}

} // namespace ugraph

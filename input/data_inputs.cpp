// Data inputs (finds, copies, checks and parses the graphs of a data file)
#include "input/data_inputs.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <limits>

#include "analysis/link_normalisation.h"

namespace ugraph {

static const char* graphFilePath = GRAPH_FILE_NAME;

// What a data-input gives, held apart until all of it has been checked.
struct Parsed {
    NameBuffer name;
    std::int32_t highest; // the node count: highest node number seen
    std::int32_t links;   // links listed, each once as written
    std::array<std::int32_t, MAX_FILE_LINKS + 1> from;
    std::array<std::int32_t, MAX_FILE_LINKS + 1> to;
};

void use_graph_file(const char* path) {
    graphFilePath = path != nullptr ? path : GRAPH_FILE_NAME;
}

const char* graph_file_path() {
    return graphFilePath;
}

std::FILE* open_data_file() {
    if (std::strcmp(graphFilePath, "-") == 0) {
        return console_input();
    }
    std::FILE* file = std::fopen(graphFilePath, "r");
    struct stat status {};
    if (file != nullptr && fstat(fileno(file), &status) == 0 && S_ISDIR(status.st_mode)) {
        std::fclose(file); // a directory opens, but holds no data file's text
        errno = EISDIR;
        return nullptr;
    }
    return file;
}

void close_data_file(std::FILE* file) {
    if (file != console_input()) {
        std::fclose(file);
    }
}

[[gnu::format(printf, 2, 3)]] static bool refuse(Message& refusal, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(refusal.data(), refusal.size(), format, args);
    va_end(args);
    return false;
}

bool find_data_input(std::FILE* file) {
    for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
        if (c == '[') {
            return true;
        }
    }
    return false;
}

bool pass_data_input(std::FILE* file, void (*echo)(char)) {
    for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
        if (c == ']') {
            return true;
        }
        if (echo != nullptr) {
            echo(static_cast<char>(c));
        }
    }
    return false;
}

bool position_on(std::FILE* file, std::int32_t number) {
    std::rewind(file);
    for (std::int32_t passed = 1; passed < number; passed++) {
        find_data_input(file);
        pass_data_input(file, nullptr);
    }
    return find_data_input(file);
}

std::int32_t count_data_inputs(std::FILE* file, bool& closed) {
    std::int32_t count = 0;
    closed = true;
    while (count < std::numeric_limits<std::int32_t>::max() && find_data_input(file)) {
        count++;
        closed = pass_data_input(file, nullptr);
    }
    return count;
}

enum class CopyResult { copied, too_long, not_closed };

// Copies the rest of the data-input after its mark, up to and with its "]".
static CopyResult copy_rest(std::FILE* file, DataInput& copy) {
    copy.text[0] = '[';
    copy.text[1] = 'U';
    std::int32_t length = 2;
    for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
        if (length == LINE_SIZE - 1) { // c would be character 2504
            const bool closed = c == ']' || pass_data_input(file, nullptr);
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

bool copy_data_input(std::FILE* file, DataInput& copy, Message& refusal) {
    const int mark = std::getc(file);
    const bool marked = mark == 'U' || mark == 'u';
    const CopyResult result = marked ? copy_rest(file, copy)
                              : mark != ']' && !pass_data_input(file, nullptr)
                                  ? CopyResult::not_closed
                                  : CopyResult::copied;
    if (result == CopyResult::not_closed) { // a cut-off data-input, whatever its mark
        return refuse(refusal, "Input-array in file not closed by ']'");
    }
    if (!marked) {
        return refuse(refusal, "Input-array in file not marked 'U' (after '[') for Ugraph");
    }
    if (result == CopyResult::too_long) {
        return refuse(refusal, "Input-array in file is longer than 2503 characters");
    }
    copy.mark = static_cast<char>(mark);
    return true;
}

static bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

static bool is_separator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',';
}

// Reads the run of digits that stands at pos; it ends before the closing "]".
static std::int32_t digit_run(const DataInput& copy, std::int32_t& pos) {
    std::int32_t value = 0;
    next_line_number(copy.text, pos, value);
    return value;
}

static bool refuse_position(Message& refusal, std::int32_t pos) {
    return refuse(refusal, "Input-array in file has an unexpected character at position %d",
                  pos + 1);
}

// Takes a node number into the parse; false, with its refusal, when out of range.
static bool take_node(Parsed& p, std::int32_t node, Message& refusal) {
    if (node < 1 || node > MAX_NODE) {
        return refuse(refusal, "Node number %d in input-array is outside 1 to 49", node);
    }
    p.highest = node > p.highest ? node : p.highest;
    return true;
}

static bool take_link(Parsed& p, std::int32_t node, std::int32_t neighbor, Message& refusal) {
    if (!take_node(p, neighbor, refusal)) {
        return false;
    }
    if (p.links == MAX_FILE_LINKS) {
        return refuse(refusal, "Input-array in file lists more than 624 links");
    }
    p.links++;
    p.from[p.links] = node;
    p.to[p.links] = neighbor;
    return true;
}

// The name between the first two double quotes; pos is left after the second.
static bool parse_name(const DataInput& copy, Parsed& p, std::int32_t& pos, Message& refusal) {
    std::int32_t open = 0;
    while (open < copy.length && copy.text[open] != '"') {
        open++;
    }
    std::int32_t close = open + 1;
    while (close < copy.length && copy.text[close] != '"') {
        close++;
    }
    if (close >= copy.length) {
        return refuse(refusal, "Input-array in file has no name in double quotes");
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
static bool parse_node_list(const DataInput& copy, Parsed& p, std::int32_t pos, Message& refusal) {
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
                return refuse_position(refusal, pos);
            }
            node = digit_run(copy, pos);
            if (copy.text[pos] != ')') {
                return refuse_position(refusal, pos);
            }
            pos++;
            if (!take_node(p, node, refusal)) {
                return false;
            }
        } else if (is_digit(c)) {
            const std::int32_t neighbor = digit_run(copy, pos);
            if (neighbor != 0 && !take_link(p, node, neighbor, refusal)) {
                return false;
            }
        } else {
            return refuse_position(refusal, pos);
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

std::int32_t parse_data_input(const DataInput& copy, LinkColumn& linkFrom, LinkColumn& linkTo,
                              NameBuffer& graphName, Message& refusal) {
    Parsed parsed{};
    std::int32_t pos = 0;
    if (!parse_name(copy, parsed, pos, refusal) || !parse_node_list(copy, parsed, pos, refusal)) {
        return -1;
    }
    return store(parsed, linkFrom, linkTo, graphName);
}

LoadResult load_data_input(std::int32_t number, DataInput& copy, GraphRecord& g,
                           std::int32_t& count, Message& refusal) {
    std::FILE* file = open_data_file();
    if (file == nullptr) {
        const int error = errno;
        refuse(refusal, "%s", std::strerror(error));
        return error == ENOENT ? LoadResult::no_file : LoadResult::unreadable;
    }
    bool copied = false;
    count = 0;
    while (count < std::numeric_limits<std::int32_t>::max() && find_data_input(file)) {
        count++;
        if (count == number) { // the copy, refused or not, ends after the "]"
            copied = copy_data_input(file, copy, refusal);
        } else {
            pass_data_input(file, nullptr);
        }
    }
    close_data_file(file);
    if (number < 1 || number > count) {
        return LoadResult::out_of_range;
    }
    if (!copied || parse_data_input(copy, g.linkFrom, g.linkTo, g.graphName, refusal) < 0) {
        return LoadResult::refused;
    }
    return LoadResult::loaded;
}

} // namespace ugraph

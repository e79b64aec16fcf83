// Graph file writer (stores the graph in memory as the data file's one graph)
#include "editing/graph_file_writer.h"

#include <cstdio>

#include "console/console.h"
#include "editing/link_groups.h"
#include "input/graph_file_reader.h"

namespace ugraph {

// The text goes here first, so that a failed write never harms the old file.
inline constexpr char TEMP_FILE_NAME[] = "GraphDataFile2.txt.new";

// The graph text being built; it holds at most LINE_SIZE - 1 characters, the
// most the reader takes back.
struct Text {
    LineBuffer chars;
    std::int32_t length;
    bool overflow; // a character did not fit
};

static void put(Text& t, char c) {
    if (t.length < LINE_SIZE - 1) {
        t.chars[t.length] = c;
        t.length++;
    } else {
        t.overflow = true;
    }
}

static void put_text(Text& t, const char* text) {
    for (; *text != '\0'; text++) {
        put(t, *text);
    }
}

// Decimal, most significant digit first; number is at least 1.
static void put_number(Text& t, std::int32_t number) {
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
                       const NameBuffer& graphName, Text& t) {
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
            if (linkTo[k] > i) { // each link once, at its lower end; self-links not at all
                put(t, ',');
                put_number(t, linkTo[k]);
            }
        }
    }
    put(t, ']');
    t.chars[t.length] = '\0';
}

// Writes the text to the temporary file and renames it over the data file.
static bool store_text(const Text& t) {
    std::FILE* file = std::fopen(TEMP_FILE_NAME, "w");
    if (file == nullptr) {
        return false;
    }
    const auto length = static_cast<std::size_t>(t.length);
    bool written = std::fwrite(t.chars.data(), 1, length, file) == length;
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    written = written && std::rename(TEMP_FILE_NAME, GRAPH_FILE_NAME) == 0;
    if (!written) {
        std::remove(TEMP_FILE_NAME);
    }
    return written;
}

std::int32_t write_graph_file(const LinkColumn& linkFrom, const LinkColumn& linkTo,
                              const NameBuffer& graphName) {
    if (!name_is_storable(graphName)) {
        print_line("Graph name must not contain '\"' or ']'; file not written");
        return -1;
    }
    if (largest_link_group(linkFrom, linkTo[0]) < 0) {
        print_line("Links are not grouped by ascending node; file not written");
        return -1;
    }
    Text t{};
    build_text(linkFrom, linkTo, graphName, t);
    if (t.overflow) {
        print_line("Graph text is longer than 2503 characters; file not written");
        return -1;
    }
    print_line(t.chars.data());
    discard_char(); // the file is not touched before this character has come
    if (!store_text(t)) {
        print_line("Cannot write file GraphDataFile2.txt");
        return -1;
    }
    return 0;
}

} // namespace ugraph

// Keyboard entry (a graph typed in node by node)
#include "input/keyboard_entry.h"

#include "console/console.h"

namespace ugraph {

inline constexpr std::int32_t KEYBOARD_NAME_LENGTH = 10; // characters kept of the name line

struct Entry {
    std::int32_t nodes; // N as answered
    std::int32_t count; // entries stored so far
    bool fullTold;      // the table-full message has been written
};

static void read_name(NameBuffer& graphName) {
    print_format("Not exceeding 10 characters, input name of graph   ");
    LineBuffer line;
    line[0] = '\0'; // a missing line counts as empty
    read_text_line(line);
    std::int32_t i = 0;
    for (; i < KEYBOARD_NAME_LENGTH && line[i] != '\0'; i++) {
        graphName[i] = line[i];
    }
    graphName[i] = '\0';
}

static std::int32_t read_node_count() {
    for (;;) {
        print_format("Input number of non-isolated nodes:  ");
        std::int32_t n = -1;
        const ReadInt got = read_int(n);
        if (got == ReadInt::end_of_input) {
            return 0;
        }
        if (got == ReadInt::number && n >= 0 && n <= MAX_NODE) {
            return n;
        }
        print_line("Number of nodes must be between 0 and 49");
    }
}

static void store(Entry& e, LinkColumn& linkFrom, LinkColumn& linkTo, std::int32_t node,
                  std::int32_t neighbor) {
    if (e.count >= MAX_RAW_ENTRIES) {
        if (!e.fullTold) {
            print_line("Too many neighbors: only the first 1249 are kept");
            e.fullTold = true;
        }
        return;
    }
    e.count++;
    linkFrom[e.count] = node;
    linkTo[e.count] = neighbor;
}

// A number is taken when it names another node of the graph; 0 and the
// node's own number are dropped without a word.
static void take_number(Entry& e, LinkColumn& linkFrom, LinkColumn& linkTo, std::int32_t node,
                        std::int32_t value) {
    if (value < 1 || value == node) {
        return;
    }
    if (value > e.nodes) {
        print_format("Neighbor %d ignored: the nodes are 1 to %d\n", value, e.nodes);
        return;
    }
    store(e, linkFrom, linkTo, node, value);
}

static void read_neighbors(Entry& e, LinkColumn& linkFrom, LinkColumn& linkTo, std::int32_t node) {
    print_format("(%d),", node);
    LineBuffer line;
    line[0] = '\0'; // a missing line counts as empty
    read_text_line(line);
    std::int32_t pos = 0;
    std::int32_t value = 0;
    while (next_line_number(line, pos, value)) {
        take_number(e, linkFrom, linkTo, node, value);
    }
}

void read_graph_keyboard(LinkColumn& linkFrom, LinkColumn& linkTo, NameBuffer& graphName) {
    read_name(graphName);
    Entry e{read_node_count(), 0, false};
    linkTo[0] = e.nodes;
    print_line("Input every neighbor with higher natural number after each (node):");
    for (std::int32_t node = 1; node <= e.nodes; node++) {
        read_neighbors(e, linkFrom, linkTo, node);
    }
    linkFrom[0] = e.count;
    linkTo[0] = e.nodes;
    linkFrom[e.count + 1] = 0;
    linkTo[e.count + 1] = 0;
}

} // namespace ugraph

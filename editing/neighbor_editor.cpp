// Neighbor-list editor (shows and replaces each node's neighbors and the name)
#include "editing/neighbor_editor.h"

#include "console/console.h"
#include "editing/link_groups.h"

namespace ugraph {

inline constexpr std::int32_t ROW_SLOTS = 51; // slot 0 counts, then the neighbors
inline constexpr std::int32_t ROW_CAPACITY = ROW_SLOTS - 1;

// Row r holds the neighbors of node r: their count in slot 0, then the
// neighbors in the row's order. Rows 1..N are in use; row 0 is never used.
using NeighborRow = std::array<std::int32_t, ROW_SLOTS>;
using NeighborTable = std::array<NeighborRow, NODE_SLOTS>;

// True when the fill walk takes every entry into a row: N in 0..49 and every
// group of entries small enough for its row.
static bool table_is_editable(const LinkColumn& linkFrom, std::int32_t nodes) {
    if (nodes < 0 || nodes > MAX_NODE) {
        return false;
    }
    const std::int32_t largest = largest_link_group(linkFrom, nodes);
    return largest >= 0 && largest <= ROW_CAPACITY;
}

static void fill_rows(const LinkColumn& linkFrom, const LinkColumn& linkTo, std::int32_t nodes,
                      NeighborTable& rows) {
    std::int32_t p = 1;
    for (std::int32_t r = 1; r <= nodes; r++) {
        std::int32_t c = 0;
        for (; p < LINK_SLOTS && linkFrom[p] == r && c < ROW_CAPACITY; p++) {
            c++;
            rows[r][c] = linkTo[p];
        }
        rows[r][0] = c;
    }
}

static void show_menu(std::int32_t nodes) {
    print_line("Input integer:");
    print_format("(node number) between 1 and %d\n", nodes);
    print_line("0 (zero) to terminate editing");
    print_line("-1 to edit NAME of graph");
}

// A name edit takes effect at once; a line that never came changes nothing.
static void edit_name(NameBuffer& graphName) {
    print_format("Input full NAME of file (less than 15 characters):");
    LineBuffer line;
    if (!read_text_line(line)) {
        return;
    }
    line[NAME_SIZE - 1] = '\0';
    print_format("New NAME = ");
    print_line(line.data());
    std::int32_t i = 0;
    for (; i < NAME_SIZE - 1 && line[i] != '\0'; i++) {
        graphName[i] = line[i];
    }
    graphName[i] = '\0';
}

// Replaces row n with the numbers of a typed line that lie above n and
// within the graph.
static void edit_row(NeighborRow& row, std::int32_t n, std::int32_t nodes) {
    print_format("all the given as neighbors of (%d) are:  ", n);
    for (std::int32_t k = 1; k <= row[0] && k < ROW_SLOTS; k++) {
        print_format("%d,", row[k]);
    }
    print_format("\ntype in entire correct line of ALL neighbors of node (%d):  ", n);
    LineBuffer line;
    if (!read_text_line(line)) {
        return;
    }
    std::int32_t c = 0;
    bool dropped = false;
    std::int32_t pos = 0;
    std::int32_t value = 0;
    while (next_line_number(line, pos, value)) {
        if (value <= n || value > nodes) {
            continue;
        }
        if (c == ROW_CAPACITY) {
            dropped = true;
            continue;
        }
        c++;
        row[c] = value;
    }
    row[0] = c;
    if (dropped) {
        print_format("Row (%d) holds at most 50 neighbors; the rest are dropped\n", n);
    }
}

// With N at most 49 and rows of at most 50, the rows always fit the table.
static void write_back(const NeighborTable& rows, std::int32_t nodes, LinkColumn& linkFrom,
                       LinkColumn& linkTo) {
    std::int32_t q = 1;
    for (std::int32_t r = 1; r <= nodes; r++) {
        for (std::int32_t k = 1; k <= rows[r][0] && q < LINK_SLOTS - 1; k++) {
            linkFrom[q] = r;
            linkTo[q] = rows[r][k];
            q++;
        }
    }
    linkFrom[0] = q - 1;
    linkFrom[q] = 0;
    linkTo[q] = 0;
}

void edit_neighbor_lists(LinkColumn& linkFrom, LinkColumn& linkTo, NameBuffer& graphName) {
    const std::int32_t nodes = linkTo[0];
    if (!table_is_editable(linkFrom, nodes)) {
        print_line("Links are not grouped by ascending node; nothing edited");
        return;
    }
    NeighborTable rows{};
    fill_rows(linkFrom, linkTo, nodes, rows);
    for (;;) {
        show_menu(nodes);
        std::int32_t n = 0;
        const ReadInt got = read_int(n);
        if (got == ReadInt::end_of_input || (got == ReadInt::number && n == 0)) {
            break; // the end of input keeps every edit made so far
        }
        if (got == ReadInt::no_number) {
            continue;
        }
        if (n < 0) {
            edit_name(graphName);
        } else if (n > nodes) {
            print_format("Node %d is not between 1 and %d\n", n, nodes);
        } else {
            edit_row(rows[n], n, nodes);
        }
    }
    write_back(rows, nodes, linkFrom, linkTo);
}

} // namespace ugraph

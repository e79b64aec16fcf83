// Edge list output (the links of a file, or of one of its components, as an edge list)
#include "large/edge_list_output.h"

#include <cstring>

#include "console/console.h"
#include "console/text_escapes.h"
#include "large/edge_dialect.h"

namespace ugraph {

void start_edge_output(EdgeOutput& out, NodeIndex& nodes, const ComponentLabels& labels,
                       std::uint32_t component, bool write) {
    out.nodes = &nodes;
    out.labels = &labels;
    out.component = component;
    out.write = write;
    out.links = 0;
    out.started = false;
    out.linked.assign(index_count(nodes) / 64 + 1, 0);
}

static bool all_digits(const NodeId& id) {
    for (std::uint32_t i = 0; i < id.length; i++) {
        if (id.name[i] < '0' || id.name[i] > '9') {
            return false;
        }
    }
    return true;
}

// A name is quoted when, bare, it would not read back as itself: when it
// is empty, holds a separator or a quote, begins a comment or with a
// byte-order mark's bytes, or is digits only, which would read as a number.
static bool needs_quotes(const NodeId& id) {
    if (id.length == 0 || all_digits(id) || id.name[0] == '#' || id.name[0] == '%' ||
        (id.length >= 3 && std::memcmp(id.name, "\xEF\xBB\xBF", 3) == 0)) {
        return true;
    }
    for (std::uint32_t i = 0; i < id.length; i++) {
        const char c = id.name[i];
        if (c == ' ' || c == '\t' || c == ',' || c == ';' || c == '"') {
            return true;
        }
    }
    return false;
}

static void print_edge_id(EdgeOutput& out, std::uint32_t index) {
    const NodeId id = id_of(*out.nodes, index);
    out.started = true;
    if (id.name == nullptr) {
        print_format("%llu", static_cast<unsigned long long>(id.number));
        return;
    }
    const bool quoted = needs_quotes(id);
    if (quoted) {
        print_char('"');
    }
    for (std::uint32_t i = 0; i < id.length; i++) {
        if (id.name[i] == '"') {
            print_char('"'); // a quote inside quotes is doubled
        }
        print_char(id.name[i]);
    }
    if (quoted) {
        print_char('"');
    }
}

// A first line of two names that a header would hold, such as "from to",
// would read back as a header: a header goes before it.
static void print_header_for(EdgeOutput& out, std::uint32_t a, std::uint32_t b) {
    const NodeId x = id_of(*out.nodes, a);
    const NodeId y = id_of(*out.nodes, b);
    if (!out.started && x.name != nullptr && names_id_columns(x.name, x.length, y.name, y.length)) {
        print_format("source target\n");
    }
}

static void mark_linked(EdgeOutput& out, std::uint32_t index) {
    out.linked[index / 64] |= std::uint64_t{1} << (index % 64);
}

void take_link(EdgeOutput& out, std::uint32_t a, std::uint32_t b) {
    if (out.component != 0 && component_of(*out.labels, a) != out.component) {
        return;
    }
    out.links++;
    mark_linked(out, a);
    mark_linked(out, b);
    if (out.write) {
        print_header_for(out, a, b);
        print_edge_id(out, a);
        print_char(' ');
        print_edge_id(out, b);
        print_char('\n');
    }
}

void write_lone_nodes(EdgeOutput& out) {
    for_each_node(*out.nodes, out.labels->order, [&out](std::uint32_t index) {
        const bool linked = (out.linked[index / 64] >> (index % 64) & 1U) != 0;
        if (!linked && (out.component == 0 || component_of(*out.labels, index) == out.component)) {
            print_edge_id(out, index);
            print_char('\n');
        }
    });
}

// A carriage return can end a line too: a file whose first line ends with one is read so.
Failure names_fit_lines(const NodeIndex& nodes, const NodeOrder& order) {
    if (nodes.kind == IdKind::names) {
        for (const std::uint32_t index : order.hashed) {
            const NodeId id = id_of(nodes, index);
            if (std::memchr(id.name, '\n', id.length) != nullptr ||
                std::memchr(id.name, '\r', id.length) != nullptr) {
                return text_failure(FailureKind::line_break, 0, id.name, id.name + id.length);
            }
        }
    }
    return failure(FailureKind::none);
}

} // namespace ugraph

// Edge lines (reads the links of an edge list, one line at a time)
#include "large/edge_lines.h"

#include <array>
#include <cstring>
#include <limits>
#include <string>

#include "large/edge_fields.h"
#include "large/link_forest.h"

namespace ugraph {

static const char* after_line(const char* p, const char* end) {
    if (*p == '\n') {
        return p + 1;
    }
    return static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))) + 1;
}

// Lines are read a batch at a time before their links are joined.
inline constexpr std::uint32_t LINK_BATCH = 64;

struct LinkBatch {
    std::uint32_t count;
    std::array<std::uint32_t, LINK_BATCH> from;
    std::array<std::uint32_t, LINK_BATCH> to; // 0 for a node alone on its line
};

static bool is_digit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

static std::nullptr_t fault(EdgeReader& r, LineFault kind) {
    r.fault = kind;
    return nullptr;
}

static bool failed(EdgeReader& r, LineFault kind) {
    r.fault = kind;
    return false;
}

NumberText read_number(const char* begin, const char* end, std::uint64_t& value) {
    const char* p = begin;
    while (p < end && *p == '0') {
        p++;
    }
    const char* digits = p;
    std::uint64_t v = 0;
    for (; p < end && is_digit(*p); p++) {
        v = v * 10 + static_cast<std::uint64_t>(*p - '0'); // wraps past 19 digits, caught below
    }
    if (p == begin || p != end) {
        return NumberText::not_a_number;
    }
    const auto count = p - digits;
    if (count > 19 || (count == 19 && v > std::numeric_limits<std::int64_t>::max())) {
        return NumberText::too_large;
    }
    value = v;
    return NumberText::number;
}

// The fault names a field as it stands.
static bool fault_field(EdgeReader& r, LineFault kind, const Field& field) {
    r.field.assign(field.begin, field.end);
    return failed(r, kind);
}

static bool number_node(EdgeReader& r, const Field& field, std::uint32_t& node) {
    std::uint64_t id = 0;
    switch (read_number(field.begin, field.end, id)) {
    case NumberText::number:
        break;
    case NumberText::too_large:
        return fault_field(r, LineFault::too_large, field);
    default:
        return fault_field(r, LineFault::not_a_number, field);
    }
    node = number_index(*r.nodes, id);
    if (is_direct(*r.nodes, node)) {
        __builtin_prefetch(&r.nodes->direct[node], 1); // read when the batch is joined
    }
    return node != 0 || failed(r, LineFault::no_room);
}

// A name as read: a quoted one without its quotes, "" as one quote.
static void name_text(EdgeReader& r, const Field& field, const char*& name, std::size_t& length) {
    name = field.begin;
    length = static_cast<std::size_t>(field.end - field.begin);
    if (!is_quoted(field)) {
        return;
    }
    name++;
    length -= 2;
    if (std::memchr(name, '"', length) == nullptr) {
        return;
    }
    r.field.clear();
    for (const char* c = name; c < name + length; c++) {
        r.field.push_back(*c);
        c += *c == '"' ? 1 : 0;
    }
    name = r.field.data();
    length = r.field.size();
}

static bool name_node_of(EdgeReader& r, const Field& field, std::uint64_t position,
                         std::uint32_t& node) {
    const char* name = nullptr;
    std::size_t length = 0;
    name_text(r, field, name, length);
    if (length > std::numeric_limits<std::uint32_t>::max()) {
        return failed(r, LineFault::no_room);
    }
    node = name_node(*r.nodes, name, static_cast<std::uint32_t>(length), position);
    return node != 0 || failed(r, LineFault::no_room);
}

// The node of an id field, which stands at `position` in the file. An empty
// field is no id; quotes around nothing are the empty name.
static bool node_of(EdgeReader& r, const Field& field, std::uint64_t position,
                    std::uint32_t& node) {
    if (field.begin == field.end) {
        return failed(r, LineFault::empty_id);
    }
    if (r.nodes->kind == IdKind::numbers) {
        return number_node(r, field, node);
    }
    return name_node_of(r, field, position, node);
}

// Fetches the parent of a direct node, whose own word was fetched as its line was read.
static void prefetch_parent(NodeIndex& nodes, std::uint32_t index) {
    if (index != 0 && is_direct(nodes, index)) {
        const std::uint32_t parent =
            std::atomic_ref<std::uint32_t>(nodes.direct[index]).load(std::memory_order_relaxed);
        if (parent != index) {
            __builtin_prefetch(&nodes.direct[parent], 1);
        }
    }
}

// Joins the links of a batch. Their nodes' words were fetched while the
// batch was read, so the misses of many links overlap instead of one after
// another.
static bool join_batch(EdgeReader& r, LinkBatch& batch) {
    NodeIndex& nodes = *r.nodes;
    for (std::uint32_t i = 0; i < batch.count; i++) {
        prefetch_parent(nodes, batch.from[i]);
        prefetch_parent(nodes, batch.to[i]);
    }
    for (std::uint32_t i = 0; i < batch.count; i++) {
        const std::uint32_t a = batch.from[i];
        const std::uint32_t b = batch.to[i];
        mark_node(nodes, a);
        if (b == 0) {
            continue; // a node without links
        }
        mark_node(nodes, b);
        r.links++;
        if (r.visit != nullptr) {
            r.visit(r.context, a, b);
            continue;
        }
        unite(nodes, a, b);
        if (r.kept != nullptr && !keep_link(*r.kept, a, b)) {
            r.fault = LineFault::no_room;
            return false;
        }
    }
    batch.count = 0;
    return true;
}

// Finds the fields of a line's two ids, as far as the line goes; nullptr
// at a fault, else a place in the line.
static const char* id_fields(EdgeReader& r, const char* p, Field& a, Field& b, bool& linked) {
    const Dialect& d = r.dialect;
    bool first = false;
    linked = false;
    for (std::uint32_t k = 0;; k++) {
        Field field{};
        const char* next = nullptr;
        const FieldScan scan = scan_field(p, d.separator, field, next);
        if (scan == FieldScan::unclosed_quote) {
            return fault(r, LineFault::unclosed_quote);
        }
        first = first || k == d.first;
        linked = linked || k == d.second;
        a = k == d.first ? field : a;
        b = k == d.second ? field : b;
        if (scan == FieldScan::last || (first && linked)) {
            break;
        }
        p = next;
    }
    if (!first) {
        const std::string number = std::to_string(d.first + 1);
        r.field.assign(number.begin(), number.end());
        return fault(r, LineFault::no_field);
    }
    return p;
}

// Reads one line into the batch; nullptr at a fault.
static const char* read_line(EdgeReader& r, const char* p, const char* begin, const char* end,
                             std::uint64_t position, LinkBatch& batch) {
    if (!is_data_line(p)) {
        return after_line(p, end);
    }
    Field a{};
    Field b{};
    bool linked = false;
    const char* rest = id_fields(r, p, a, b, linked);
    if (rest == nullptr) {
        return nullptr;
    }
    std::uint32_t& from = batch.from[batch.count];
    std::uint32_t& to = batch.to[batch.count];
    to = 0;
    if (!node_of(r, a, position + static_cast<std::uint64_t>(a.begin - begin), from) ||
        (linked && !node_of(r, b, position + static_cast<std::uint64_t>(b.begin - begin), to))) {
        return nullptr;
    }
    batch.count++;
    return after_line(rest, end); // further fields are not read
}

// The usual line of a file of numbers: two runs of at most 18 digits, so
// that neither can overflow, one blank, tab or comma between them, and the
// newline. Returns the next line, or nullptr for any other line, which is
// then read the general way.
static const char* digit_run(const char* p, std::uint64_t& value) {
    std::uint64_t v = 0;
    for (unsigned digit = static_cast<unsigned char>(*p) - 48U; digit < 10;
         digit = static_cast<unsigned char>(*++p) - 48U) {
        v = v * 10 + digit;
    }
    value = v;
    return p;
}

// The digits at p, up to eight of them, read with one load of eight bytes and
// no branch on each: every byte is tested at once, and the digits are joined
// with three multiplications (the method of D. Lemire, "Faster parsing of
// integers", 2018). A span keeps SPAN_SLACK bytes after its end, so the load
// stays inside the buffer. A run of eight or more digits is read one digit
// at a time.
[[gnu::always_inline]] static inline const char* number_run(const char* p, std::uint64_t& value) {
    std::uint64_t bytes = 0;
    std::memcpy(&bytes, p, 8);
    const std::uint64_t digits = bytes - 0x3030303030303030ULL;
    // A byte's top bit is set from the first byte that is not a digit on:
    // below '0' it borrows, above '9' it passes 0x80 once 0x76 is added.
    // Borrows and carries only run towards later bytes.
    const std::uint64_t others =
        (digits | (digits + 0x7676767676767676ULL)) & 0x8080808080808080ULL;
    if (others == 0) {
        return digit_run(p, value);
    }
    const int count = __builtin_ctzll(others) / 8;
    if (count == 0) {
        value = 0;
        return p;
    }
    std::uint64_t v = digits << (64 - 8 * count); // the digits, leading zeros below them
    v = v * 10 + (v >> 8);
    v = ((v & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32)) +
         ((v >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32))) >>
        32;
    value = v;
    return p + count;
}

// Whether c separates the two numbers of a usual line: with BLANKS a blank,
// a tab or a comma, with MATRIX_BLANKS a blank or a tab, else the separator.
inline constexpr char MATRIX_BLANKS = '\0';

static bool joins(char c, char separator) {
    if (separator == BLANKS || separator == MATRIX_BLANKS) {
        return is_blank(c) || (c == ',' && separator == BLANKS);
    }
    return c == separator;
}

[[gnu::always_inline]] static inline const char*
usual_number_line(const char* p, char separator, std::uint64_t& a, std::uint64_t& b) {
    const char* q = number_run(p, a);
    if (q == p || q - p > 18 || !joins(*q, separator)) {
        return nullptr;
    }
    p = q + 1;
    q = number_run(p, b);
    if (q == p || q - p > 18 || *q != '\n') {
        return nullptr;
    }
    return q + 1;
}

[[gnu::always_inline]] static inline bool add_usual_line(EdgeReader& r, std::uint64_t a,
                                                         std::uint64_t b, LinkBatch& batch) {
    NodeIndex& nodes = *r.nodes;
    const std::uint32_t from = number_index(nodes, a);
    const std::uint32_t to = number_index(nodes, b);
    if (from == 0 || to == 0) {
        r.fault = LineFault::no_room;
        return false;
    }
    if (is_direct(nodes, from)) {
        __builtin_prefetch(&nodes.direct[from], 1);
    }
    if (is_direct(nodes, to)) {
        __builtin_prefetch(&nodes.direct[to], 1);
    }
    batch.from[batch.count] = from;
    batch.to[batch.count] = to;
    batch.count++;
    return true;
}

static bool inside(const EdgeReader& r, std::uint64_t row, std::uint64_t column) {
    return row >= 1 && row <= r.rows && column >= 1 && column <= r.columns;
}

// A row or a column: digits, up to a blank, a tab or the line's end. A
// number too large for ugraph is too large for any matrix it reads, and
// reads as the largest.
static const char* entry_number(EdgeReader& r, const char* p, std::uint64_t& value) {
    const char* q = p;
    while (is_digit(*q)) {
        q++;
    }
    if (q == p || (!is_blank(*q) && !is_line_end(q))) {
        return fault(r, LineFault::bad_entry);
    }
    if (read_number(p, q, value) != NumberText::number) {
        value = std::numeric_limits<std::uint64_t>::max();
    }
    return q;
}

// A Matrix Market entry: its row and column, then any values, which are not read.
static const char* read_entry(EdgeReader& r, const char* p, const char* end, LinkBatch& batch) {
    p = skip_blanks(p);
    if (is_line_end(p) || *p == '%') {
        return after_line(p, end);
    }
    const char* row = p;
    std::uint64_t i = 0;
    std::uint64_t j = 0;
    p = entry_number(r, p, i);
    p = p != nullptr ? skip_blanks(p) : nullptr;
    p = p != nullptr ? entry_number(r, p, j) : nullptr;
    if (p == nullptr) {
        return nullptr;
    }
    if (!inside(r, i, j)) {
        r.field.assign(row, p);
        return fault(r, LineFault::outside);
    }
    if (!add_usual_line(r, i, j, batch)) {
        return nullptr;
    }
    return after_line(p, end);
}

bool read_edge_lines(EdgeReader& r, const char* begin, const char* end, std::uint64_t position) {
    LinkBatch batch;
    batch.count = 0;
    r.lines = 0;
    const bool matrix = r.matrix;
    // The usual line: two numbers, the ids of a link, with nothing around them.
    const bool usual = r.nodes->kind == IdKind::numbers &&
                       (matrix || (r.dialect.first == 0 && r.dialect.second == 1));
    const char separator = matrix ? MATRIX_BLANKS : r.dialect.separator;
    for (const char* p = begin; p < end; r.lines++) {
        std::uint64_t a = 0;
        std::uint64_t b = 0;
        const char* next = usual ? usual_number_line(p, separator, a, b) : nullptr;
        if (next != nullptr && matrix && !inside(r, a, b)) {
            next = nullptr; // the general way tells the fault
        }
        if (next != nullptr && !add_usual_line(r, a, b, batch)) {
            return false;
        }
        if (next == nullptr) {
            next = matrix ? read_entry(r, p, end, batch)
                          : read_line(r, p, begin, end, position, batch);
        }
        p = next;
        if (p == nullptr) {
            return false; // the file is refused: its links need no joining
        }
        if (batch.count == LINK_BATCH && !join_batch(r, batch)) {
            return false;
        }
    }
    return join_batch(r, batch);
}

} // namespace ugraph

// Edge parser (reads the lines of an edge list or a Matrix Market file into batches of links)
#include "large/edge_parser.h"

#include <array>
#include <cstring>
#include <limits>
#include <string>

#include "large/edge_fields.h"

namespace ugraph {

static const char* after_line(const char* p, const char* end) {
    if (*p == '\n') {
        return p + 1;
    }
    return static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))) + 1;
}

static void pend_number(const NodeIndex& nodes, LinkBatch& batch, std::uint32_t& node,
                        std::uint64_t id) {
    const std::uint64_t hash = number_hash(id);
    prefetch_slot(nodes.table, hash);
    batch.ids[batch.pending++] = {&node, hash, id, nullptr, 0};
}

static void pend_name(const NodeIndex& nodes, LinkBatch& batch, std::uint32_t& node,
                      const char* name, std::uint32_t length, std::uint64_t position) {
    const std::uint64_t hash = name_hash(name, length);
    prefetch_slot(nodes.table, hash);
    batch.ids[batch.pending++] = {&node, hash, position, name, length};
}

// No node could be made: the index is full, or memory ran out.
static bool no_room(EdgeParser& r) {
    r.fault = is_full(*r.nodes) ? FailureKind::full : FailureKind::out_of_memory;
    return false;
}

static bool find_pending(EdgeParser& r, LinkBatch& batch) {
    NodeIndex& nodes = *r.nodes;
    const std::uint32_t count = batch.pending;
    for (std::uint32_t i = 0; i < count; i++) {
        prefetch_key(nodes, batch.ids[i].hash);
    }
    if (nodes.kind == IdKind::names) {
        for (std::uint32_t i = 0; i < count; i++) {
            prefetch_name(nodes, batch.ids[i].hash);
        }
    }
    batch.pending = 0;
    for (std::uint32_t i = 0; i < count; i++) {
        const PendingId& id = batch.ids[i];
        const std::uint32_t node =
            id.name == nullptr ? hashed_number_node(nodes, r.maker, id.number, id.hash)
                               : name_node(nodes, r.maker, id.name, id.length, id.number, id.hash);
        if (node == 0) {
            return no_room(r);
        }
        *id.node = node;
        __builtin_prefetch(word_of(nodes, node), 1);
    }
    return true;
}

static bool is_digit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

static std::nullptr_t fault(EdgeParser& r, FailureKind kind) {
    r.fault = kind;
    return nullptr;
}

static bool failed(EdgeParser& r, FailureKind kind) {
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
static bool fault_field(EdgeParser& r, FailureKind kind, const Field& field) {
    r.field.assign(field.begin, field.end);
    return failed(r, kind);
}

// A direct number's index is known at once, and its word fetched for the
// join; a hashed one waits for the batch's lookups.
[[gnu::always_inline]] static inline void number_node_of(const NodeIndex& nodes, LinkBatch& batch,
                                                         std::uint32_t& node, std::uint64_t id) {
    if (id < nodes.directIds) {
        node = static_cast<std::uint32_t>(id + 1);
        __builtin_prefetch(&nodes.direct[node], 1);
    } else {
        pend_number(nodes, batch, node, id);
    }
}

static bool number_node(EdgeParser& r, const Field& field, LinkBatch& batch, std::uint32_t& node) {
    std::uint64_t id = 0;
    switch (read_number(field.begin, field.end, id)) {
    case NumberText::number:
        break;
    case NumberText::too_large:
        return fault_field(r, FailureKind::too_large, field);
    default:
        return fault_field(r, FailureKind::not_a_number, field);
    }
    number_node_of(*r.nodes, batch, node, id);
    return true;
}

// A name as read: a quoted one without its quotes, "" as one quote.
static void name_text(EdgeParser& r, const Field& field, const char*& name, std::size_t& length) {
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

// A name is looked up with the batch, unless it was unescaped into the
// reader's field, which the next name reuses: then at once.
static bool name_node_of(EdgeParser& r, const Field& field, std::uint64_t position,
                         LinkBatch& batch, std::uint32_t& node) {
    const char* name = nullptr;
    std::size_t length = 0;
    name_text(r, field, name, length);
    if (length > std::numeric_limits<std::uint32_t>::max()) {
        return failed(r, FailureKind::out_of_memory);
    }
    const auto size = static_cast<std::uint32_t>(length);
    if (name != r.field.data()) {
        pend_name(*r.nodes, batch, node, name, size, position);
        return true;
    }
    node = name_node(*r.nodes, r.maker, name, size, position, name_hash(name, size));
    return node != 0 || no_room(r);
}

// The node of an id field, which stands at `position` in the file. An empty
// field is no id; quotes around nothing are the empty name.
static bool node_of(EdgeParser& r, const Field& field, std::uint64_t position, LinkBatch& batch,
                    std::uint32_t& node) {
    if (field.begin == field.end) {
        return failed(r, FailureKind::empty_id);
    }
    if (r.nodes->kind == IdKind::numbers) {
        return number_node(r, field, batch, node);
    }
    return name_node_of(r, field, position, batch, node);
}

// Finds the fields of a line's two ids, as far as the line goes; nullptr
// at a fault, else a place in the line.
static const char* id_fields(EdgeParser& r, const char* p, Field& a, Field& b, bool& linked) {
    const Dialect& d = r.grammar.dialect;
    bool first = false;
    linked = false;
    for (std::uint32_t k = 0;; k++) {
        Field field{};
        const char* next = nullptr;
        const FieldScan scan = scan_field(p, d.separator, field, next);
        if (scan == FieldScan::unclosed_quote) {
            return fault(r, FailureKind::unclosed_quote);
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
        return fault(r, FailureKind::no_field);
    }
    return p;
}

// Reads one line into the batch; nullptr at a fault.
static const char* read_line(EdgeParser& r, const char* p, const char* begin, const char* end,
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
    if (!node_of(r, a, position + static_cast<std::uint64_t>(a.begin - begin), batch, from) ||
        (linked &&
         !node_of(r, b, position + static_cast<std::uint64_t>(b.begin - begin), batch, to))) {
        return nullptr;
    }
    batch.count++;
    return after_line(rest, end); // further fields are not read
}

// One link of an adjacency line: from its first field, `head`, to `field`;
// the head is looked up again for every link, as a pending id is written to
// one place only.
static bool adjacency_link(EdgeParser& r, const Field& head, const Field* field, const char* begin,
                           std::uint64_t position, LinkBatch& batch) {
    std::uint32_t& from = batch.from[batch.count];
    std::uint32_t& to = batch.to[batch.count];
    to = 0;
    if (!node_of(r, head, position + static_cast<std::uint64_t>(head.begin - begin), batch, from) ||
        (field != nullptr &&
         !node_of(r, *field, position + static_cast<std::uint64_t>(field->begin - begin), batch,
                  to))) {
        return false;
    }
    batch.count++;
    return true;
}

// Reads an adjacency line, or the rest of one (r.head set), into the batch:
// the next line, or, with r.head set, the place its next field begins when
// the batch is full first; nullptr at a fault.
static const char* read_adjacency(EdgeParser& r, const char* p, const char* begin, const char* end,
                                  std::uint64_t position, LinkBatch& batch) {
    if (r.head == nullptr && !is_data_line(p)) {
        return after_line(p, end);
    }
    const char separator = r.grammar.dialect.separator;
    Field head{};
    const char* next = nullptr;
    FieldScan scan = scan_field(r.head != nullptr ? r.head : p, separator, head, next);
    if (scan == FieldScan::unclosed_quote) {
        return fault(r, FailureKind::unclosed_quote);
    }
    if (r.head == nullptr && scan == FieldScan::last) {
        return adjacency_link(r, head, nullptr, begin, position, batch) ? after_line(next, end)
                                                                        : nullptr;
    }
    p = r.head != nullptr ? p : next;
    r.head = nullptr;
    for (scan = FieldScan::more; scan == FieldScan::more; p = next) {
        if (batch.count == LINK_BATCH) {
            r.head = head.begin;
            return p;
        }
        Field field{};
        scan = scan_field(p, separator, field, next);
        if (scan == FieldScan::unclosed_quote) {
            return fault(r, FailureKind::unclosed_quote);
        }
        if (!adjacency_link(r, head, &field, begin, position, batch)) {
            return nullptr;
        }
    }
    return after_line(p, end);
}

// The digits at p, one at a time, up to the first other byte.
static const char* digit_run(const char* p, std::uint64_t& value) {
    std::uint64_t v = 0;
    for (unsigned digit = static_cast<unsigned char>(*p) - static_cast<unsigned char>('0');
         digit < 10; digit = static_cast<unsigned char>(*++p) - static_cast<unsigned char>('0')) {
        v = v * 10 + digit;
    }
    value = v;
    return p;
}

// The digits of a number are read eight at a time, with one load of eight
// bytes and no branch on each: every byte is tested at once, and the digits
// are joined with three multiplications (the method of D. Lemire, "Faster
// parsing of integers", 2018). A span keeps SPAN_SLACK bytes after its end,
// so the loads stay inside the buffer.

// How many of the eight bytes at p are digits before the first other byte;
// `digits` gets the bytes less '0'.
[[gnu::always_inline]] static inline int digit_count(const char* p, std::uint64_t& digits) {
    std::uint64_t bytes = 0;
    std::memcpy(&bytes, p, 8);
    digits = bytes - 0x3030303030303030ULL;
    // A byte's top bit is set from the first byte that is not a digit on:
    // below '0' it borrows, above '9' it passes 0x80 once 0x76 is added.
    // Borrows and carries only run towards later bytes.
    const std::uint64_t others =
        (digits | (digits + 0x7676767676767676ULL)) & 0x8080808080808080ULL;
    return others == 0 ? 8 : __builtin_ctzll(others) / 8;
}

// The number the first `count` (1 to 8) of those digits spell.
[[gnu::always_inline]] static inline std::uint64_t digits_value(std::uint64_t digits, int count) {
    std::uint64_t v = digits << (64 - 8 * count); // the digits, leading zeros below them
    v = v * 10 + (v >> 8);
    return ((v & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32)) +
            ((v >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32))) >>
           32;
}

inline constexpr std::array<std::uint64_t, 8> POWERS_OF_TEN = {1,     10,     100,     1000,
                                                               10000, 100000, 1000000, 10000000};

// The digits at p, up to fifteen of them two words at a time; a longer run
// one digit at a time.
[[gnu::always_inline]] static inline const char* number_run(const char* p, std::uint64_t& value) {
    std::uint64_t digits = 0;
    const int count = digit_count(p, digits);
    if (count < 8) {
        value = count == 0 ? 0 : digits_value(digits, count);
        return p + count;
    }
    std::uint64_t low = 0;
    const int more = digit_count(p + 8, low);
    if (more == 8) {
        return digit_run(p, value);
    }
    value = digits_value(digits, 8);
    value = more == 0 ? value : value * POWERS_OF_TEN[more] + digits_value(low, more);
    return p + 8 + more;
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

// The usual line of a file of numbers: two runs of at most 18 digits, so
// that neither can overflow, one blank, tab or comma between them, and the
// newline. Returns the next line, or nullptr for any other line, which is
// then read the general way.
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

[[gnu::always_inline]] static inline void add_usual_line(EdgeParser& r, std::uint64_t a,
                                                         std::uint64_t b, LinkBatch& batch) {
    number_node_of(*r.nodes, batch, batch.from[batch.count], a);
    number_node_of(*r.nodes, batch, batch.to[batch.count], b);
    batch.count++;
}

static bool inside(const EdgeParser& r, std::uint64_t row, std::uint64_t column) {
    return row >= 1 && row <= r.grammar.rows && column >= 1 && column <= r.grammar.columns;
}

// A row or a column: digits, up to a blank, a tab or the line's end. A
// number too large for ugraph is too large for any matrix it reads, and
// reads as the largest.
static const char* entry_number(EdgeParser& r, const char* p, std::uint64_t& value) {
    const char* q = p;
    while (is_digit(*q)) {
        q++;
    }
    if (q == p || (!is_blank(*q) && !is_line_end(q))) {
        return fault(r, FailureKind::bad_entry);
    }
    if (read_number(p, q, value) != NumberText::number) {
        value = std::numeric_limits<std::uint64_t>::max();
    }
    return q;
}

// A Matrix Market entry: its row and column, then any values, which are not read.
static const char* read_entry(EdgeParser& r, const char* p, const char* end, LinkBatch& batch) {
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
        return fault(r, FailureKind::outside);
    }
    add_usual_line(r, i, j, batch);
    return after_line(p, end);
}

// The bytes that end a bare name on a usual line of names.
using NameStops = std::array<bool, 256>;

static void set_name_stops(NameStops& stops, char separator) {
    stops.fill(false);
    for (const char c : {' ', '\t', '"', '\r', '\n', separator}) {
        stops[static_cast<unsigned char>(c)] = true;
    }
    stops[','] = stops[','] || separator == BLANKS;
}

static const char* name_end(const NameStops& stops, const char* p) {
    while (!stops[static_cast<unsigned char>(*p)]) {
        p++;
    }
    return p;
}

// The usual line of a file of names: two bare names, one separator between
// them, the newline after; nothing else, not even a blank. Returns the next
// line, or nullptr for any other line, which is then read the general way.
static const char* usual_name_line(const NodeIndex& nodes, const NameStops& stops, char separator,
                                   const char* p, std::uint64_t position, LinkBatch& batch) {
    const char* between = name_end(stops, p);
    if (between == p || *p == '#' || *p == '%' || !joins(*between, separator)) {
        return nullptr;
    }
    const char* second = between + 1;
    const char* after = name_end(stops, second);
    constexpr auto most = std::numeric_limits<std::uint32_t>::max();
    if (after == second || *after != '\n' || after - p > most) {
        return nullptr;
    }
    pend_name(nodes, batch, batch.from[batch.count], p, static_cast<std::uint32_t>(between - p),
              position);
    pend_name(nodes, batch, batch.to[batch.count], second,
              static_cast<std::uint32_t>(after - second),
              position + static_cast<std::uint64_t>(second - p));
    batch.count++;
    return after + 1;
}

// A usual line, read the quick way; nullptr when the line is not one.
static const char* usual_line(EdgeParser& r, const NameStops& stops, char separator, const char* p,
                              std::uint64_t position, LinkBatch& batch) {
    if (r.nodes->kind == IdKind::names) {
        return usual_name_line(*r.nodes, stops, separator, p, position, batch);
    }
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    const char* next = usual_number_line(p, separator, a, b);
    if (next == nullptr || (r.grammar.matrix && !inside(r, a, b))) {
        return nullptr; // the general way tells the fault
    }
    add_usual_line(r, a, b, batch);
    return next;
}

void start_parser(EdgeParser& parser, NodeIndex& nodes, const LineGrammar& grammar) {
    parser.nodes = &nodes;
    parser.grammar = grammar;
    parser.usual = !grammar.adjacency &&
                   (grammar.matrix || (grammar.dialect.first == 0 && grammar.dialect.second == 1));
    parser.separator = grammar.matrix ? MATRIX_BLANKS : grammar.dialect.separator;
    set_name_stops(parser.stops, parser.separator);
    parser.fault = FailureKind::none;
    parser.head = nullptr;
}

// The span's and the parser's fields are read into locals once: the loop
// calls functions that take the parser, after which its fields would be
// read again from memory.
bool parse_batch(EdgeParser& r, Span& span, LinkBatch& batch) {
    batch.count = 0;
    batch.pending = 0;
    const bool matrix = r.grammar.matrix;
    const bool adjacency = r.grammar.adjacency;
    const bool usual = r.usual;
    const char separator = r.separator;
    const NameStops& stops = r.stops;
    const char* const begin = span.begin;
    const char* const end = span.end;
    const std::uint64_t position = span.position;
    std::uint64_t lines = span.lines;
    const char* p = span.at;
    while (p < end && batch.count < LINK_BATCH) {
        const std::uint64_t at = position + static_cast<std::uint64_t>(p - begin);
        const char* next = usual ? usual_line(r, stops, separator, p, at, batch) : nullptr;
        if (next == nullptr) {
            next = matrix      ? read_entry(r, p, end, batch)
                   : adjacency ? read_adjacency(r, p, begin, end, position, batch)
                               : read_line(r, p, begin, end, position, batch);
        }
        if (next == nullptr) {
            r.head = nullptr;
            span.lines = lines;
            return false; // the file is refused: its links need no node
        }
        p = next;
        lines += r.head == nullptr ? 1 : 0;
    }
    span.at = p;
    span.lines = lines;
    return find_pending(r, batch);
}

} // namespace ugraph

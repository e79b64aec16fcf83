// METIS reader (a METIS graph file: its header, then the neighbours of node i on its i-th line)
//
// Line i's node is its number among the node lines, so the lines are read
// in order, on one thread. A link (i, j), i < j, goes to the forest from
// line i, and waits in a table, keyed by its two nodes, until line j lists
// it too: the table holds only the links whose higher line is still to
// come, and is gone once the file is read.
#include "large/metis_reader.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <string_view>
#include <unordered_map>

#include "large/huge_memory.h"
#include "large/link_sinks.h"
#include "large/text_lines.h"

namespace ugraph {

static bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The next field of the line from p to end, [begin, fieldEnd); false at the line's end.
static bool next_field(const char*& p, const char* end, const char*& begin, const char*& fieldEnd) {
    while (p < end && is_space(*p)) {
        p++;
    }
    begin = p;
    while (p < end && !is_space(*p)) {
        p++;
    }
    fieldEnd = p;
    return begin != fieldEnd;
}

static bool is_comment(std::string_view line) {
    return !line.empty() && line[0] == '%';
}

// Finds the header in the head: its line, without the newline, and the
// line's number. True when found, or when the whole text holds none (the
// line is then null); false when the head must grow to tell.
static bool find_header(const GraphSource& source, std::string_view& line, MetisHeader& h) {
    const char* p = source.head.data();
    const char* end = p + source.head.size();
    const bool whole = head_is_whole(source);
    line = {};
    for (h.line = 1; p < end; h.line++) {
        const char* next =
            static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (next == nullptr && !whole) {
            return false;
        }
        const char* lineEnd = next != nullptr ? next : end;
        if (!is_comment({p, static_cast<std::size_t>(lineEnd - p)})) {
            line = {p, static_cast<std::size_t>(lineEnd - p)};
            return true;
        }
        p = next != nullptr ? next + 1 : end;
    }
    return whole;
}

static Failure header_failure(std::uint64_t line, const char* reason) {
    return text_failure(FailureKind::header, line, reason, reason + std::strlen(reason));
}

static bool number_field(const char*& p, const char* end, std::uint64_t& value) {
    const char* begin = nullptr;
    const char* fieldEnd = nullptr;
    return next_field(p, end, begin, fieldEnd) &&
           read_number(begin, fieldEnd, value) == NumberText::number;
}

// fmt: up to three digits, each 0 or 1.
static bool read_fmt(const char* begin, const char* end, bool digits[3]) {
    if (end - begin > 3) {
        return false;
    }
    digits[0] = digits[1] = digits[2] = false;
    for (int k = 0; begin + k < end; k++) {
        const char c = end[-1 - k];
        if (c != '0' && c != '1') {
            return false;
        }
        digits[k] = c == '1';
    }
    return true;
}

// The fields after n and m, from p to the line's end: fmt, and ncon when
// fmt has vertex weights.
static Failure header_rest(const char* p, const char* end, MetisHeader& h) {
    const char* begin = nullptr;
    const char* fieldEnd = nullptr;
    bool digits[3] = {false, false, false};
    if (next_field(p, end, begin, fieldEnd) && !read_fmt(begin, fieldEnd, digits)) {
        return header_failure(h.line, "fmt must be up to three digits, each 0 or 1");
    }
    std::uint64_t weights = digits[1] ? 1 : 0;
    if (next_field(p, end, begin, fieldEnd)) {
        if (!digits[1] || read_number(begin, fieldEnd, weights) != NumberText::number) {
            return header_failure(h.line, "ncon must be a number, given with vertex weights");
        }
    }
    if (next_field(p, end, begin, fieldEnd)) {
        return header_failure(h.line, "the header must be n m [fmt [ncon]]");
    }
    h.skipped = (digits[2] ? 1 : 0) + weights;
    h.linkWeights = digits[0];
    return failure(FailureKind::none);
}

// Only the head up to the header is read: the node lines are read later, front to back.
Failure read_metis_header(GraphSource& source, MetisHeader& header) {
    header = MetisHeader{};
    source.start = 0;
    std::string_view line;
    if (!peek_until(source, 1U << 16,
                    [&source, &line, &header] { return find_header(source, line, header); })) {
        return read_failure(source, errno);
    }
    if (line.data() == nullptr) {
        return header_failure(header.line, "the header line n m [fmt [ncon]] is missing");
    }
    const char* p = line.data();
    const char* end = p + line.size();
    if (!number_field(p, end, header.nodes) || !number_field(p, end, header.links)) {
        return header_failure(header.line, "the header must give the nodes and the links");
    }
    // A header on the text's last line, without its newline, starts it past the text's end.
    source.start = static_cast<std::uint64_t>(end + 1 - source.head.data());
    Failure f = header_rest(p, end, header);
    if (!failed(f) && header.nodes >= std::numeric_limits<std::uint32_t>::max() - 1) {
        return failure(FailureKind::full); // node i + 1 is its index
    }
    return f;
}

// A link (i, j), i < j, listed on line i and waiting for line j: its key
// i << 32 | j, never 0 (i >= 1), and line i's number in the file.
struct Waiting {
    std::uint64_t key;
    std::uint64_t line;
};

// The links waiting, in slots found by linear probing from their key's
// home: none lies past an empty slot (key 0) after its home. A link listed
// again on its lower line counts the repeats apart, in `repeats`: they are
// rare, and the slots stay 16 bytes.
struct WaitingTable {
    Mapped<Waiting> slots;
    std::uint64_t mask;  // the slots less one, a power of two
    unsigned shift;      // 64 less the bits of a slot's number
    std::uint64_t count; // of the slots taken
    std::unordered_map<std::uint64_t, std::uint64_t> repeats;
};

inline constexpr unsigned FIRST_SLOT_BITS = 17; // 2 MiB of slots: one huge page

struct MetisRun {
    const MetisHeader* header;
    ForestSink sink;
    LinkBatch batch;
    WaitingTable waiting;
    std::uint64_t node; // the node of the line being read
    std::uint64_t line; // its number in the file
};

static std::uint64_t link_key(std::uint64_t low, std::uint64_t high) {
    return (low << 32) | high;
}

// Fibonacci hashing: the product's top bits, which every bit of the key moves.
static std::uint64_t home(const WaitingTable& t, std::uint64_t key) {
    return (key * 0x9E3779B97F4A7C15U) >> t.shift;
}

// The slot holding the key, or the empty one where it would go.
static std::uint64_t slot_of(const WaitingTable& t, std::uint64_t key) {
    std::uint64_t s = home(t, key);
    while (t.slots[s].key != 0 && t.slots[s].key != key) {
        s = (s + 1) & t.mask;
    }
    return s;
}

// Moves the links to 2^bits slots; false, with the slots as they were, when
// memory runs out.
static bool make_slots(WaitingTable& t, unsigned bits) {
    Mapped<Waiting> slots = mapped_block<Waiting>(std::size_t{1} << bits);
    if (!slots) {
        return false;
    }
    const Mapped<Waiting> old = std::move(t.slots);
    const std::uint64_t oldSlots = old ? t.mask + 1 : 0;
    t.slots = std::move(slots);
    t.mask = (std::uint64_t{1} << bits) - 1;
    t.shift = 64 - bits;
    for (std::uint64_t s = 0; s < oldSlots; s++) {
        if (old[s].key != 0) {
            t.slots[slot_of(t, old[s].key)] = old[s];
        }
    }
    return true;
}

// A listing of the link on its lower line; false when memory runs out. The
// slots are at most three quarters taken, so probes stay short.
static bool add_waiting(WaitingTable& t, std::uint64_t key, std::uint64_t line) {
    if (!t.slots && !make_slots(t, FIRST_SLOT_BITS)) {
        return false;
    }
    if ((t.count + 1) * 4 > (t.mask + 1) * 3 && !make_slots(t, 64 - t.shift + 1)) {
        return false;
    }
    Waiting& w = t.slots[slot_of(t, key)];
    if (w.key == key) {
        t.repeats[key]++;
    } else {
        w = Waiting{key, line};
        t.count++;
    }
    return true;
}

// Empties a slot: each link after it, up to an empty slot, whose home is not
// between the two moves into it, and leaves its own slot empty in turn.
static void empty_slot(WaitingTable& t, std::uint64_t hole) {
    for (std::uint64_t s = (hole + 1) & t.mask; t.slots[s].key != 0; s = (s + 1) & t.mask) {
        if (((s - home(t, t.slots[s].key)) & t.mask) >= ((s - hole) & t.mask)) {
            t.slots[hole] = t.slots[s];
            hole = s;
        }
    }
    t.slots[hole] = Waiting{0, 0};
    t.count--;
}

// Ticks a listing of the link off, from its higher line; false when none waits.
static bool tick_off(WaitingTable& t, std::uint64_t key) {
    const std::uint64_t s = t.slots ? slot_of(t, key) : 0;
    if (!t.slots || t.slots[s].key == 0) {
        return false;
    }
    const auto repeat = t.repeats.empty() ? t.repeats.end() : t.repeats.find(key);
    if (repeat == t.repeats.end()) {
        empty_slot(t, s);
    } else if (--repeat->second == 0) {
        t.repeats.erase(repeat);
    }
    return true;
}

static bool flush_batch(MetisRun& r) {
    const bool taken = take_batch(r.sink, r.batch);
    r.batch.count = 0;
    return taken;
}

// Node i's index is i + 1: the nodes are direct numbers.
static bool add_link(MetisRun& r, std::uint64_t a, std::uint64_t b) {
    r.batch.from[r.batch.count] = static_cast<std::uint32_t>(a + 1);
    r.batch.to[r.batch.count] = static_cast<std::uint32_t>(b + 1);
    r.batch.count++;
    return r.batch.count < LINK_BATCH || flush_batch(r);
}

static Failure one_sided(std::uint64_t line, std::uint64_t lister, std::uint64_t listed) {
    Failure f = failure(FailureKind::one_sided, line);
    f.figures[0] = lister;
    f.figures[1] = listed;
    return f;
}

// A neighbour j of node i: the link from the lower line, ticked off from the higher.
static Failure take_neighbour(MetisRun& r, std::uint64_t j) {
    const std::uint64_t i = r.node;
    if (j < i) {
        return tick_off(r.waiting, link_key(j, i)) ? failure(FailureKind::none)
                                                   : one_sided(r.line, i, j);
    }
    const bool added =
        (j == i || add_waiting(r.waiting, link_key(i, j), r.line)) && add_link(r, i, j);
    return failure(added ? FailureKind::none : FailureKind::out_of_memory);
}

static Failure weights_failure(std::uint64_t line, const char* reason) {
    return text_failure(FailureKind::weights, line, reason, reason + std::strlen(reason));
}

// One node line: its size and weights passed over, then its neighbours.
static Failure read_node_line(MetisRun& r, std::string_view line) {
    const char* p = line.data();
    const char* end = p + line.size();
    const char* begin = nullptr;
    const char* fieldEnd = nullptr;
    for (std::uint64_t k = 0; k < r.header->skipped; k++) {
        if (!next_field(p, end, begin, fieldEnd)) {
            return weights_failure(r.line, "the line lacks its vertex size or weights");
        }
    }
    while (next_field(p, end, begin, fieldEnd)) {
        std::uint64_t j = 0;
        if (read_number(begin, fieldEnd, j) != NumberText::number || j < 1 || j > r.header->nodes) {
            Failure f = text_failure(FailureKind::neighbour, r.line, begin, fieldEnd);
            f.figures[0] = r.header->nodes;
            return f;
        }
        if (r.header->linkWeights && !next_field(p, end, begin, fieldEnd)) {
            return weights_failure(r.line, "a neighbour lacks its edge weight");
        }
        Failure f = take_neighbour(r, j);
        if (failed(f)) {
            return f;
        }
    }
    return failure(FailureKind::none);
}

static bool is_blank_line(std::string_view line) {
    const char* p = line.data();
    const char* begin = nullptr;
    const char* fieldEnd = nullptr;
    return !next_field(p, p + line.size(), begin, fieldEnd);
}

// One line after the header: a node line, or a % comment anywhere, or a
// blank line after the last node line, passed over.
static Failure read_line(MetisRun& r, std::string_view line) {
    if (is_comment(line) || (r.node == r.header->nodes && is_blank_line(line))) {
        return failure(FailureKind::none);
    }
    if (r.node == r.header->nodes) {
        Failure f = failure(FailureKind::node_lines, r.line);
        f.figures[0] = r.header->nodes;
        f.figures[1] = r.node + 1;
        return f;
    }
    r.node++;
    return read_node_line(r, line);
}

// The text is read from its first line: the header's line and the
// comments before it are passed over again.
static Failure read_node_lines(MetisRun& r, GraphSource& source, bool progress) {
    TextLines lines{};
    start_lines(lines, source, "reading METIS", progress);
    std::string_view line;
    Failure f = failure(FailureKind::none);
    while (!failed(f) && next_line(lines, line, f)) {
        r.line = lines.line;
        f = r.line > r.header->line ? read_line(r, line) : f;
    }
    end_lines(lines);
    return f;
}

// The line counts and link counts the header gives, and no link left waiting.
static Failure check_counts(const MetisRun& r) {
    const MetisHeader& h = *r.header;
    const WaitingTable& t = r.waiting;
    if (t.count != 0) {
        Waiting first{0, 0};
        for (std::uint64_t s = 0; s <= t.mask; s++) {
            const Waiting& w = t.slots[s];
            const bool before = w.line < first.line || (w.line == first.line && w.key < first.key);
            first = w.key != 0 && (first.key == 0 || before) ? w : first;
        }
        return one_sided(first.line, first.key >> 32, first.key & 0xFFFFFFFFU);
    }
    Failure f = failure(FailureKind::none);
    if (r.node != h.nodes) {
        f = failure(FailureKind::node_lines, h.line);
        f.figures[0] = h.nodes;
        f.figures[1] = r.node;
    } else if (r.sink.links != h.links) {
        f = failure(FailureKind::link_count, h.line);
        f.figures[0] = h.links;
        f.figures[1] = r.sink.links;
    }
    return f;
}

Failure read_metis_links(GraphSource& source, NodeIndex& nodes, const MetisHeader& header,
                         bool keep, PassResult& result, bool progress) {
    result = PassResult{};
    auto r = std::make_unique<MetisRun>();
    r->header = &header;
    r->sink = ForestSink{&nodes, keep, {}, 0};
    Failure f = read_node_lines(*r, source, progress);
    if (!failed(f) && r->batch.count != 0 && !flush_batch(*r)) {
        f = failure(FailureKind::out_of_memory);
    }
    f = failed(f) ? f : check_counts(*r);
    result.links = r->sink.links;
    result.spans.push_back({0, 0, 0, r->sink.kept.count});
    result.kept.push_back(std::move(r->sink.kept));
    return f;
}

} // namespace ugraph

// Fuzz target: any bytes as an edge list, read with the dialect options the
// first bytes choose (ids, separator, header, columns) on 1, 2 or 8 threads in
// small blocks, with the id table's hash whole or weakened; the labels must
// be those of a reference reading done here from the reading rules, or the
// error the reference finds, at its line.
#include <algorithm>
#include <cstdint>
#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "fuzz_graph_files.h"
#include "large/decompressor.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ugraph::fuzz::enter_scratch_folder();
    return 0;
}

namespace {

using ugraph::DialectChoice;
using ugraph::HeaderChoice;
using ugraph::IdChoice;
using ugraph::fuzz::root;

constexpr std::size_t NONE = std::string::npos;
constexpr std::size_t LOOK = 65536; // the first bytes that decide refusal and ids
constexpr char BLANKS = ' ';        // the separator of fields between blanks
const std::string BOM = "\xEF\xBB\xBF";

struct Line {
    std::string text;   // without its line end
    std::size_t number; // from 1
    std::size_t end;    // where its newline is in the text
};

// One field as split: `raw` as it stands, quotes included; `text` the name
// it gives (quotes off, "" as one quote).
struct Field {
    std::string raw;
    std::string text;
    bool quoted;
};

// A line's fields; `unclosed`: a quote went wrong, the fields are those before it.
struct Fields {
    std::vector<Field> list;
    bool unclosed;
};

// The reference: every id as read, in text order, and the links between them
// (indexes into ids); or the message of the first fault; or a refusal.
struct Reading {
    bool refused = false;
    bool names = false;
    std::vector<std::string> ids;
    std::vector<std::pair<std::size_t, std::size_t>> links;
    std::string error;
};

// How the data lines read, 1-based columns.
struct Layout {
    char separator;
    std::size_t first;
    std::size_t second;
};

bool starts(const std::string& text, const std::string& front, std::size_t at = 0) {
    return text.size() >= at + front.size() && text.compare(at, front.size(), front) == 0;
}

// Archives, programs, documents and images are no graph
// files, nor is any text with a NUL byte in its first 64 KiB.
bool refused(const std::string& text) {
    static const std::string magics[] = {
        "PK\x03\x04", // a zip archive's first entry, or its end alone when empty
        "PK\x05\x06",
        "7z\xBC\xAF\x27\x1C",
        "\x7F"
        "ELF",
        "%PDF-",
        "\x89PNG\r\n\x1A\n"};
    return text.find('\0') < LOOK || starts(text, "ustar", 257) ||
           std::any_of(std::begin(magics), std::end(magics),
                       [&text](const std::string& m) { return starts(text, m); });
}

// The lines of a text: every CR is a line end when the first line end is a
// CR alone; else lines end at LF and a CR before it goes with it.
std::vector<Line> text_lines(std::string text) {
    const std::size_t first = text.find_first_of("\r\n");
    if (first != NONE && text[first] == '\r' && !starts(text, "\n", first + 1)) {
        std::replace(text.begin(), text.end(), '\r', '\n');
    }
    std::vector<Line> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back({line, lines.size() + 1, end});
        start = end + 1;
    }
    return lines;
}

bool skipped(const std::string& line) {
    const std::size_t at = line.find_first_not_of(" \t");
    return at == NONE || line[at] == '#' || line[at] == '%';
}

// The separator a first data line shows: a comma outside quotes, else a
// semicolon outside quotes, else blanks.
char found_separator(const std::string& line) {
    for (const char c : {',', ';'}) {
        std::size_t quotes = 0;
        for (const char b : line) {
            if (b == c && quotes % 2 == 0) {
                return c;
            }
            quotes += b == '"' ? 1 : 0;
        }
    }
    return BLANKS;
}

// Bytes skipped before a field, and trimmed after one: blanks, and tabs unless
// tabs separate.
bool blank(char c, char separator) {
    return c == ' ' || (c == '\t' && separator != '\t');
}

// Where an unquoted field stops.
bool stops(char c, char separator) {
    return separator == BLANKS ? c == ' ' || c == '\t' || c == ',' : c == separator;
}

// A quoted field from its opening quote at `at`, which ends after the closing
// quote; false when the line ends first.
bool quoted_field(const std::string& line, std::size_t& at, Field& f) {
    const std::size_t open = at;
    for (at++; at < line.size(); at++) {
        if (line[at] != '"') {
            f.text += line[at];
        } else if (starts(line, "\"", at + 1)) {
            f.text += '"';
            at++;
        } else {
            at++;
            f.raw = line.substr(open, at - open);
            f.quoted = true;
            return true;
        }
    }
    return false;
}

// A quoted field must end the line or reach the next field.
bool quote_ends(const std::string& line, std::size_t& at, char separator) {
    if (separator == BLANKS) {
        return at == line.size() || stops(line[at], separator);
    }
    while (at < line.size() && blank(line[at], separator)) {
        at++;
    }
    return at == line.size() || line[at] == separator;
}

// The first `most` fields of a line.
Fields split(const std::string& line, char separator, std::size_t most) {
    Fields s{{}, false};
    std::size_t at = 0;
    while (s.list.size() < most) {
        while (at < line.size() && blank(line[at], separator)) {
            at++;
        }
        Field f{"", "", false};
        if (starts(line, "\"", at)) {
            if (!quoted_field(line, at, f) || !quote_ends(line, at, separator)) {
                s.unclosed = true;
                return s;
            }
        } else {
            const std::size_t start = at;
            while (at < line.size() && !stops(line[at], separator)) {
                at++;
            }
            std::size_t stop = at;
            while (separator != BLANKS && stop > start && blank(line[stop - 1], separator)) {
                stop--;
            }
            f.raw = f.text = line.substr(start, stop - start);
        }
        s.list.push_back(f);
        while (separator == BLANKS && at < line.size() && blank(line[at], separator)) {
            at++;
        }
        if (at == line.size()) {
            break;
        }
        at += line[at] == (separator == BLANKS ? ',' : separator) ? 1 : 0;
    }
    return s;
}

bool is_number(const Field& f) {
    return !f.quoted && !f.raw.empty() && f.raw.find_first_not_of("0123456789") == NONE;
}

// The first field that reads as `word`, quotes off and in any case.
std::size_t position(const std::vector<Field>& fields, const std::string& word) {
    for (std::size_t i = 0; i < fields.size(); i++) {
        const Field& f = fields[i];
        const std::string bare = f.quoted ? f.raw.substr(1, f.raw.size() - 2) : f.raw;
        const bool same =
            std::equal(bare.begin(), bare.end(), word.begin(), word.end(), [](char a, char b) {
                return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
            });
        if (same) {
            return i;
        }
    }
    return NONE;
}

// The 1-based columns a header line names, source-like first; false when it
// names no pair.
bool named_columns(const std::string& line, char separator, Layout& layout) {
    static const char* const pairs[][2] = {{"source", "target"}, {"from", "to"}, {"src", "dst"}};
    const Fields s = split(line, separator, NONE);
    for (const auto& pair : pairs) {
        const std::size_t a = position(s.list, pair[0]);
        const std::size_t b = position(s.list, pair[1]);
        if (a != NONE && b != NONE) {
            layout.first = a + 1;
            layout.second = b + 1;
            return true;
        }
    }
    return false;
}

// Both id fields of a line, split as the layout says; false without both.
bool id_fields(const Line* line, const Layout& layout, Field& a, Field& b) {
    if (line == nullptr) {
        return false;
    }
    const Fields s = split(line->text, layout.separator, std::max(layout.first, layout.second));
    if (s.list.size() < std::max(layout.first, layout.second)) {
        return false;
    }
    a = s.list[layout.first - 1];
    b = s.list[layout.second - 1];
    return true;
}

// A first line of ids that are not all numbers over a line of numbers.
bool names_over_numbers(const Line* top, const Line* next, const Layout& layout) {
    Field a{};
    Field b{};
    Field c{};
    Field d{};
    return id_fields(top, layout, a, b) && !a.raw.empty() && !b.raw.empty() &&
           (!is_number(a) || !is_number(b)) && id_fields(next, layout, c, d) && is_number(c) &&
           is_number(d);
}

// Whether the first data line is a header; the layout gets its columns.
bool header_of(const std::vector<const Line*>& data, const DialectChoice& choice, Layout& layout) {
    const bool given = choice.first != 0;
    layout.first = given ? choice.first : 1;
    layout.second = given ? choice.second : 2;
    if (choice.header == HeaderChoice::no) {
        return false;
    }
    Layout named = layout;
    const bool naming = named_columns(data[0]->text, layout.separator, named);
    const bool header = choice.header == HeaderChoice::yes || naming ||
                        names_over_numbers(data[0], data.size() > 1 ? data[1] : nullptr, layout);
    if (header && naming && !given) {
        layout = named;
    }
    return header;
}

// Whether an id of a data line within the first 64 KiB is no number.
bool names_found(const std::vector<const Line*>& data, std::size_t from, const Layout& layout) {
    for (std::size_t k = from; k < data.size() && data[k]->end < LOOK; k++) {
        const Fields s =
            split(data[k]->text, layout.separator, std::max(layout.first, layout.second));
        for (const std::size_t column : {layout.first, layout.second}) {
            if (column <= s.list.size() && !s.list[column - 1].raw.empty() &&
                !is_number(s.list[column - 1])) {
                return true;
            }
        }
    }
    return false;
}

std::string shown(const std::string& field) {
    std::string s = field;
    for (char& c : s) {
        c = static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    }
    return s;
}

enum class Node { read, fault, again };

// The id of a field, or the fault; `again` when numbers found meet a name.
Node node_of(const Field& f, bool names, bool found, std::string& id, std::string& error) {
    if (f.raw.empty()) {
        error = "empty node id";
        return Node::fault;
    }
    if (names) {
        id = f.text;
        return Node::read;
    }
    if (!is_number(f)) {
        error = "'" + shown(f.raw) + "' is not a node number (use --ids=names)";
        return found ? Node::again : Node::fault;
    }
    const std::size_t zeros = std::min(f.raw.find_first_not_of('0'), f.raw.size() - 1);
    id = f.raw.substr(zeros);
    if (id.size() > 19 || (id.size() == 19 && id > "9223372036854775807")) {
        error = "node number " + f.raw + " is too large";
        return Node::fault;
    }
    return Node::read;
}

// One data line into the reading; false at a fault, or with `again`.
bool read_line(const Line& line, const Layout& layout, bool found, Reading& r, bool& again) {
    const Fields s = split(line.text, layout.separator, std::max(layout.first, layout.second));
    std::string error = s.unclosed ? "unclosed quote" : "";
    if (error.empty() && s.list.size() < layout.first) {
        error = "the line has no field " + std::to_string(layout.first);
    }
    std::string ids[2];
    const bool linked = s.list.size() >= layout.second;
    for (int k = 0; k < (linked ? 2 : 1) && error.empty(); k++) {
        const Field& f = s.list[(k == 0 ? layout.first : layout.second) - 1];
        const Node n = node_of(f, r.names, found, ids[k], error);
        again = n == Node::again;
        if (again) {
            return false;
        }
    }
    if (!error.empty()) {
        r.error = "ugraph: g:" + std::to_string(line.number) + ": " + error + "\n";
        return false;
    }
    const bool swapped = linked && layout.second < layout.first;
    r.ids.push_back(ids[swapped ? 1 : 0]);
    if (linked) {
        r.links.emplace_back(r.ids.size() - 1, r.ids.size());
        r.ids.push_back(ids[swapped ? 0 : 1]);
    }
    return true;
}

Reading read_data(const std::vector<const Line*>& data, std::size_t from, const Layout& layout,
                  bool names, bool found) {
    Reading r;
    r.names = names;
    for (std::size_t k = from; k < data.size(); k++) {
        bool again = false;
        if (!read_line(*data[k], layout, found, r, again)) {
            return again ? read_data(data, from, layout, true, false) : r;
        }
    }
    return r;
}

Reading reference(const std::string& file, const DialectChoice& choice) {
    const std::string text = starts(file, BOM) ? file.substr(BOM.size()) : file;
    Reading r;
    r.refused = refused(text);
    const std::vector<Line> lines = r.refused ? std::vector<Line>{} : text_lines(text);
    std::vector<const Line*> data;
    for (const Line& line : lines) {
        if (!skipped(line.text)) {
            data.push_back(&line);
        }
    }
    if (data.empty()) {
        return r;
    }
    Layout layout{choice.separator != 0 ? choice.separator : found_separator(data[0]->text), 1, 2};
    const std::size_t from = header_of(data, choice, layout) ? 1 : 0;
    const bool found = choice.ids == IdChoice::from_file;
    const bool names = choice.ids == IdChoice::names || (found && names_found(data, from, layout));
    return read_data(data, from, layout, names, found && !names);
}

// Labels as the reading gives them: numbers ascending or names by first
// appearance, components numbered by their first node.
std::string labels_of(const Reading& r) {
    std::vector<std::string> order;
    std::map<std::string, std::size_t> place;
    for (const std::string& id : r.ids) {
        if (place.emplace(id, order.size()).second) {
            order.push_back(id);
        }
    }
    if (!r.names) {
        std::sort(order.begin(), order.end(), [](const std::string& x, const std::string& y) {
            return x.size() != y.size() ? x.size() < y.size() : x < y;
        });
        for (std::size_t i = 0; i < order.size(); i++) {
            place[order[i]] = i;
        }
    }
    std::vector<std::size_t> parent(order.size());
    std::iota(parent.begin(), parent.end(), 0);
    for (const auto& [a, b] : r.links) {
        parent[root(parent, place[r.ids[a]])] = root(parent, place[r.ids[b]]);
    }
    std::map<std::size_t, std::size_t> number;
    std::string out;
    for (std::size_t i = 0; i < order.size(); i++) {
        const std::size_t k = number.emplace(root(parent, i), number.size() + 1).first->second;
        out += order[i] + "\t" + std::to_string(k) + "\n";
    }
    return out;
}

// The file: the input after its option bytes; with padding, a comment line
// first that ends `back` bytes before 64 KiB, so that the ids of the lines
// after it are found only as they are read.
std::string file_of(const std::string& input, bool padded, std::size_t back) {
    if (!padded) {
        return input;
    }
    const std::size_t bom = starts(input, BOM) ? BOM.size() : 0;
    const std::string text = input.substr(bom);
    const std::size_t first = text.find_first_of("\r\n");
    const bool crs = first != NONE && text[first] == '\r' && !starts(text, "\n", first + 1);
    return input.substr(0, bom) + "#" + std::string(LOOK - back - 2, 'x') + (crs ? "\r" : "\n") +
           text;
}

} // namespace

// The first byte picks the ids, the threads, the block size and whether the
// text is padded (from 216 up); the second the separator, the header, the
// columns and whether the id table's hash is weakened until most ids
// collide; a third, when padded, where the padding ends.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ugraph;
    static const IdChoice ids[] = {IdChoice::from_file, IdChoice::numbers, IdChoice::names};
    static const std::uint32_t threads[] = {1, 2, 8};
    static const char separators[] = {0, ' ', ',', ';', '\t', '|'};
    static const HeaderChoice headers[] = {HeaderChoice::from_file, HeaderChoice::yes,
                                           HeaderChoice::no};
    static const std::uint32_t columns[][2] = {{0, 0}, {2, 1}, {1, 3}, {3, 2}};
    const std::size_t optionBytes = size > 0 && data[0] >= 216 ? 3 : 2;
    if (size < optionBytes) {
        return 0;
    }
    const std::string input(reinterpret_cast<const char*>(data + optionBytes), size - optionBytes);
    const std::string file = file_of(input, optionBytes == 3, optionBytes == 3 ? data[2] : 0);
    if (compression_of(file.data(), file.size()) != Compression::none) {
        return 0; // a compression's magic: read decompressed, which fuzz_gzip covers
    }
    if (starts(file, "\xFF\xFE") || starts(file, "\xFE\xFF")) {
        return 0; // UTF-16: decoded into the UTF-8 read here, which the tests cover
    }
    // Blocks of a padded text are larger, or its 64 KiB take too long to read.
    const std::uint64_t block = (1U + data[0] / 9 % 8 * 8) * (optionBytes == 3 ? 64 : 1);
    GraphFileOptions options =
        fuzz::labels_options(InputChoice::edges, threads[data[0] / 3 % 3], block);
    options.dialect = {ids[data[0] % 3], separators[data[1] % 6], headers[data[1] / 6 % 3],
                       columns[data[1] / 18 % 4][0], columns[data[1] / 18 % 4][1]};
    options.hashMask = data[1] / 72 % 2 == 1 ? 0x3 : 0;
    const Reading expected = reference(file, options.dialect);
    const fuzz::FileRun run = fuzz::run_graph_file(file, options);
    if (expected.refused) {
        FUZZ_CHECK(run.status == 1 && run.out.empty());
        FUZZ_CHECK(run.err.rfind("ugraph: g: not a graph file (", 0) == 0);
        FUZZ_CHECK(run.err.size() > 2 && run.err.compare(run.err.size() - 2, 2, ")\n") == 0);
    } else if (!expected.error.empty()) {
        FUZZ_CHECK(run.status == 1 && run.out.empty() && run.err == expected.error);
    } else {
        FUZZ_CHECK(run.status == 0 && run.err.empty() && run.out == labels_of(expected));
    }
    return 0;
}

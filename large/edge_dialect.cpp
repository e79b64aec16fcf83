// Edge dialect (the shape of an edge list: separator, header, id columns, id kind)
#include "large/edge_dialect.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace ugraph {

// The first lines of the text, each ending with a newline, the last one too.
struct FirstLines {
    std::vector<char> text;
    const char* end;
    const char* first;  // the first data line, nullptr when there is none
    const char* second; // the next one
    std::uint64_t firstNumber;
};

static const char* line_after(const char* p, const char* end) {
    return static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))) + 1;
}

// The data line at or after p, nullptr at the end; `number` counts lines.
static const char* data_line(const char* p, const char* end, std::uint64_t& number) {
    for (; p < end; p = line_after(p, end)) {
        number++;
        if (is_data_line(p)) {
            return p;
        }
    }
    return nullptr;
}

// Reads the text's first lines: its first two data lines, and at least
// its first ID_LOOK bytes.
static bool read_first_lines(GraphSource& source, FirstLines& lines) {
    return peek_until(source, ID_LOOK, [&source, &lines] {
        const std::vector<char>& head = source.head;
        const bool whole = head_is_whole(source);
        const auto lastEnd = std::find(head.rbegin(), head.rend(), '\n').base();
        lines.text.assign(head.begin(), whole ? head.end() : lastEnd);
        if (whole && !lines.text.empty() && lines.text.back() != '\n') {
            lines.text.push_back('\n');
        }
        lines.end = lines.text.data() + lines.text.size();
        std::uint64_t number = 0;
        lines.first = data_line(lines.text.data(), lines.end, number);
        lines.firstNumber = number;
        lines.second = lines.first != nullptr
                           ? data_line(line_after(lines.first, lines.end), lines.end, number)
                           : nullptr;
        return lines.second != nullptr && head.size() >= ID_LOOK;
    });
}

static char separator_of(const char* line) {
    bool quoted = false;
    bool semicolon = false;
    for (const char* p = line; *p != '\n'; p++) {
        quoted = quoted != (*p == '"');
        if (!quoted && *p == ',') {
            return ',';
        }
        semicolon = semicolon || (!quoted && *p == ';');
    }
    return semicolon ? ';' : BLANKS;
}

static const char* const COLUMN_WORDS[][2] = {{"source", "target"}, {"from", "to"}, {"src", "dst"}};

bool names_id_columns(const char* a, std::size_t aLength, const char* b, std::size_t bLength) {
    for (const auto& pair : COLUMN_WORDS) {
        if ((same_word(a, aLength, pair[0]) && same_word(b, bLength, pair[1])) ||
            (same_word(a, aLength, pair[1]) && same_word(b, bLength, pair[0]))) {
            return true;
        }
    }
    return false;
}

// The first field that is the word, without its quotes; fields.size() when none is.
static std::size_t column_named(const std::vector<Field>& fields, const char* word) {
    for (std::size_t k = 0; k < fields.size(); k++) {
        const std::size_t quotes = is_quoted(fields[k]) ? 1 : 0;
        const char* text = fields[k].begin + quotes;
        const auto length = static_cast<std::size_t>(fields[k].end - fields[k].begin) - 2 * quotes;
        if (same_word(text, length, word)) {
            return k;
        }
    }
    return fields.size();
}

// The columns a header line names: source and target, from and to, or src
// and dst, in any case, wherever they stand; false when it names none.
static bool named_columns(const std::vector<Field>& fields, Dialect& dialect) {
    for (const auto& pair : COLUMN_WORDS) {
        const std::size_t a = column_named(fields, pair[0]);
        const std::size_t b = column_named(fields, pair[1]);
        if (a < fields.size() && b < fields.size()) {
            dialect.first = static_cast<std::uint32_t>(a);
            dialect.second = static_cast<std::uint32_t>(b);
            return true;
        }
    }
    return false;
}

// Whether a line has both id fields, and how many of them are numbers.
static bool id_fields_of(const std::vector<Field>& fields, const Dialect& d, int& numbers) {
    if (fields.size() <= std::max(d.first, d.second)) {
        return false;
    }
    numbers =
        (is_number_field(fields[d.first]) ? 1 : 0) + (is_number_field(fields[d.second]) ? 1 : 0);
    return true;
}

// A first line whose id fields are not all numbers (nor empty), before a
// line whose ids are, is a header.
static bool looks_like_header(const FirstLines& lines, const Dialect& d) {
    const std::vector<Field> first = fields_of(lines.first, d.separator);
    int numbers = 0;
    if (lines.second == nullptr || !id_fields_of(first, d, numbers) || numbers == 2 ||
        first[d.first].begin == first[d.first].end ||
        first[d.second].begin == first[d.second].end) {
        return false;
    }
    return id_fields_of(fields_of(lines.second, d.separator), d, numbers) && numbers == 2;
}

// Whether an id field that is neither a number nor empty stands in the data
// lines from `data` on whose newline is within the text's first ID_LOOK bytes.
static bool names_among(const FirstLines& lines, const char* data, const Dialect& d) {
    const char* look = lines.text.data() + std::min<std::size_t>(ID_LOOK, lines.text.size());
    std::uint64_t number = 0;
    for (const char* p = data_line(data, lines.end, number);
         p != nullptr && line_after(p, lines.end) <= look;
         p = data_line(line_after(p, lines.end), lines.end, number)) {
        const std::vector<Field> fields = fields_of(p, d.separator);
        for (const std::uint32_t k : {d.first, d.second}) {
            if (k < fields.size() && fields[k].begin != fields[k].end &&
                !is_number_field(fields[k])) {
                return true;
            }
        }
    }
    return false;
}

// Whether the first data line is a header; the id columns are set too: by
// --columns, or else by the header's names, or else they are the first two.
static bool find_header(const FirstLines& lines, const DialectChoice& choice, Dialect& d) {
    Dialect named = d;
    const bool naming = choice.header != HeaderChoice::no &&
                        named_columns(fields_of(lines.first, d.separator), named);
    if (choice.first != 0) {
        d.first = choice.first - 1;
        d.second = choice.second - 1;
    } else if (naming) {
        d = named;
    }
    return naming || choice.header == HeaderChoice::yes ||
           (choice.header == HeaderChoice::from_file && looks_like_header(lines, d));
}

Failure find_edge_shape(GraphSource& source, const DialectChoice& choice, EdgeShape& shape) {
    FirstLines lines{};
    if (!read_first_lines(source, lines)) {
        return read_failure(source, errno);
    }
    Dialect& d = shape.dialect;
    d = Dialect{choice.separator != 0 ? choice.separator : BLANKS, 0, 1};
    shape.ids = choice.ids == IdChoice::names ? IdKind::names : IdKind::numbers;
    shape.start = 0;
    shape.skipped = 0;
    if (lines.first == nullptr) {
        return failure(FailureKind::none); // no data: any shape reads it
    }
    if (choice.separator == 0) {
        d.separator = separator_of(lines.first);
    }
    const char* data = lines.first;
    if (find_header(lines, choice, d)) {
        data = line_after(lines.first, lines.end);
        shape.start = static_cast<std::uint64_t>(data - lines.text.data());
        shape.skipped = lines.firstNumber;
    }
    if (choice.ids == IdChoice::from_file && names_among(lines, data, d)) {
        shape.ids = IdKind::names;
    }
    return failure(FailureKind::none);
}

} // namespace ugraph

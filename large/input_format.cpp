// Input format (tells edge lists, Matrix Market, DOT, Pajek, GML and GraphML apart)
#include "large/input_format.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "large/decompressor.h"
#include "large/edge_fields.h"
#include "large/edge_parser.h"
#include "large/node_index.h"
#include "large/pajek_reader.h"

namespace ugraph {

inline constexpr std::uint64_t PEEK_STEP = 1U << 16;
inline constexpr char BANNER[] = "%%MatrixMarket";

static bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

static char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Passes over blanks and DOT's comments: // and # to the line's end, /* */.
// Returns where the first token begins, or nullptr when the bytes end first.
static const char* first_token(const char* p, const char* end) {
    while (p < end) {
        if (is_space(*p)) {
            p++;
        } else if (*p == '#' || (*p == '/' && p + 1 < end && p[1] == '/')) {
            p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            if (p == nullptr) {
                return nullptr;
            }
        } else if (*p == '/' && p + 1 < end && p[1] == '*') {
            const char* close = nullptr;
            for (const char* q = p + 2; q + 1 < end && close == nullptr; q++) {
                close = q[0] == '*' && q[1] == '/' ? q + 2 : nullptr;
            }
            if (close == nullptr) {
                return nullptr;
            }
            p = close;
        } else {
            return p;
        }
    }
    return nullptr;
}

// Passes over blanks and % comment lines (Pajek's and an edge list's):
// where the first other text begins, or nullptr when the bytes end first.
static const char* first_line(const char* p, const char* end) {
    while (p < end && (is_space(*p) || *p == '%')) {
        if (*p == '%') {
            p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            if (p == nullptr) {
                return nullptr;
            }
        }
        p++;
    }
    return p < end ? p : nullptr;
}

// Whether the token at p is one that opens a DOT graph; `known` is false
// when the bytes end inside it.
static bool opens_dot_graph(const char* p, const char* end, bool& known) {
    const char* q = p;
    while (q < end &&
           ((lower(*q) >= 'a' && lower(*q) <= 'z') || *q == '_' || (*q >= '0' && *q <= '9'))) {
        q++;
    }
    known = q < end;
    const auto length = static_cast<std::size_t>(q - p);
    return same_word(p, length, "graph") || same_word(p, length, "digraph") ||
           same_word(p, length, "strict");
}

// Whether the token at p opens a GML text: graph followed by [ (DOT's graph
// is followed by a name or {), or igraph's Creator "..." before it; `known`
// is false when the bytes end before that tells.
static bool opens_gml(const char* p, const char* end, bool& known) {
    const char* q = p;
    while (q < end && ((lower(*q) >= 'a' && lower(*q) <= 'z') || *q == '_')) {
        q++;
    }
    const auto length = static_cast<std::size_t>(q - p);
    const bool graph = length == 5 && std::memcmp(p, "graph", 5) == 0;
    const bool creator = length == 7 && std::memcmp(p, "Creator", 7) == 0;
    if (!graph && !creator) {
        return false;
    }
    const char* next = first_token(q, end);
    known = next != nullptr;
    return next != nullptr && *next == (graph ? '[' : '"');
}

// An XML prologue longer than this is taken for no GraphML document's: a
// stream's head is held while it is read.
inline constexpr std::size_t PROLOGUE_LOOK = std::size_t{1} << 24;

// The end of what begins at p and ends with `close`, or nullptr.
static const char* after(const char* p, const char* end, std::string_view close) {
    const std::string_view rest(p, static_cast<std::size_t>(end - p));
    const std::size_t at = rest.find(close);
    return at == std::string_view::npos ? nullptr : p + at + close.size();
}

// The end of a DOCTYPE, whose internal subset, in [ ], may hold > in
// declarations and quoted text; nullptr when the bytes end first.
static const char* after_doctype(const char* p, const char* end) {
    char quote = '\0';
    int depth = 0;
    for (; p < end; p++) {
        if (quote != '\0') {
            quote = *p == quote ? '\0' : quote;
        } else if (*p == '"' || *p == '\'') {
            quote = *p;
        } else if (*p == '[' || *p == ']') {
            depth += *p == '[' ? 1 : -1;
        } else if (*p == '>' && depth <= 0) {
            return p + 1;
        }
    }
    return nullptr;
}

static bool begins(const char* p, const char* end, std::string_view word) {
    return static_cast<std::size_t>(end - p) >= word.size() &&
           std::memcmp(p, word.data(), word.size()) == 0;
}

// Passes over what an XML document may hold before its first element:
// blanks, its declaration and other processing instructions, comments and a
// DOCTYPE. Where the first element's < is; nullptr, with `known` false when
// the bytes end first, or true when the text is no XML.
static const char* first_element(const char* p, const char* end, bool& known) {
    known = false;
    for (;;) {
        while (p < end && is_space(*p)) {
            p++;
        }
        if (end - p < 9) { // the longest opening looked for, <!DOCTYPE
            known = p < end && *p != '<';
            return nullptr;
        }
        if (*p != '<') {
            known = true;
            return nullptr;
        }
        const char* next = p[1] == '?'                   ? after(p + 2, end, "?>")
                           : begins(p, end, "<!--")      ? after(p + 4, end, "-->")
                           : begins(p, end, "<!DOCTYPE") ? after_doctype(p + 9, end)
                                                         : p;
        if (next == p) {
            known = true;
            return p;
        }
        if (next == nullptr) {
            return nullptr;
        }
        p = next;
    }
}

// Whether the text is XML whose first element is graphml, after an optional
// prefix; `known` is false when the bytes end before that tells.
static bool opens_graphml(const char* begin, const char* end, bool& known) {
    const char* p = first_element(begin, end, known);
    if (p == nullptr) {
        known = known || end - begin >= static_cast<std::ptrdiff_t>(PROLOGUE_LOOK);
        return false;
    }
    const char* name = ++p;
    while (p < end && !is_space(*p) && *p != '>' && *p != '/') {
        p++;
    }
    known = p < end;
    const std::string_view element(name, static_cast<std::size_t>(p - name));
    const std::size_t colon = element.find(':');
    return element.substr(colon == std::string_view::npos ? 0 : colon + 1) == "graphml";
}

// The format, once the head's first bytes tell it.
static bool tells_format(const GraphSource& source, InputFormat& format) {
    const char* begin = source.head.data();
    const char* end = begin + source.head.size();
    const bool whole = head_is_whole(source);
    const std::size_t banner = sizeof BANNER - 1;
    if (source.head.size() < banner && !whole) {
        return false;
    }
    if (source.head.size() >= banner && std::memcmp(begin, BANNER, banner) == 0) {
        format = InputFormat::mtx;
        return true;
    }
    bool xmlKnown = true;
    if (opens_graphml(begin, end, xmlKnown)) {
        format = InputFormat::graphml;
        return true;
    }
    if (!xmlKnown && !whole) {
        return false; // a prologue, or the first element's name, goes on past the bytes read
    }
    const char* line = first_line(begin, end);
    if (line == nullptr && !whole) {
        return false; // comments go on past the bytes read
    }
    if (line != nullptr && *line == '*') { // a Pajek network's first line, or an edge list's
        const void* lineEnd = std::memchr(line, '\n', static_cast<std::size_t>(end - line));
        const char* stop = lineEnd != nullptr ? static_cast<const char*>(lineEnd) : end;
        format = opens_pajek(line, stop) ? InputFormat::pajek : InputFormat::edges;
        return lineEnd != nullptr || whole;
    }
    const char* token = first_token(begin, end);
    bool known = true;
    const bool dot = token != nullptr && opens_dot_graph(token, end, known);
    format = dot ? InputFormat::dot : InputFormat::edges;
    if (known && token != nullptr && opens_gml(token, end, known)) {
        format = InputFormat::gml;
    }
    return (token != nullptr && known) || whole;
}

Failure detect_input_format(GraphSource& source, InputFormat& format) {
    if (!peek_until(source, PEEK_STEP,
                    [&source, &format] { return tells_format(source, format); })) {
        return read_failure(source, errno);
    }
    return failure(FailureKind::none);
}

struct Magic {
    std::size_t offset;
    const char* bytes;
    std::size_t length;
    const char* kind;
};

// The signatures of the files most often mistaken for graphs.
static const Magic MAGICS[] = {
    {0, "PK\x03\x04", 4, "a zip archive"},
    {0, "PK\x05\x06", 4, "a zip archive"},
    {0, "7z\xBC\xAF\x27\x1C", 6, "a 7z archive"},
    {257, "ustar", 5, "a tar archive"},
    {0,
     "\x7F"
     "ELF",
     4, "an ELF program or library"},
    {0, "%PDF-", 5, "a PDF document"},
    {0, "\x89PNG\r\n\x1A\n", 8, "a PNG image"},
};

// Compressed data found inside a decompressed text (a file's own
// compression is read before its text is); gzip's inside is read as text,
// as it always was.
static const char* compressed_kind(const char* bytes, std::size_t size) {
    switch (compression_of(bytes, size)) {
    case Compression::xz:
        return "xz-compressed data";
    case Compression::bzip2:
        return "bzip2-compressed data";
    case Compression::zstd:
        return "zstd-compressed data";
    case Compression::gzip:
    case Compression::none:
        break;
    }
    return nullptr;
}

const char* binary_kind(const char* bytes, std::size_t size) {
    if (const char* kind = compressed_kind(bytes, size)) {
        return kind;
    }
    for (const Magic& m : MAGICS) {
        if (size >= m.offset + m.length && std::memcmp(bytes + m.offset, m.bytes, m.length) == 0) {
            return m.kind;
        }
    }
    if (size > 0 && std::memchr(bytes, '\0', std::min<std::size_t>(size, BINARY_LOOK)) != nullptr) {
        return "binary data";
    }
    return nullptr;
}

// The words of a line, up to `most`; the count found, more than `most` when
// there are more.
static std::size_t words_of(const char* p, const char* end, const char** words,
                            std::size_t* lengths, std::size_t most) {
    std::size_t count = 0;
    while (p < end) {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\r')) {
            p++;
        }
        const char* word = p;
        while (p < end && *p != ' ' && *p != '\t' && *p != '\r') {
            p++;
        }
        if (p > word) {
            if (count < most) {
                words[count] = word;
                lengths[count] = static_cast<std::size_t>(p - word);
            }
            count++;
        }
    }
    return count;
}

static bool one_of(const char* word, std::size_t length, const char* const* names) {
    for (; *names != nullptr; names++) {
        if (same_word(word, length, *names)) {
            return true;
        }
    }
    return false;
}

static Failure check_banner(const char* line, const char* end) {
    static const char* const fields[] = {"real", "complex", "integer", "pattern", nullptr};
    static const char* const symmetries[] = {"general", "symmetric", "skew-symmetric", "hermitian",
                                             nullptr};
    const char* w[5] = {};
    std::size_t n[5] = {};
    const std::size_t count = words_of(line, end, w, n, 5);
    const std::size_t banner = sizeof BANNER - 1;
    if (count < 3 || n[0] != banner || std::memcmp(w[0], BANNER, banner) != 0 ||
        !same_word(w[1], n[1], "matrix") || !same_word(w[2], n[2], "coordinate")) {
        return printed_failure(FailureKind::header, 1, "the header names no coordinate matrix");
    }
    if (count < 5 || count > 5 || !one_of(w[3], n[3], fields) || !one_of(w[4], n[4], symmetries)) {
        return printed_failure(FailureKind::header, 1,
                               "the header needs a field (real, complex, integer or pattern) and "
                               "a symmetry (general, symmetric, skew-symmetric or hermitian)");
    }
    return failure(FailureKind::none);
}

static bool whole_number(const char* word, std::size_t length, std::uint64_t& value) {
    return read_number(word, word + length, value) == NumberText::number;
}

static Failure read_size_line(const char* line, const char* end, MatrixHeader& header) {
    const char* w[4] = {};
    std::size_t n[4] = {};
    if (words_of(line, end, w, n, 4) != 3 || !whole_number(w[0], n[0], header.rows) ||
        !whole_number(w[1], n[1], header.columns) || !whole_number(w[2], n[2], header.entries)) {
        return printed_failure(FailureKind::header, header.sizeLine,
                               "the size line must give rows, columns and entries");
    }
    const std::uint64_t nodes = header.rows > header.columns ? header.rows : header.columns;
    if (nodes >= LAST_INDEX - 1) {
        return printed_failure(FailureKind::header, header.sizeLine,
                               "more rows or columns than ugraph can hold (%u)", LAST_INDEX - 2);
    }
    return failure(FailureKind::none);
}

// Reads the header from the head, once the head holds it: true when it
// is found or refused, false when the head must grow to tell.
static bool scan_matrix_header(GraphSource& source, MatrixHeader& header, Failure& f) {
    const char* p = source.head.data();
    const char* end = p + source.head.size();
    const bool whole = head_is_whole(source);
    header.sizeLine = 0;
    for (std::uint64_t line = 1; p < end; line++) {
        const char* next =
            static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        if (next == nullptr && !whole) {
            return false; // the line goes on past the bytes read
        }
        const char* lineEnd = next != nullptr ? next : end;
        if (line == 1) {
            f = check_banner(p, lineEnd);
            if (failed(f)) {
                return true;
            }
        }
        const char* w[1] = {};
        std::size_t n[1] = {};
        if (line > 1 && *p != '%' && words_of(p, lineEnd, w, n, 1) > 0) {
            header.sizeLine = line;
            source.start =
                static_cast<std::uint64_t>((next != nullptr ? next + 1 : end) - source.head.data());
            f = read_size_line(p, lineEnd, header);
            return true;
        }
        p = next != nullptr ? next + 1 : end;
        header.sizeLine = line;
    }
    if (whole) {
        f = printed_failure(FailureKind::header, header.sizeLine + 1, "the size line is missing");
    }
    return whole;
}

Failure read_matrix_header(GraphSource& source, MatrixHeader& header) {
    Failure f = failure(FailureKind::none);
    if (!peek_until(source, PEEK_STEP,
                    [&source, &header, &f] { return scan_matrix_header(source, header, f); })) {
        return read_failure(source, errno);
    }
    return f;
}

} // namespace ugraph

// Edge fields (splits a line of an edge list into its fields, as its separator says)
#ifndef UGRAPH_EDGE_FIELDS_H
#define UGRAPH_EDGE_FIELDS_H

#include <cstddef>
#include <vector>

namespace ugraph {

// The separator that stands for runs of blanks and tabs, and one comma
// among them; any other separator is the one byte between fields, with the
// blanks and tabs around a field trimmed.
inline constexpr char BLANKS = ' ';

// Every line these functions read ends with a newline, so that a scan stops
// at one without counting bytes; a carriage return right before the newline
// belongs to the line's end.
inline bool is_line_end(const char* p) {
    return *p == '\n' || (*p == '\r' && p[1] == '\n');
}

inline bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

inline const char* skip_blanks(const char* p) {
    while (is_blank(*p)) {
        p++;
    }
    return p;
}

// Whether the line at p holds data: not only blanks and tabs, nor a comment
// (whose first other byte is # or %).
inline bool is_data_line(const char* p) {
    p = skip_blanks(p);
    return !is_line_end(p) && *p != '#' && *p != '%';
}

// One field as it stands: without the blanks around it, a quoted one with
// its quotes; empty when nothing stands between two separators.
struct Field {
    const char* begin;
    const char* end;
};

inline bool is_quoted(const Field& field) {
    return field.begin != field.end && *field.begin == '"';
}

enum class FieldScan { last, more, unclosed_quote };

// Reads the field at p, the line's start or the place after a separator:
// `more` when another field follows, which begins at `next`; a quoted field
// ("" standing for one quote) must close before the line ends and be
// followed by a separator or the line's end.
FieldScan scan_field(const char* p, char separator, Field& field, const char*& next);

// Whether a field is a decimal number: digits only, not quoted.
bool is_number_field(const Field& field);

// The fields of a line, as far as they read: up to an unclosed quote, or
// all of them.
std::vector<Field> fields_of(const char* line, char separator);

// Whether a text is the word, which is in lower case, in any case.
bool same_word(const char* text, std::size_t length, const char* word);

} // namespace ugraph

#endif

// Edge fields (splits a line of an edge list into its fields, as its separator says)
#include "large/edge_fields.h"

#include <cstring>

namespace ugraph {

// Blanks around a field, which a separator other than BLANKS trims: blanks
// and tabs, but never the separator itself.
static bool trims(char c, char separator) {
    return is_blank(c) && c != separator;
}

// The closing quote of the quoted field at p; nullptr when the line ends first.
static const char* closing_quote(const char* p) {
    for (const char* q = p + 1;; q++) {
        if (*q == '\n') {
            return nullptr;
        }
        if (*q == '"') {
            if (q[1] != '"') {
                return q;
            }
            q++;
        }
    }
}

static bool ends_blank_field(const char* p) {
    return is_blank(*p) || *p == ',' || is_line_end(p);
}

// Runs of blanks and tabs separate, or one comma with blanks around it or
// not; after a comma a field follows, even an empty one.
static FieldScan scan_blank_field(const char* p, Field& field, const char*& next) {
    p = skip_blanks(p);
    const char* after = p;
    if (*p == '"') {
        const char* quote = closing_quote(p);
        if (quote == nullptr || !ends_blank_field(quote + 1)) {
            return FieldScan::unclosed_quote;
        }
        after = quote + 1;
    } else {
        while (!ends_blank_field(after)) {
            after++;
        }
    }
    field = Field{p, after};
    after = skip_blanks(after);
    if (*after == ',') {
        next = after + 1;
        return FieldScan::more;
    }
    next = after;
    return is_line_end(after) ? FieldScan::last : FieldScan::more;
}

// One byte separates; blanks inside a field are part of it.
static FieldScan scan_separated_field(const char* p, char separator, Field& field,
                                      const char*& next) {
    while (trims(*p, separator)) {
        p++;
    }
    const char* after = p;
    if (*p == '"') {
        const char* quote = closing_quote(p);
        if (quote == nullptr) {
            return FieldScan::unclosed_quote;
        }
        field = Field{p, quote + 1};
        after = quote + 1;
        while (trims(*after, separator)) {
            after++;
        }
        if (*after != separator && !is_line_end(after)) {
            return FieldScan::unclosed_quote;
        }
    } else {
        while (*after != separator && !is_line_end(after)) {
            after++;
        }
        const char* end = after;
        while (end > p && trims(end[-1], separator)) {
            end--;
        }
        field = Field{p, end};
    }
    next = *after == separator ? after + 1 : after;
    return *after == separator ? FieldScan::more : FieldScan::last;
}

FieldScan scan_field(const char* p, char separator, Field& field, const char*& next) {
    return separator == BLANKS ? scan_blank_field(p, field, next)
                               : scan_separated_field(p, separator, field, next);
}

std::vector<Field> fields_of(const char* line, char separator) {
    std::vector<Field> fields;
    for (;;) {
        Field field{};
        const char* next = nullptr;
        const FieldScan scan = scan_field(line, separator, field, next);
        if (scan == FieldScan::unclosed_quote) {
            return fields;
        }
        fields.push_back(field);
        if (scan == FieldScan::last) {
            return fields;
        }
        line = next;
    }
}

bool is_number_field(const Field& field) {
    if (field.begin == field.end) {
        return false;
    }
    for (const char* p = field.begin; p < field.end; p++) {
        if (*p < '0' || *p > '9') {
            return false;
        }
    }
    return true;
}

bool same_word(const char* text, std::size_t length, const char* word) {
    if (length != std::strlen(word)) {
        return false;
    }
    for (std::size_t i = 0; i < length; i++) {
        const char c =
            text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (c != word[i]) {
            return false;
        }
    }
    return true;
}

} // namespace ugraph

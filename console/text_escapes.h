// Text escapes (writes any bytes as JSON or DOT text, or on one line)
#ifndef UGRAPH_TEXT_ESCAPES_H
#define UGRAPH_TEXT_ESCAPES_H

#include <cstddef>

namespace ugraph {

// The body of a JSON string: well-formed UTF-8 as it is, quote, backslash and
// control bytes escaped, and any other byte as the \u00XX of its value, so
// that the output is valid UTF-8 whatever the text holds.
void print_json_text(const char* text, std::size_t length);

// The text of an HTML-like DOT label, the one DOT form that can carry any
// text: markup characters as entities, control bytes as their Unicode control
// pictures (U+2401..U+241F, U+2421 for DEL), well-formed UTF-8 as it is, and
// every other byte as the Latin-1 character of its value.
void print_dot_label_text(const char* text, std::size_t length);

// The inside of a quoted DOT ID: as for a label, and a backslash as &#92;,
// since one before the closing quote would escape it.
void print_dot_id_text(const char* text, std::size_t length);

// The text with every byte below 32 as a blank, so that it keeps to one line;
// on the console's output, or in a message on its error stream.
void print_one_line_text(const char* text, std::size_t length);
void print_one_line_error(const char* text, std::size_t length);

} // namespace ugraph

#endif

// Text escapes (writes any bytes as JSON or DOT text, or on one line)
#include "console/text_escapes.h"

#include <cstdint>

#include "console/console.h"
#include "console/utf8.h"

namespace ugraph {

// An escape writes the escape of a byte and returns true, or returns false
// to have the well-formed UTF-8 sequence of `sequence` bytes that starts
// there written as it is. A byte that starts no such sequence (sequence 0)
// must be escaped.
using Escape = bool (*)(unsigned char byte, std::int32_t sequence);

static void print_escaped(const char* text, std::size_t length, Escape escape) {
    for (std::size_t i = 0; i < length;) {
        const std::int32_t sequence = utf8_sequence_length(text + i, length - i);
        if (escape(static_cast<unsigned char>(text[i]), sequence) || sequence == 0) {
            i++;
            continue;
        }
        for (std::int32_t k = 0; k < sequence; k++) {
            print_char(text[i + k]);
        }
        i += static_cast<std::size_t>(sequence);
    }
}

static bool escape_for_json(unsigned char byte, std::int32_t sequence) {
    if (byte == '"' || byte == '\\') {
        print_format("\\%c", byte);
    } else if (byte < 0x20 || sequence == 0) {
        print_format("\\u%04x", byte);
    } else {
        return false;
    }
    return true;
}

static bool escape_for_label(unsigned char byte, std::int32_t sequence) {
    if (byte == '&') {
        print_format("&amp;");
    } else if (byte == '<') {
        print_format("&lt;");
    } else if (byte == '>') {
        print_format("&gt;");
    } else if (byte == '"') {
        print_format("&quot;");
    } else if (byte < 0x20 || byte == 0x7F) {
        print_format("\xE2\x90%c", static_cast<char>(byte == 0x7F ? 0xA1 : 0x80 + byte));
    } else if (sequence == 0) {
        print_format("&#%d;", byte);
    } else {
        return false;
    }
    return true;
}

static bool escape_for_id(unsigned char byte, std::int32_t sequence) {
    if (byte == '\\') {
        print_format("&#92;");
        return true;
    }
    return escape_for_label(byte, sequence);
}

void print_json_text(const char* text, std::size_t length) {
    print_escaped(text, length, escape_for_json);
}

void print_dot_label_text(const char* text, std::size_t length) {
    print_escaped(text, length, escape_for_label);
}

void print_dot_id_text(const char* text, std::size_t length) {
    print_escaped(text, length, escape_for_id);
}

static char one_line(char c) {
    return static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
}

void print_one_line_text(const char* text, std::size_t length) {
    for (std::size_t i = 0; i < length; i++) {
        print_char(one_line(text[i]));
    }
}

void print_one_line_error(const char* text, std::size_t length) {
    for (std::size_t i = 0; i < length; i++) {
        print_error("%c", one_line(text[i]));
    }
}

} // namespace ugraph

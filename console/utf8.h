// UTF-8 (tells well-formed byte sequences from stray bytes)
#ifndef UGRAPH_UTF8_H
#define UGRAPH_UTF8_H

#include <cstddef>
#include <cstdint>

namespace ugraph {

// The length of the well-formed UTF-8 sequence that starts text[0], with
// `left` bytes available, or 0 when the bytes there do not form one.
inline std::int32_t utf8_sequence_length(const char* text, std::size_t left) {
    const auto byte = [text](std::int32_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(0);
    std::int32_t length = 0;
    unsigned low = 0x80; // the second byte's range, narrowed after some leads
    unsigned high = 0xBF;
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;   // no overlong forms
        high = lead == 0xED ? 0x9F : high; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (left < static_cast<std::size_t>(length) || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::int32_t i = 2; i < length; i++) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

} // namespace ugraph

#endif

// UTF-16 text (turns UTF-16 into UTF-8, piece by piece, as a stream is read)
#ifndef UGRAPH_UTF16_TEXT_H
#define UGRAPH_UTF16_TEXT_H

#include <cstddef>
#include <cstdint>

namespace ugraph {

// Where the decoding stands between two pieces: a unit's first byte, or a
// high surrogate waiting for the low one that completes it.
struct Utf16Text {
    bool bigEndian;
    bool odd;
    unsigned char first; // the byte a piece ended with, when odd
    std::uint32_t high;  // 0, or a high surrogate
};

// UTF-8 takes at most three bytes for every two bytes of UTF-16 (four for a
// surrogate pair's four), and the end may add one replacement character.
inline std::size_t utf8_room(std::size_t bytes) {
    return bytes / 2 * 3 + 8;
}

// Decodes the next `count` bytes into `out`, which has utf8_room(count)
// bytes; returns how many it wrote. A surrogate without its partner becomes
// U+FFFD, as an invalid sequence does in any decoder of the web.
std::size_t decode_utf16(Utf16Text& text, const char* bytes, std::size_t count, char* out);

// Ends the text: a unit cut in two or a lone high surrogate becomes U+FFFD.
std::size_t end_utf16(Utf16Text& text, char* out);

} // namespace ugraph

#endif

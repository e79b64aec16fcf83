// UTF-16 text (turns UTF-16 into UTF-8, piece by piece, as a stream is read)
#include "large/utf16_text.h"

namespace ugraph {

inline constexpr std::uint32_t REPLACEMENT = 0xFFFD;

static std::size_t put_utf8(std::uint32_t c, char* out) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | c >> 6);
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | c >> 12);
        out[1] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | c >> 18);
    out[1] = static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out[2] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

static bool is_high(std::uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

static bool is_low(std::uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// One unit: a high surrogate waits, a low one completes it; a surrogate
// without its partner is a replacement character.
static std::size_t take_unit(Utf16Text& t, std::uint32_t unit, char* out) {
    std::size_t n = 0;
    if (t.high != 0 && is_low(unit)) {
        n = put_utf8(0x10000 + ((t.high - 0xD800) << 10) + (unit - 0xDC00), out);
        t.high = 0;
        return n;
    }
    if (t.high != 0) {
        n = put_utf8(REPLACEMENT, out);
        t.high = 0;
    }
    if (is_high(unit)) {
        t.high = unit;
        return n;
    }
    return n + put_utf8(is_low(unit) ? REPLACEMENT : unit, out + n);
}

std::size_t decode_utf16(Utf16Text& t, const char* bytes, std::size_t count, char* out) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < count; i++) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (!t.odd) {
            t.first = byte;
            t.odd = true;
            continue;
        }
        t.odd = false;
        const std::uint32_t unit = t.bigEndian ? (std::uint32_t{t.first} << 8 | byte)
                                               : (std::uint32_t{byte} << 8 | t.first);
        n += take_unit(t, unit, out + n);
    }
    return n;
}

std::size_t end_utf16(Utf16Text& t, char* out) {
    std::size_t n = 0;
    if (t.high != 0) {
        n += put_utf8(REPLACEMENT, out);
        t.high = 0;
    }
    if (t.odd) {
        n += put_utf8(REPLACEMENT, out + n);
        t.odd = false;
    }
    return n;
}

} // namespace ugraph

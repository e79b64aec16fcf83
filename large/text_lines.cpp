// Text lines (a source's text read front to back in blocks, one line at a time, on one thread)
#include "large/text_lines.h"

#include <cerrno>
#include <cstring>

namespace ugraph {

inline constexpr std::size_t LINES_BLOCK = std::size_t{1} << 16;

void start_lines(TextLines& lines, GraphSource& source, const char* word, bool progress) {
    lines = TextLines{};
    lines.source = &source;
    lines.word = word;
    start_progress(lines.progress, progress, source.size); // a pipe: 0, no percent
}

void end_lines(TextLines& lines) {
    end_progress(lines.progress);
}

// Appends the next block of the text; false when a read fails.
static bool read_block(TextLines& lines) {
    GraphSource& source = *lines.source;
    std::vector<char>& bytes = lines.bytes;
    bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(lines.at));
    lines.at = 0;
    if (!source.regular && !lines.headTaken) {
        lines.headTaken = true;
        bytes.insert(bytes.end(), source.head.begin(), source.head.end());
        lines.offset += source.head.size();
        lines.ended = source.ended;
        source.head = std::vector<char>(); // the stream reads on after it
        return true;
    }
    const std::size_t length = bytes.size();
    bytes.resize(length + LINES_BLOCK);
    const long got = source.regular
                         ? read_at(source, bytes.data() + length, LINES_BLOCK, lines.offset)
                         : read_on(source, bytes.data() + length, LINES_BLOCK);
    bytes.resize(length + (got > 0 ? static_cast<std::size_t>(got) : 0));
    lines.offset += got > 0 ? static_cast<std::uint64_t>(got) : 0;
    lines.ended = got == 0;
    show_reading(lines.progress, lines.word, file_bytes_read(source, lines.offset));
    return got >= 0;
}

bool next_line(TextLines& lines, std::string_view& line, Failure& failure) {
    std::size_t searched = lines.at;
    for (;;) {
        const char* begin = lines.bytes.data() + lines.at;
        const char* from = lines.bytes.data() + searched;
        const std::size_t rest = lines.bytes.size() - searched;
        const void* end = rest == 0 ? nullptr : std::memchr(from, '\n', rest);
        if (end != nullptr || (lines.ended && lines.at < lines.bytes.size())) {
            const char* stop = end != nullptr ? static_cast<const char*>(end)
                                              : lines.bytes.data() + lines.bytes.size();
            line = std::string_view(begin, static_cast<std::size_t>(stop - begin));
            lines.at =
                static_cast<std::size_t>(stop - lines.bytes.data()) + (end != nullptr ? 1 : 0);
            lines.line++;
            return true;
        }
        if (lines.ended) {
            return false;
        }
        searched = lines.bytes.size() - lines.at; // the block read moves the bytes to 0
        if (!read_block(lines)) {
            failure = read_failure(*lines.source, errno);
            return false;
        }
    }
}

} // namespace ugraph

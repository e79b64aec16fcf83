// Graph source (one FILE operand, opened for reading: a regular file, or a stream)
#include "large/graph_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "large/decompressor.h"
#include "large/utf16_text.h"

namespace ugraph {

inline constexpr std::uint64_t STREAM_PIECE = 1U << 16;

// The compressed bytes read and not yet taken are flow.in's, in input.
struct Unpacker {
    DecompressorPtr decompressor;
    std::vector<unsigned char> input;
    Flow flow;
    bool inputEnded;
    bool ended; // the last stream ended: the libraries differ on a step after it
};

void UnpackerEnd::operator()(Unpacker* unpacker) const {
    std::unique_ptr<Unpacker> owned(unpacker);
}

// UTF-8 decoded ahead of the reads that take it.
struct Decoder {
    Utf16Text text;
    std::vector<char> raw;
    std::vector<char> decoded;
    std::size_t taken; // of decoded
    bool ended;
};

void DecoderEnd::operator()(Decoder* decoder) const {
    std::unique_ptr<Decoder> owned(decoder);
}

Failure read_failure(const GraphSource& source, int error) {
    if (source.fault == SourceFault::damaged) {
        return failure(FailureKind::damaged);
    }
    if (source.fault == SourceFault::cut_off) {
        return failure(FailureKind::cut_off);
    }
    if (source.fault == SourceFault::no_library) {
        return text_failure(FailureKind::no_library, 0, source.library,
                            source.library + std::strlen(source.library));
    }
    return error == ENOMEM ? failure(FailureKind::out_of_memory) : system_failure(error);
}

// Reads the file's own bytes, front to back.
static long read_raw(GraphSource& source, char* bytes, std::uint64_t count) {
    for (;;) {
        const ssize_t got = read(source.fd, bytes, count);
        if (got >= 0 || errno != EINTR) {
            source.consumed += got > 0 ? static_cast<std::uint64_t>(got) : 0;
            return got;
        }
    }
}

// Begins decompressing, with the bytes already read as the first input.
static bool begin_unpacking(GraphSource& source, Compression kind, const std::vector<char>& read) {
    if (!load_decompressor(kind)) {
        source.fault = SourceFault::no_library;
        source.library = library_of(kind);
        return false;
    }
    auto unpacker = std::make_unique<Unpacker>();
    unpacker->decompressor = begin_decompressor(kind);
    if (!unpacker->decompressor) {
        errno = ENOMEM;
        return false;
    }
    unpacker->input.assign(read.begin(), read.end());
    unpacker->flow.in = unpacker->input.data();
    unpacker->flow.inLeft = unpacker->input.size();
    source.unpacker.reset(unpacker.release());
    source.compressed = true;
    source.regular = false;
    return true;
}

// Reads the first bytes and begins decompressing when their magic is a
// compression's.
static bool detect_compression(GraphSource& source) {
    std::vector<char> first(COMPRESSION_LOOK);
    std::size_t length = 0;
    while (length < first.size()) {
        const std::size_t want = first.size() - length;
        const long got = source.regular ? read_at(source, first.data() + length, want, length)
                                        : read_raw(source, first.data() + length, want);
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            break;
        }
        length += static_cast<std::size_t>(got);
    }
    first.resize(length);
    const Compression kind = compression_of(first.data(), length);
    if (kind == Compression::none) {
        if (!source.regular) {
            source.head = first; // the pass reads them first
            source.ended = length < COMPRESSION_LOOK;
        }
        return true;
    }
    if (source.regular && lseek(source.fd, static_cast<off_t>(length), SEEK_SET) < 0) {
        return false;
    }
    source.consumed = length;
    return begin_unpacking(source, kind, first);
}

// Decodes a piece of UTF-16 into the decoder's UTF-8, after what is left of it.
static void decode_piece(Decoder& d, const char* bytes, std::size_t count, bool end) {
    d.decoded.erase(d.decoded.begin(), d.decoded.begin() + static_cast<std::ptrdiff_t>(d.taken));
    d.taken = 0;
    const std::size_t before = d.decoded.size();
    d.decoded.resize(before + utf8_room(count));
    std::size_t n = decode_utf16(d.text, bytes, count, d.decoded.data() + before);
    n += end ? end_utf16(d.text, d.decoded.data() + before + n) : 0;
    d.decoded.resize(before + n);
}

// The text after a UTF-16 byte-order mark is read as a stream and decoded;
// the bytes the head holds past the mark are its first.
static bool begin_utf16(GraphSource& source, bool bigEndian) {
    std::vector<char>& head = source.head;
    if (source.regular) { // read on from the file's offset, past what the head holds
        if (lseek(source.fd, static_cast<off_t>(head.size()), SEEK_SET) < 0) {
            return false;
        }
        source.consumed = head.size();
    }
    auto decoder = std::make_unique<Decoder>();
    decoder->text.bigEndian = bigEndian;
    decode_piece(*decoder, head.data() + 2, head.size() - 2, source.ended);
    decoder->ended = source.ended;
    source.decoder.reset(decoder.release());
    source.regular = false;
    source.ended = false;
    head.clear();
    return true;
}

// A byte-order mark says how the text is written: UTF-8's is passed over,
// and UTF-16's has the text decoded.
static bool begin_text(GraphSource& source) {
    if (!peek_head(source, 3)) {
        return false;
    }
    std::vector<char>& head = source.head;
    if (head.size() >= 2 && (std::memcmp(head.data(), "\xFF\xFE", 2) == 0 ||
                             std::memcmp(head.data(), "\xFE\xFF", 2) == 0)) {
        return begin_utf16(source, head[0] == '\xFE');
    }
    if (head.size() < 3 || std::memcmp(head.data(), "\xEF\xBB\xBF", 3) != 0) {
        return true;
    }
    if (source.regular) {
        source.skip = 3;
        source.size -= 3;
    }
    head.erase(head.begin(), head.begin() + 3);
    return true;
}

// Closes the operand again after a failure to begin reading it.
static Failure refuse_source(GraphSource& source, int error) {
    Failure f = read_failure(source, error);
    close_source(source);
    return f;
}

Failure open_source(const char* name, GraphSource& source) {
    source = GraphSource{};
    source.name = name;
    const bool standardInput = std::strcmp(name, "-") == 0;
    source.fd = standardInput ? STDIN_FILENO : open(name, O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (source.fd < 0 || fstat(source.fd, &status) != 0) {
        return refuse_source(source, errno);
    }
    if (S_ISDIR(status.st_mode)) {
        return refuse_source(source, EISDIR);
    }
    source.regular = S_ISREG(status.st_mode);
    source.again = source.regular;
    source.size = source.regular ? static_cast<std::uint64_t>(status.st_size) : 0;
    if (!detect_compression(source) || !begin_text(source)) {
        return refuse_source(source, errno);
    }
    return failure(FailureKind::none);
}

Failure rewind_source(GraphSource& source) {
    source.head.clear();
    source.ended = false;
    source.decoder.reset();
    source.regular = !source.compressed;
    source.consumed = 0;
    if (source.compressed) {
        Unpacker& u = *source.unpacker;
        if (lseek(source.fd, 0, SEEK_SET) < 0) {
            return read_failure(source, errno);
        }
        if (!restart_decompressor(*u.decompressor)) {
            return read_failure(source, ENOMEM);
        }
        u.flow.inLeft = 0;
        u.inputEnded = false;
        u.ended = false;
        source.fault = SourceFault::none;
    }
    // A stream's pass begins in the head, at start: the head must reach it.
    if (!begin_text(source) || !peek_head(source, source.start)) {
        return read_failure(source, errno);
    }
    return failure(FailureKind::none);
}

// Carriage returns as newlines, in bytes just read.
static void read_cr_as_newline(char* bytes, std::uint64_t count) {
    char* const end = bytes + count;
    for (char* p = bytes; p < end; p++) {
        p = static_cast<char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)));
        if (p == nullptr) {
            return;
        }
        *p = '\n';
    }
}

Failure settle_line_ends(GraphSource& source) {
    const bool read = peek_until(source, 1U << 16, [&source] {
        std::vector<char>& head = source.head;
        const auto end = static_cast<std::size_t>(
            std::find_if(head.begin(), head.end(), [](char c) { return c == '\n' || c == '\r'; }) -
            head.begin());
        if (end + 1 < head.size() || (end < head.size() && head_is_whole(source))) {
            // the byte after the first line's end is known
            source.crLines = head[end] == '\r' && (end + 1 == head.size() || head[end + 1] != '\n');
            if (source.crLines) {
                read_cr_as_newline(head.data(), head.size());
            }
            return true;
        }
        return false; // a text of one line, when whole
    });
    return read ? failure(FailureKind::none) : read_failure(source, errno);
}

void close_source(GraphSource& source) {
    source.unpacker.reset();
    if (source.fd > STDIN_FILENO) {
        close(source.fd);
    }
    source.fd = -1;
}

long read_at(const GraphSource& source, char* bytes, std::uint64_t count, std::uint64_t offset) {
    std::uint64_t done = 0;
    offset += source.skip;
    while (done < count) {
        const ssize_t got =
            pread(source.fd, bytes + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::uint64_t>(got);
    }
    if (source.crLines) {
        read_cr_as_newline(bytes, done);
    }
    return static_cast<long>(done);
}

static bool refill(GraphSource& source, Unpacker& u) {
    if (u.input.size() < STREAM_PIECE) {
        u.input.resize(STREAM_PIECE);
    }
    const long got = read_raw(source, reinterpret_cast<char*>(u.input.data()), u.input.size());
    if (got < 0) {
        return false;
    }
    u.inputEnded = got == 0;
    u.flow.in = u.input.data();
    u.flow.inLeft = static_cast<std::size_t>(got);
    return true;
}

static long fail(GraphSource& source, SourceFault fault) {
    source.fault = fault;
    return -1;
}

// Decompresses into bytes; streams of a concatenation follow one another.
// A stream that stops short of its end, with room left for more, is cut off.
static long unpack_on(GraphSource& source, char* bytes, std::uint64_t count) {
    Unpacker& u = *source.unpacker;
    Flow& f = u.flow;
    f.out = bytes;
    f.outLeft = static_cast<std::size_t>(std::min<std::uint64_t>(count, 1U << 30));
    const std::size_t wanted = f.outLeft;
    while (f.outLeft == wanted && !u.ended) {
        if (f.inLeft == 0 && !u.inputEnded && !refill(source, u)) {
            return -1;
        }
        f.finish = f.inLeft == 0 && u.inputEnded;
        const Step step = decompress_step(*u.decompressor, f);
        if (step == Step::stream_end) {
            if (f.inLeft == 0 && !u.inputEnded && !refill(source, u)) {
                return -1;
            }
            u.ended = f.inLeft == 0; // the last stream
            if (u.ended) {
                break;
            }
            if (!restart_decompressor(*u.decompressor)) {
                errno = ENOMEM;
                return -1;
            }
        } else if (step == Step::damaged) {
            return fail(source, SourceFault::damaged);
        } else if (step == Step::out_of_memory) {
            errno = ENOMEM;
            return -1;
        } else if (f.inLeft == 0 && u.inputEnded && f.outLeft > 0) {
            return fail(source, SourceFault::cut_off);
        }
    }
    return static_cast<long>(wanted - f.outLeft);
}

// The file's bytes, decompressed when they are compressed.
static long read_bytes(GraphSource& source, char* bytes, std::uint64_t count) {
    return source.compressed ? unpack_on(source, bytes, count) : read_raw(source, bytes, count);
}

// UTF-8 from the decoder, which reads and decodes a piece whenever it has none.
static long decode_on(GraphSource& source, char* bytes, std::uint64_t count) {
    Decoder& d = *source.decoder;
    while (d.taken == d.decoded.size() && !d.ended) {
        d.raw.resize(STREAM_PIECE);
        const long got = read_bytes(source, d.raw.data(), d.raw.size());
        if (got < 0) {
            return -1;
        }
        d.ended = got == 0;
        decode_piece(d, d.raw.data(), static_cast<std::size_t>(got), d.ended);
    }
    const std::size_t n = std::min<std::size_t>(count, d.decoded.size() - d.taken);
    std::memcpy(bytes, d.decoded.data() + d.taken, n);
    d.taken += n;
    return static_cast<long>(n);
}

long read_on(GraphSource& source, char* bytes, std::uint64_t count) {
    const long got =
        source.decoder ? decode_on(source, bytes, count) : read_bytes(source, bytes, count);
    if (got > 0 && source.crLines) {
        read_cr_as_newline(bytes, static_cast<std::uint64_t>(got));
    }
    return got;
}

bool peek_head(GraphSource& source, std::uint64_t count) {
    std::vector<char>& head = source.head;
    if (source.regular) {
        head.resize(std::min(count, source.size));
        const long got = read_at(source, head.data(), head.size(), 0);
        head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        return got >= 0;
    }
    while (head.size() < count && !source.ended) {
        const std::size_t length = head.size();
        head.resize(count);
        const long got = read_on(source, head.data() + length, count - length);
        head.resize(length + (got > 0 ? static_cast<std::size_t>(got) : 0));
        if (got < 0) {
            return false;
        }
        source.ended = got == 0;
    }
    return true;
}

bool head_is_whole(const GraphSource& source) {
    return source.regular ? source.head.size() >= source.size : source.ended;
}

std::uint64_t file_bytes_read(const GraphSource& source, std::uint64_t text) {
    return !source.regular && source.size > 0 ? source.consumed : text;
}

} // namespace ugraph

// Decompressor (one compressed stream, gzip, xz, bzip2 or zstd, through its library)
#include "large/decompressor.h"

#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "large/loaded_library.h"

namespace ugraph {

// The calls of liblzma, libbz2 and libzstd, which are opened when a file
// first needs one (zlib is linked: gzip is the common case).
struct XzCalls {
    decltype(&lzma_stream_decoder) stream_decoder;
    decltype(&lzma_code) code;
    decltype(&lzma_end) end;
};

struct Bzip2Calls {
    decltype(&BZ2_bzDecompressInit) init;
    decltype(&BZ2_bzDecompress) decompress;
    decltype(&BZ2_bzDecompressEnd) end;
};

struct ZstdCalls {
    decltype(&ZSTD_createDCtx) create;
    decltype(&ZSTD_freeDCtx) free;
    decltype(&ZSTD_DCtx_reset) reset;
    decltype(&ZSTD_DCtx_setParameter) set_parameter;
    decltype(&ZSTD_dParam_getBounds) bounds;
    decltype(&ZSTD_decompressStream) decompress;
    decltype(&ZSTD_isError) is_error;
    decltype(&ZSTD_getErrorCode) error_code;
};

static XzCalls xz;
static Bzip2Calls bzip2;
static ZstdCalls zstd;

// Each is filled once, by the first thread that asks (a function's static is
// made under the language's own lock), and only read after.
static bool load_xz() {
    static const bool loaded = [] {
        void* l = open_library(UGRAPH_LZMA_SONAME);
        return l != nullptr && find_call(l, "lzma_stream_decoder", xz.stream_decoder) &&
               find_call(l, "lzma_code", xz.code) && find_call(l, "lzma_end", xz.end);
    }();
    return loaded;
}

static bool load_bzip2() {
    static const bool loaded = [] {
        void* l = open_library(UGRAPH_BZ2_SONAME);
        return l != nullptr && find_call(l, "BZ2_bzDecompressInit", bzip2.init) &&
               find_call(l, "BZ2_bzDecompress", bzip2.decompress) &&
               find_call(l, "BZ2_bzDecompressEnd", bzip2.end);
    }();
    return loaded;
}

static bool load_zstd() {
    static const bool loaded = [] {
        void* l = open_library(UGRAPH_ZSTD_SONAME);
        return l != nullptr && find_call(l, "ZSTD_createDCtx", zstd.create) &&
               find_call(l, "ZSTD_freeDCtx", zstd.free) &&
               find_call(l, "ZSTD_DCtx_reset", zstd.reset) &&
               find_call(l, "ZSTD_DCtx_setParameter", zstd.set_parameter) &&
               find_call(l, "ZSTD_dParam_getBounds", zstd.bounds) &&
               find_call(l, "ZSTD_decompressStream", zstd.decompress) &&
               find_call(l, "ZSTD_isError", zstd.is_error) &&
               find_call(l, "ZSTD_getErrorCode", zstd.error_code);
    }();
    return loaded;
}

const char* library_of(Compression kind) {
    switch (kind) {
    case Compression::xz:
        return UGRAPH_LZMA_SONAME;
    case Compression::bzip2:
        return UGRAPH_BZ2_SONAME;
    case Compression::zstd:
        return UGRAPH_ZSTD_SONAME;
    case Compression::gzip:
    case Compression::none:
        break;
    }
    return nullptr;
}

bool load_decompressor(Compression kind) {
    switch (kind) {
    case Compression::xz:
        return load_xz();
    case Compression::bzip2:
        return load_bzip2();
    case Compression::zstd:
        return load_zstd();
    case Compression::gzip:
    case Compression::none:
        break;
    }
    return true;
}

// zlib and libbz2 count in unsigned int: a step takes at most this much.
inline constexpr std::size_t STEP_MOST = std::size_t{1} << 30;

// Only the kind's own member is begun; the others stay zero.
struct Decompressor {
    Compression kind;
    z_stream gzip;
    lzma_stream xz;
    bz_stream bzip2;
    ZSTD_DCtx* zstd;
};

Compression compression_of(const char* bytes, std::size_t size) {
    const auto starts = [bytes, size](const char* magic, std::size_t length, std::size_t at = 0) {
        return size >= at + length && std::memcmp(bytes + at, magic, length) == 0;
    };
    if (starts("\x1F\x8B", 2)) {
        return Compression::gzip;
    }
    if (starts("\xFD"
               "7zXZ",
               5) &&
        size > 5 && bytes[5] == '\0') {
        return Compression::xz;
    }
    if (starts("BZh", 3) && size > 3 && bytes[3] >= '1' && bytes[3] <= '9' &&
        (starts("\x31\x41\x59\x26\x53\x59", 6, 4) || starts("\x17\x72\x45\x38\x50\x90", 6, 4))) {
        return Compression::bzip2;
    }
    // A zstd frame, or a skippable frame (magic 0x184D2A50 to 0x184D2A5F) before one.
    if (starts("\x28\xB5\x2F\xFD", 4) ||
        (size >= 4 && (bytes[0] & 0xF0) == 0x50 && starts("\x2A\x4D\x18", 3, 1))) {
        return Compression::zstd;
    }
    return Compression::none;
}

// gzip, by zlib; a concatenation's members are restarted one by one.
static bool begin_gzip(Decompressor& d) {
    return inflateInit2(&d.gzip, 16 + MAX_WBITS) == Z_OK; // gzip only
}

static Step gzip_step(Decompressor& d, Flow& flow) {
    z_stream& z = d.gzip;
    z.next_in = const_cast<Bytef*>(flow.in);
    z.avail_in = static_cast<uInt>(std::min(flow.inLeft, STEP_MOST));
    z.next_out = reinterpret_cast<Bytef*>(flow.out);
    z.avail_out = static_cast<uInt>(std::min(flow.outLeft, STEP_MOST));
    const uInt in = z.avail_in;
    const uInt out = z.avail_out;
    const int status = inflate(&z, Z_NO_FLUSH);
    flow.in += in - z.avail_in;
    flow.inLeft -= in - z.avail_in;
    flow.out += out - z.avail_out;
    flow.outLeft -= out - z.avail_out;
    return status == Z_STREAM_END  ? Step::stream_end
           : status == Z_MEM_ERROR ? Step::out_of_memory
           : status == Z_DATA_ERROR || status == Z_NEED_DICT || status == Z_STREAM_ERROR
               ? Step::damaged
               : Step::going;
}

// xz, by liblzma, which reads a concatenation (and the padding between its
// streams) as one stream; no limit on its memory, as for the other kinds.
static bool begin_xz(Decompressor& d) {
    return xz.stream_decoder(&d.xz, UINT64_MAX, LZMA_CONCATENATED) == LZMA_OK;
}

static Step xz_step(Decompressor& d, Flow& flow) {
    lzma_stream& s = d.xz;
    s.next_in = flow.in;
    s.avail_in = flow.inLeft;
    s.next_out = reinterpret_cast<std::uint8_t*>(flow.out);
    s.avail_out = flow.outLeft;
    const lzma_ret status = xz.code(&s, flow.finish ? LZMA_FINISH : LZMA_RUN);
    flow.in = s.next_in;
    flow.inLeft = s.avail_in;
    flow.out = reinterpret_cast<char*>(s.next_out);
    flow.outLeft = s.avail_out;
    // LZMA_BUF_ERROR: no progress, as at a cut; the caller tells a cut.
    return status == LZMA_STREAM_END                                   ? Step::stream_end
           : status == LZMA_MEM_ERROR || status == LZMA_MEMLIMIT_ERROR ? Step::out_of_memory
           : status == LZMA_OK || status == LZMA_BUF_ERROR             ? Step::going
                                                                       : Step::damaged;
}

// bzip2, by libbz2; a concatenation's streams are begun anew one by one.
static bool begin_bzip2(Decompressor& d) {
    d.bzip2 = bz_stream{};
    return bzip2.init(&d.bzip2, 0, 0) == BZ_OK;
}

static Step bzip2_step(Decompressor& d, Flow& flow) {
    bz_stream& s = d.bzip2;
    s.next_in = const_cast<char*>(reinterpret_cast<const char*>(flow.in));
    s.avail_in = static_cast<unsigned>(std::min(flow.inLeft, STEP_MOST));
    s.next_out = flow.out;
    s.avail_out = static_cast<unsigned>(std::min(flow.outLeft, STEP_MOST));
    const unsigned in = s.avail_in;
    const unsigned out = s.avail_out;
    const int status = bzip2.decompress(&s);
    flow.in += in - s.avail_in;
    flow.inLeft -= in - s.avail_in;
    flow.out += out - s.avail_out;
    flow.outLeft -= out - s.avail_out;
    return status == BZ_STREAM_END  ? Step::stream_end
           : status == BZ_MEM_ERROR ? Step::out_of_memory
           : status == BZ_OK        ? Step::going
                                    : Step::damaged;
}

// zstd, by libzstd, which goes on to a concatenation's next frame itself.
// Frames may ask for the largest window the format allows.
static bool begin_zstd(Decompressor& d) {
    d.zstd = zstd.create();
    const ZSTD_bounds window = zstd.bounds(ZSTD_d_windowLogMax);
    return d.zstd != nullptr &&
           zstd.is_error(zstd.set_parameter(d.zstd, ZSTD_d_windowLogMax, window.upperBound)) == 0;
}

static Step zstd_step(Decompressor& d, Flow& flow) {
    ZSTD_inBuffer in{flow.in, flow.inLeft, 0};
    ZSTD_outBuffer out{flow.out, flow.outLeft, 0};
    const std::size_t hint = zstd.decompress(d.zstd, &out, &in);
    flow.in += in.pos;
    flow.inLeft -= in.pos;
    flow.out += out.pos;
    flow.outLeft -= out.pos;
    if (zstd.is_error(hint) != 0) {
        return zstd.error_code(hint) == ZSTD_error_memory_allocation ? Step::out_of_memory
                                                                     : Step::damaged;
    }
    return hint == 0 ? Step::stream_end : Step::going; // 0: a frame ended, all of it written
}

static void end_library(Decompressor& d) {
    switch (d.kind) {
    case Compression::gzip:
        inflateEnd(&d.gzip);
        break;
    case Compression::xz:
        xz.end(&d.xz);
        break;
    case Compression::bzip2:
        bzip2.end(&d.bzip2);
        break;
    case Compression::zstd:
        zstd.free(d.zstd);
        break;
    case Compression::none:
        break;
    }
}

static bool begin_library(Decompressor& d) {
    switch (d.kind) {
    case Compression::gzip:
        return begin_gzip(d);
    case Compression::xz:
        return begin_xz(d);
    case Compression::bzip2:
        return begin_bzip2(d);
    case Compression::zstd:
        return begin_zstd(d);
    case Compression::none:
        break;
    }
    return false;
}

void DecompressorEnd::operator()(Decompressor* decompressor) const {
    end_library(*decompressor);
    std::unique_ptr<Decompressor> owned(decompressor);
}

DecompressorPtr begin_decompressor(Compression kind) {
    auto d = std::make_unique<Decompressor>();
    d->kind = kind;
    d->xz = LZMA_STREAM_INIT;
    if (!begin_library(*d)) {
        end_library(*d); // what was begun of it
        return nullptr;
    }
    return DecompressorPtr(d.release());
}

bool restart_decompressor(Decompressor& d) {
    switch (d.kind) {
    case Compression::gzip:
        return inflateReset(&d.gzip) == Z_OK;
    case Compression::zstd:
        return zstd.is_error(zstd.reset(d.zstd, ZSTD_reset_session_only)) == 0;
    case Compression::xz: // its decoder begins again when begun anew on the same stream
        return begin_xz(d);
    case Compression::bzip2:
        bzip2.end(&d.bzip2);
        return begin_bzip2(d);
    case Compression::none:
        break;
    }
    return false;
}

Step decompress_step(Decompressor& d, Flow& flow) {
    switch (d.kind) {
    case Compression::gzip:
        return gzip_step(d, flow);
    case Compression::xz:
        return xz_step(d, flow);
    case Compression::bzip2:
        return bzip2_step(d, flow);
    case Compression::zstd:
        return zstd_step(d, flow);
    case Compression::none:
        break;
    }
    return Step::damaged;
}

} // namespace ugraph

// Fuzz target: compressed input. Any bytes compressed into two gzip members,
// xz, bzip2 or zstd streams (the kind chosen by the last byte) must read as
// the plain bytes do; the bytes themselves, read as a file that may begin
// with a compression's magic, must end in results or in a one-line refusal.
#include <bzlib.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <string>

#include "fuzz_graph_files.h"
#include "large/decompressor.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ugraph::fuzz::enter_scratch_folder();
    return 0;
}

namespace {

std::string gzip_member(const std::string& text) {
    z_stream z{};
    FUZZ_CHECK(deflateInit2(&z, 1, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK);
    std::string out(deflateBound(&z, text.size()) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    FUZZ_CHECK(deflate(&z, Z_FINISH) == Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string xz_stream(const std::string& text) {
    std::string out(lzma_stream_buffer_bound(text.size()), '\0');
    std::size_t size = 0;
    FUZZ_CHECK(lzma_easy_buffer_encode(0, LZMA_CHECK_CRC32, nullptr,
                                       reinterpret_cast<const std::uint8_t*>(text.data()),
                                       text.size(), reinterpret_cast<std::uint8_t*>(out.data()),
                                       &size, out.size()) == LZMA_OK);
    out.resize(size);
    return out;
}

std::string bzip2_stream(const std::string& text) {
    std::string out(text.size() + text.size() / 100 + 600, '\0');
    auto size = static_cast<unsigned>(out.size());
    std::string in = text;
    FUZZ_CHECK(BZ2_bzBuffToBuffCompress(out.data(), &size, in.data(),
                                        static_cast<unsigned>(in.size()), 1, 0, 0) == BZ_OK);
    out.resize(size);
    return out;
}

std::string zstd_frame(const std::string& text) {
    std::string out(ZSTD_compressBound(text.size()), '\0');
    const std::size_t size = ZSTD_compress(out.data(), out.size(), text.data(), text.size(), 1);
    FUZZ_CHECK(!ZSTD_isError(size));
    out.resize(size);
    return out;
}

// DOT is Graphviz's own parser: every file is read as an edge list here.
ugraph::fuzz::FileRun run(const std::string& bytes) {
    return ugraph::fuzz::run_graph_file(
        bytes, ugraph::fuzz::labels_options(ugraph::InputChoice::edges, 2, 64));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const ugraph::fuzz::FileRun raw = run(bytes);
    FUZZ_CHECK(raw.status == 0 || raw.status == 1);
    FUZZ_CHECK(raw.status == 0 ? raw.err.empty() : raw.err.rfind("ugraph: g", 0) == 0);
    FUZZ_CHECK(std::count(raw.err.begin(), raw.err.end(), '\n') <= 1);
    const std::size_t half = size == 0 ? 0 : data[0] % (size + 1);
    std::string (*const packers[])(const std::string&) = {gzip_member, xz_stream, bzip2_stream,
                                                          zstd_frame};
    const auto pack = packers[size == 0 ? 0 : data[size - 1] % 4];
    const ugraph::fuzz::FileRun packed =
        run(pack(bytes.substr(0, half)) + pack(bytes.substr(half)));
    // Plain bytes that begin as compressed data are read decompressed.
    const bool plain =
        ugraph::compression_of(bytes.data(), bytes.size()) == ugraph::Compression::none;
    FUZZ_CHECK(packed.status == raw.status || !plain);
    if (plain) {
        FUZZ_CHECK(packed.out == raw.out && packed.err == raw.err);
    }
    return 0;
}

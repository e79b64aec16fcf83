// Fuzz target: gzip input. Any bytes compressed into one or two gzip members
// must read as the plain bytes do; the bytes themselves, read as a file that
// may begin with gzip's magic, must end in results or in a one-line refusal.
#include <zlib.h>

#include <algorithm>
#include <string>

#include "fuzz_graph_files.h"

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
    const ugraph::fuzz::FileRun packed =
        run(gzip_member(bytes.substr(0, half)) + gzip_member(bytes.substr(half)));
    FUZZ_CHECK(packed.status == raw.status || bytes.rfind("\x1f\x8b", 0) == 0);
    if (bytes.rfind("\x1f\x8b", 0) != 0) {
        FUZZ_CHECK(packed.out == raw.out && packed.err == raw.err);
    }
    return 0;
}

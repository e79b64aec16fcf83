// Fuzz target: gzip input. Any bytes compressed into one or two gzip members
// must read as the plain bytes do; the bytes themselves, read as a file that
// may begin with gzip's magic, must end in results or in a one-line refusal.
#include <zlib.h>

#include <algorithm>
#include <string>

#include "fuzz_support.h"
#include "large/graph_files.h"

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

struct Run {
    int status;
    std::string out;
    std::string err;
};

Run run(const std::string& bytes) {
    std::FILE* file = std::fopen("g", "wb");
    FUZZ_CHECK(file != nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    FUZZ_CHECK(std::fclose(file) == 0);
    char* out = nullptr;
    std::size_t outSize = 0;
    char* err = nullptr;
    std::size_t errSize = 0;
    std::FILE* outStream = open_memstream(&out, &outSize);
    std::FILE* errStream = open_memstream(&err, &errSize);
    ugraph::use_console_streams(nullptr, outStream);
    ugraph::use_error_stream(errStream);
    ugraph::GraphFileOptions options{};
    options.format = ugraph::FileFormat::labels;
    options.threads = 2;
    options.quiet = true;
    options.blockSize = 64;
    options.input = ugraph::InputChoice::edges; // DOT is Graphviz's own parser
    char name[] = "g";
    char* files[] = {name};
    Run r{ugraph::run_graph_files(files, 1, options), "", ""};
    ugraph::use_console_streams(nullptr, nullptr);
    ugraph::use_error_stream(nullptr);
    std::fclose(outStream);
    std::fclose(errStream);
    r.out.assign(out, outSize);
    r.err.assign(err, errSize);
    std::free(out);
    std::free(err);
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const Run raw = run(bytes);
    FUZZ_CHECK(raw.status == 0 || raw.status == 1);
    FUZZ_CHECK(raw.status == 0 ? raw.err.empty() : raw.err.rfind("ugraph: g", 0) == 0);
    FUZZ_CHECK(std::count(raw.err.begin(), raw.err.end(), '\n') <= 1);
    const std::size_t half = size == 0 ? 0 : data[0] % (size + 1);
    const Run packed = run(gzip_member(bytes.substr(0, half)) + gzip_member(bytes.substr(half)));
    FUZZ_CHECK(packed.status == raw.status || bytes.rfind("\x1f\x8b", 0) == 0);
    if (bytes.rfind("\x1f\x8b", 0) != 0) {
        FUZZ_CHECK(packed.out == raw.out && packed.err == raw.err);
    }
    return 0;
}

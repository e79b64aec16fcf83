// Compressed graph files: xz, bzip2 and zstd read as their plain text, from a
// file or a pipe, one stream after another; damage and a cut are told.
#include <bzlib.h>
#include <gtest/gtest.h>
#include <lzma.h>
#include <zstd.h>

#include <cstdint>
#include <string>

#include "console/console.h"
#include "graph_files_run.h"
#include "large/decompressor.h"
#include "large/failure.h"
#include "large/loaded_library.h"
#include "scratch_dir.h"

namespace ugraph::testing {
namespace {

// The text as an xz stream, made by liblzma.
std::string xz_of(const std::string& text) {
    std::string out(lzma_stream_buffer_bound(text.size()), '\0');
    std::size_t size = 0;
    const lzma_ret status = lzma_easy_buffer_encode(
        1, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const std::uint8_t*>(text.data()),
        text.size(), reinterpret_cast<std::uint8_t*>(out.data()), &size, out.size());
    EXPECT_EQ(status, LZMA_OK);
    out.resize(size);
    return out;
}

// The text as a bzip2 stream, made by libbz2.
std::string bzip2_of(const std::string& text) {
    std::string out(text.size() + text.size() / 100 + 600, '\0');
    auto size = static_cast<unsigned>(out.size());
    std::string in = text;
    EXPECT_EQ(BZ2_bzBuffToBuffCompress(out.data(), &size, in.data(),
                                       static_cast<unsigned>(in.size()), 1, 0, 0),
              BZ_OK);
    out.resize(size);
    return out;
}

// The text as a zstd frame with its checksum (as the zstd tool writes it),
// made by libzstd.
std::string zstd_of(const std::string& text) {
    std::string out(ZSTD_compressBound(text.size()), '\0');
    ZSTD_CCtx* context = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(context, ZSTD_c_checksumFlag, 1);
    const std::size_t size =
        ZSTD_compress2(context, out.data(), out.size(), text.data(), text.size());
    ZSTD_freeCCtx(context);
    EXPECT_FALSE(ZSTD_isError(size));
    out.resize(ZSTD_isError(size) ? 0 : size);
    return out;
}

// A zstd frame after a skippable frame (magic 0x184D2A53, 3 bytes of data),
// which the zstd tool passes over.
std::string skippable_zstd_of(const std::string& text) {
    return std::string("\x53\x2A\x4D\x18\x03\x00\x00\x00xyz", 11) + zstd_of(text);
}

struct Kind {
    const char* name; // the file's name
    std::string (*pack)(const std::string& text);
};

const Kind KINDS[] = {
    {"g.xz", xz_of}, {"g.bz2", bzip2_of}, {"g.zst", zstd_of}, {"g.skip.zst", skippable_zstd_of}};

// Lines of pseudo-random numbers: their compressed bytes are longer than a
// read of them, so that decompressing takes input again and again.
std::string long_text() {
    std::string text;
    std::uint32_t x = 12345;
    for (int i = 0; i < 40000; i++) {
        x = x * 1103515245 + 12345;
        text += std::to_string(x >> 16 & 0xFFFF) + " " + std::to_string(x & 0xFFFF) + "\n";
    }
    return text;
}

// Each kind, and each format inside it, reads as the plain text does.
TEST(CompressedInput, ReadsAsThePlainText) {
    const std::string texts[] = {
        "1 2\n2 3\n7\n",
        "%%MatrixMarket matrix coordinate pattern general\n4 4 2\n1 2\n2 3\n",
        "a,b\nb,c\nd,e\n",
        long_text(),
    };
    for (const Kind& kind : KINDS) {
        for (const std::string& text : texts) {
            ScratchDir dir;
            ScratchDir::write("g.txt", text);
            ScratchDir::write(kind.name, kind.pack(text));
            const std::string plain = run_args({"-q", "--format=labels", "g.txt"}).out;
            const Outcome file = run_args({"-q", "--format=labels", kind.name});
            const Outcome piped = run_piped(kind.pack(text), {"-q", "--format=labels"});
            EXPECT_EQ(file.out, plain) << kind.name << text.substr(0, 40);
            EXPECT_EQ(file.err, "") << kind.name;
            EXPECT_EQ(piped.out, plain) << kind.name << text.substr(0, 40);
            EXPECT_EQ(piped.err, "") << kind.name;
        }
    }
}

// A name after the first 64 KiB has a compressed file read again from its
// start, whole, as names: each decompressor begins again.
TEST(CompressedInput, NameFoundLateReadsTheFileAgain) {
    std::string text;
    for (int i = 1; i < 70000; i++) {
        text += std::to_string(i) + " " + std::to_string(i + 1) + "\n";
    }
    text += "bradshaw97 1\n";
    ScratchDir dir;
    ScratchDir::write("g.txt", text);
    const std::string labels = run_args({"-q", "--format=labels", "g.txt"}).out;
    ASSERT_EQ(labels.substr(labels.size() - 13), "bradshaw97\t1\n");
    for (const Kind& kind : KINDS) {
        ScratchDir::write(kind.name, kind.pack(text));
        const Outcome r = run_args({"-q", "--format=labels", kind.name});
        EXPECT_EQ(r.out, labels) << kind.name;
        EXPECT_EQ(r.err, "") << kind.name;
    }
}

// Streams one after another read as one text, the first ending mid-line.
TEST(CompressedInput, ConcatenatedStreamsReadAsOne) {
    for (const Kind& kind : KINDS) {
        ScratchDir dir;
        const std::string bytes = kind.pack("1 2\n3 ") + kind.pack("4\n") + kind.pack("5 6\n");
        ScratchDir::write(kind.name, bytes);
        const std::string figures = "  6 nodes  3 links  3 components  largest 2\n";
        EXPECT_EQ(run_args({kind.name}).out, kind.name + figures);
        EXPECT_EQ(run_piped(bytes, {}).out, "-" + figures) << kind.name;
    }
}

// A damaged stream, a cut one and one followed by other bytes (as long as a
// header: xz tells shorter ones as a cut) end the file's reading with its
// message and status 1, from a file and a pipe.
TEST(CompressedInput, DamageAndCutsAreTold) {
    const std::string text = long_text();
    const std::string damaged = ": compressed data is damaged\n";
    const std::string cut = ": compressed data is cut off\n";
    for (const Kind& kind : KINDS) {
        const std::string packed = kind.pack(text);
        std::string flipped = packed;
        flipped[packed.size() / 2] = static_cast<char>(flipped[packed.size() / 2] ^ 0x55);
        struct Case {
            std::string bytes;
            std::string message;
        };
        const Case cases[] = {
            {flipped, damaged},
            {packed + "1 2\n3 4\n5 6\n7 8\n", damaged},
            {packed.substr(0, packed.size() / 2), cut},
            {packed.substr(0, packed.size() - 1), cut},
            {kind.pack("1 2\n").substr(0, 12), cut},
        };
        for (const Case& c : cases) {
            ScratchDir dir;
            ScratchDir::write(kind.name, c.bytes);
            const Outcome file = run_args({"-q", kind.name});
            const Outcome piped = run_piped(c.bytes, {"-q"});
            EXPECT_EQ(file.status, 1) << kind.name;
            EXPECT_EQ(file.out, "") << kind.name;
            EXPECT_EQ(file.err, "ugraph: " + std::string(kind.name) + c.message);
            EXPECT_EQ(piped.status, 1) << kind.name;
            EXPECT_EQ(piped.err, "ugraph: -" + c.message) << kind.name;
        }
    }
}

// The libraries of xz, bzip2 and zstd are opened on first use, by their
// sonames, and their calls found by name; one that does not open is told.
TEST(CompressedInput, LibrariesOpenOnFirstUse) {
    for (const Compression kind : {Compression::xz, Compression::bzip2, Compression::zstd}) {
        ASSERT_NE(library_of(kind), nullptr);
        EXPECT_TRUE(load_decompressor(kind)) << library_of(kind);
        void* library = open_library(library_of(kind));
        ASSERT_NE(library, nullptr) << library_of(kind);
        void (*missing)() = nullptr;
        EXPECT_FALSE(find_call(library, "ugraph_no_such_call", missing));
    }
    EXPECT_EQ(library_of(Compression::gzip), nullptr); // zlib is linked
    EXPECT_EQ(open_library("libugraph-no-such-library.so.0"), nullptr);
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* err = open_memstream(&text, &size);
    use_error_stream(err);
    const char* soname = "liblzma.so.5";
    report("g.xz", text_failure(FailureKind::no_library, 0, soname, soname + 12));
    use_error_stream(nullptr);
    std::fclose(err);
    EXPECT_EQ(std::string(text, size),
              "ugraph: g.xz: cannot open liblzma.so.5, the library that reads this file\n");
    std::free(text);
}

} // namespace
} // namespace ugraph::testing

// Decompressor (one compressed stream, gzip, xz, bzip2 or zstd, through its library)
#ifndef UGRAPH_DECOMPRESSOR_H
#define UGRAPH_DECOMPRESSOR_H

#include <cstddef>
#include <memory>

namespace ugraph {

enum class Compression { none, gzip, xz, bzip2, zstd };

// Bytes at a file's start that tell its compression.
inline constexpr std::size_t COMPRESSION_LOOK = 10;

// The compression the first bytes (up to COMPRESSION_LOOK of them) show by
// their magic; none for anything else. bzip2's "BZh" and block size count
// only with its first block's magic (or, for no data, the end's) after them,
// so that a text beginning "BZh9" stays a text.
Compression compression_of(const char* bytes, std::size_t size);

// What a step of decompressing ended in.
enum class Step { going, stream_end, damaged, out_of_memory };

// The compressed bytes a step takes and the room it writes to; the step
// moves both on. `finish` says that no bytes follow those in `in`.
struct Flow {
    const unsigned char* in;
    std::size_t inLeft;
    char* out;
    std::size_t outLeft;
    bool finish;
};

struct Decompressor; // one library's state, of one kind
struct DecompressorEnd {
    void operator()(Decompressor* decompressor) const;
};
using DecompressorPtr = std::unique_ptr<Decompressor, DecompressorEnd>;

// The shared library that reads a kind ("liblzma.so.5"), opened when a file
// first needs it; nullptr for gzip (zlib is linked) and none.
const char* library_of(Compression kind);

// Opens the kind's library, when not yet open; false when it cannot be.
bool load_decompressor(Compression kind);

// A decompressor of that kind (not none), whose library is loaded; nullptr
// when memory is short.
DecompressorPtr begin_decompressor(Compression kind);

// Makes the decompressor ready for a stream from its start: the next of a
// concatenation, or the first again; false when memory is short.
bool restart_decompressor(Decompressor& d);

// Decompresses what `flow` holds as far as it goes. A stream's end comes
// with the bytes after it, if any, still in `in`.
Step decompress_step(Decompressor& d, Flow& flow);

} // namespace ugraph

#endif

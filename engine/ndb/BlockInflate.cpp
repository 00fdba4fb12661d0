// Inflating a compressed block into a buffer of the size the block index
// claims, never larger: a stream that would give more, or fewer, fails.
// libdeflate checks the zlib header and the Adler-32 of RFC 1950 as zlib does
// and, like zlib, stops at the stream's end whatever follows it.
#include "engine/ndb/BlockInflate.h"

#include <libdeflate.h>

#include <memory>

#include "engine/Limits.h"

namespace {

struct tdecompressorrelease {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// One decompressor per thread: the threads that read kinds and search
// inflate at once, and making one per block cost more than the inflation
// of a small block.
libdeflate_decompressor* ThreadDecompressor() {
    thread_local std::unique_ptr<libdeflate_decompressor, tdecompressorrelease> decompressor(
        libdeflate_alloc_decompressor());
    return decompressor.get();
}

} // namespace

int32_t InflateBlock(const uint8_t* stored, uint64_t cb, uint32_t cbInflated,
                     std::vector<uint8_t>& out) {
    if (!stored || cb == 0 || cbInflated == 0) return 0;
    if (cbInflated > ostrel::limits::kMaxInflatedBlockBytes) return 0;
    if (cb > ostrel::limits::kMaxInflatedBlockBytes) return 0;
    libdeflate_decompressor* decompressor = ThreadDecompressor();
    if (!decompressor) return 0;
    // Inflated into the thread's spare buffer, which then trades places
    // with `out`: `out` is untouched by a failure, and the buffers of a
    // reader's many blocks are allocated once.
    thread_local std::vector<uint8_t> spare;
    spare.resize(cbInflated);
    // No room for the size actually inflated: anything but exactly
    // cbInflated bytes is a failure.
    if (libdeflate_zlib_decompress(decompressor, stored, size_t(cb), spare.data(), spare.size(),
                                   nullptr) != LIBDEFLATE_SUCCESS)
        return 0;
    out.swap(spare);
    // What `out` held before stays only if it is no larger than a block.
    if (spare.capacity() > ostrel::limits::kMaxInflatedBlockBytes)
        std::vector<uint8_t>().swap(spare);
    return int32_t(cbInflated);
}

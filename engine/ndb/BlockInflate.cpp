// Inflating a compressed block with zlib into a buffer of the size the block
// index claims, never larger: a stream that would give more fails.
#include "engine/ndb/BlockInflate.h"

#include <zlib.h>

#include "engine/Limits.h"

namespace {

// zlib's stream record, released however the inflation ends.
class tinflater {
public:
    tinflater() { ok_ = inflateInit(&stream_) == Z_OK; }
    ~tinflater() {
        if (ok_) inflateEnd(&stream_);
    }
    tinflater(const tinflater&) = delete;
    tinflater& operator=(const tinflater&) = delete;

    // True when the whole stream ended with the output buffer exactly full.
    bool Run(const uint8_t* in, uInt cbIn, uint8_t* out, uInt cbOut) {
        if (!ok_) return false;
        stream_.next_in = const_cast<Bytef*>(in);
        stream_.avail_in = cbIn;
        stream_.next_out = out;
        stream_.avail_out = cbOut;
        return inflate(&stream_, Z_FINISH) == Z_STREAM_END && stream_.avail_out == 0;
    }

private:
    z_stream stream_{};
    bool ok_ = false;
};

} // namespace

int32_t InflateBlock(const uint8_t* stored, uint64_t cb, uint32_t cbInflated,
                     std::vector<uint8_t>& out) {
    if (!stored || cb == 0 || cbInflated == 0) return 0;
    if (cbInflated > ostrel::limits::kMaxInflatedBlockBytes) return 0;
    if (cb > ostrel::limits::kMaxInflatedBlockBytes) return 0;
    std::vector<uint8_t> data(cbInflated);
    tinflater inflater;
    if (!inflater.Run(stored, uInt(cb), data.data(), uInt(cbInflated))) return 0;
    out = std::move(data);
    return int32_t(cbInflated);
}

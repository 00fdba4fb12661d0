// Releasing value lists and converting Unicode string values.
#include "engine/ltp/PropValue.h"

#include <algorithm>

#include "support/uvbuf.h"

tpropset::~tpropset() {
    // A table of many rows is a long chain: unlink it without recursion.
    std::unique_ptr<tpropset> next = std::move(Next);
    while (next)
        next = std::move(next->Next);
}

void FreePropSets(std::unique_ptr<tpropset>& list) {
    list.reset();
}

int32_t Utf8RoomFor(int32_t wideBytes) {
    // A UTF-16 unit takes at most 3 UTF-8 bytes (a surrogate pair, 4 for 2 units);
    // one more unit for the terminator. Values are bounded by kMaxDataTreeBytes,
    // so the product stays far inside int32_t.
    const int64_t units = int64_t(wideBytes) / 2 + 1;
    return int32_t(std::max<int64_t>(kUnicodeConversionRoom, units * 3));
}

namespace {

// Values up to this size convert in buffers the thread keeps: most strings
// are a few dozen bytes, and two fresh buffers of kUnicodeConversionRoom
// for each cost more than converting it. Larger ones (bodies) get buffers
// of their own, so that no thread keeps a large buffer for ever.
constexpr int32_t kKeptConversionBytes = kUnicodeConversionRoom;

struct tconversion {
    std::unique_ptr<ByteBuffer> wide, narrow;
};

void Convert(tpropvalue& value, int32_t size, tconversion& buffers) {
    static const uint8_t terminator[2] = {0, 0};
    buffers.wide->Assign(value.Data.data(), size);
    buffers.wide->Append(terminator, 2);
    int32_t count = buffers.narrow->WideToAnsi(buffers.wide->Data.get(), buffers.wide->Length);
    if (count >= 1) {
        const uint8_t* narrow = buffers.narrow->Data.get();
        value.Data.assign(narrow, narrow + count);
        value.Size = uint32_t(count);
        // A value of odd length converts without a final zero; keep every
        // string value terminated behind its Size bytes.
        if (value.Data.back() != 0) value.Data.push_back(0);
    }
}

} // namespace

void ConvertUnicodeValue(tpropvalue& value) {
    int32_t size = int32_t(std::min<size_t>(value.Size, value.Data.size()));
    if (size <= kKeptConversionBytes) {
        thread_local tconversion kept{ByteBuffer::Create(kKeptConversionBytes + 2),
                                      ByteBuffer::Create(Utf8RoomFor(kKeptConversionBytes))};
        Convert(value, size, kept);
        return;
    }
    tconversion own{ByteBuffer::Create(kUnicodeConversionRoom),
                    ByteBuffer::Create(Utf8RoomFor(size))};
    Convert(value, size, own);
    ByteBuffer::Free(own.wide);
    ByteBuffer::Free(own.narrow);
}

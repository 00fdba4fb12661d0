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

void ConvertUnicodeValue(tpropvalue& value) {
    static const uint8_t terminator[2] = {0, 0};
    int32_t size = int32_t(std::min<size_t>(value.Size, value.Data.size()));
    auto wide = ByteBuffer::Create(kUnicodeConversionRoom);
    auto narrow = ByteBuffer::Create(Utf8RoomFor(size));
    wide->Assign(value.Data.data(), size);
    wide->Append(terminator, 2);
    int32_t count = narrow->WideToAnsi(wide->Data.get(), wide->Length);
    if (count >= 1) {
        value.Data.assign(narrow->Data.get(), narrow->Data.get() + count);
        value.Size = uint32_t(count);
        // A value of odd length converts without a final zero; keep every
        // string value terminated behind its Size bytes.
        if (value.Data.back() != 0) value.Data.push_back(0);
    }
    ByteBuffer::Free(wide);
    ByteBuffer::Free(narrow);
}

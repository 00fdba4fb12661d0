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

void ConvertUnicodeValue(tpropvalue& value) {
    static const uint8_t terminator[2] = {0, 0};
    auto wide = ByteBuffer::Create(kUnicodeConversionRoom);
    auto narrow = ByteBuffer::Create(kUnicodeConversionRoom);
    int32_t size = int32_t(std::min<size_t>(value.Size, value.Data.size()));
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

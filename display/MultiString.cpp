// Multi-valued Unicode strings joined into one line.
#include "display/MultiString.h"

#include "support/LittleEndian.h"
#include "support/Utf16.h"

namespace {

constexpr size_t kCountSize = 4;
constexpr size_t kOffsetSize = 4;
constexpr size_t kUnitSize = 2;

} // namespace

std::string MultiStringText(const uint8_t* value, size_t size) {
    if (!value || size < kCountSize) return {};
    uint64_t count = LoadU32(value);
    if (count == 0 || count > (size - kCountSize) / kOffsetSize) return {};
    std::string joined;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* offset = value + kCountSize + kOffsetSize * i;
        size_t from = LoadU32(offset);
        size_t to = i + 1 < count ? LoadU32(offset + kOffsetSize) : size;
        if (i > 0) joined += "; ";
        if (from >= to || to > size) continue;
        joined += Utf16ToUtf8(value + from, (to - from) / kUnitSize);
    }
    return joined;
}

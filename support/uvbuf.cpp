// The growable byte buffer and its UTF-16LE to UTF-8 conversion.
#include "support/uvbuf.h"

#include <cstring>
#include <limits>
#include <new>

#include "support/LittleEndian.h"
#include "support/Utf16.h"

namespace {

// Sizes are 32-bit by design; a request beyond that is an allocation the
// process cannot make, reported the way an exhausted heap would be.
int32_t CheckedSize(int64_t n) {
    if (n > std::numeric_limits<int32_t>::max()) throw std::bad_alloc();
    return int32_t(n);
}

// Four UTF-16LE units read as one little-endian word: a 1 in each unit's
// lowest bit, each unit's top bit, and the bits that make a unit not ASCII.
constexpr uint64_t kUnitOnes = 0x0001000100010001ull;
constexpr uint64_t kUnitTops = 0x8000800080008000ull;
constexpr uint64_t kNotAsciiUnits = 0xFF80FF80FF80FF80ull;

} // namespace

std::unique_ptr<ByteBuffer> ByteBuffer::Create(int32_t capacity) {
    auto buffer = std::make_unique<ByteBuffer>();
    buffer->Reserve(capacity);
    return buffer;
}

void ByteBuffer::Reserve(int32_t n) {
    Length = 0;
    if (Capacity < n) {
        Data = std::make_unique_for_overwrite<uint8_t[]>(size_t(n));
        Capacity = n;
    }
}

void ByteBuffer::Grow(int32_t n) {
    if (n <= 0) return;
    if (Capacity == 0) {
        Reserve(n);
        return;
    }
    if (int64_t(Length) + n <= Capacity) return;
    int64_t increment = n;
    int64_t half = (3 * int64_t(Capacity)) / 2;
    if (int64_t(Length) + n < half) increment = half;
    int32_t newCapacity = CheckedSize(Capacity + increment);
    auto block = std::make_unique_for_overwrite<uint8_t[]>(size_t(newCapacity));
    if (Length > 0) std::memcpy(block.get(), Data.get(), size_t(Length));
    Data = std::move(block);
    Capacity = newCapacity;
}

void ByteBuffer::Assign(const void* source, int32_t n) {
    if (n < 0) n = 0;
    Reserve(n);
    if (n > 0) std::memcpy(Data.get(), source, size_t(n));
    Length = n;
}

void ByteBuffer::Append(const void* source, int32_t n) {
    if (Length == 0) {
        Assign(source, n);
        return;
    }
    if (n <= 0) return;
    Grow(n);
    std::memcpy(Data.get() + Length, source, size_t(n));
    Length += n;
}

bool ByteBuffer::HasWideTerminator(const uint8_t* bytes, int32_t n) {
    if (!bytes) return false;
    int32_t i = 0;
    // Four units at a time: a unit of zero leaves its lane's top bit set in
    // (v - 1 per lane) & ~v. Lanes borrow only from a zero lane below them,
    // and then a zero unit is there anyway.
    for (; i + 8 <= n; i += 8) {
        const uint64_t v = LoadU64(bytes + i);
        if (((v - kUnitOnes) & ~v & kUnitTops) != 0) return true;
    }
    for (; i + 1 < n; i += 2)
        if (bytes[i] == 0 && bytes[i + 1] == 0) return true;
    return false;
}

int32_t ByteBuffer::WideToAnsi(const uint8_t* wide, int32_t n) {
    if (Capacity < 2) Reserve(2);
    Length = 0;
    if (!HasWideTerminator(wide, n)) return -1;
    const int32_t units = n / 2;
    const int32_t room = Capacity - Length;
    int32_t written = 0;
    for (int32_t i = 0; i < units;) {
        // Most text is ASCII: a unit below 0x80 is its own UTF-8 byte, and
        // four such units are taken at once.
        if (i + 4 <= units && written + 4 <= room) {
            const uint64_t v = LoadU64(wide + 2 * size_t(i));
            if ((v & kNotAsciiUnits) == 0) {
                uint8_t* out = Data.get() + written;
                out[0] = uint8_t(v);
                out[1] = uint8_t(v >> 16);
                out[2] = uint8_t(v >> 32);
                out[3] = uint8_t(v >> 48);
                written += 4;
                i += 4;
                continue;
            }
        }
        const uint8_t* unit = wide + 2 * size_t(i);
        if (unit[1] == 0 && unit[0] < 0x80) {
            if (written + 1 > room) return -1;
            Data[size_t(written++)] = unit[0];
            ++i;
            continue;
        }
        size_t taken = 1;
        uint32_t cp = Utf16CodePoint(wide, size_t(units), size_t(i), taken);
        int len = Utf8Length(cp);
        if (written + len > room) return -1; // the text does not fit: nothing counts as written
        PutUtf8(Data.get() + written, cp, len);
        written += len;
        i += int32_t(taken);
    }
    Length = written;
    return written >= 1 ? written : -1;
}

void ByteBuffer::Free(std::unique_ptr<ByteBuffer>& buffer) {
    buffer.reset();
}

// The growable byte buffer of the property reader, with its one text
// service: UTF-16LE text in memory converted to the 8-bit code page of this
// platform (UTF-8), written only into the room the buffer already has.
#pragma once

#include <cstdint>
#include <memory>

struct ByteBuffer {
    int32_t Length = 0;              // bytes in use
    int32_t Capacity = 0;            // bytes allocated
    std::unique_ptr<uint8_t[]> Data; // null only while Capacity is 0

    // A new buffer on which Reserve(capacity) has run.
    static std::unique_ptr<ByteBuffer> Create(int32_t capacity);

    // Empties the buffer and makes room for at least n bytes; never shrinks.
    void Reserve(int32_t n);
    // Makes room for n more bytes behind Length, keeping the contents. A
    // small request grows the capacity by half of it again and then some, so
    // that repeated appends reallocate rarely.
    void Grow(int32_t n);
    // The buffer holds exactly the n bytes of source.
    void Assign(const void* source, int32_t n);
    // Adds n bytes of source behind the contents.
    void Append(const void* source, int32_t n);

    // Whether a zero UTF-16 unit lies at an even offset of the n bytes.
    static bool HasWideTerminator(const uint8_t* bytes, int32_t n);

    // Converts the n / 2 UTF-16LE units at `wide` (a terminator among them)
    // into the buffer, without enlarging it. Returns the byte count written,
    // terminator included, or -1 with Length 0 when there is no terminator or
    // the text does not fit. An unpaired surrogate becomes U+FFFD.
    int32_t WideToAnsi(const uint8_t* wide, int32_t n);

    // Releases the storage and the record; leaves the pointer null.
    static void Free(std::unique_ptr<ByteBuffer>& buffer);
};

// Decoded property values: one tpropvalue per property, one tpropset per
// property context or table row, and the conversion of Unicode string values
// to 8-bit text ([MS-PST] 2.3.3.3 property types). Everything here is a
// private copy, never a view of a heap.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/ndb/PstFile.h"

// Property types ([MS-OXCDATA] 2.11.1) that contexts may hold.
enum : uint16_t {
    PtypInteger16 = 0x0002,
    PtypInteger32 = 0x0003,
    PtypFloating64 = 0x0005,
    PtypBoolean = 0x000B,
    PtypObject = 0x000D,
    PtypInteger64 = 0x0014,
    PtypString8 = 0x001E,
    PtypString = 0x001F,
    PtypTime = 0x0040,
    PtypGuid = 0x0048,
    PtypBinary = 0x0102,
    PtypMultipleInteger32 = 0x1003,
    PtypMultipleInteger64 = 0x1014,
    PtypMultipleString8 = 0x101E,
    PtypMultipleString = 0x101F,
    PtypMultipleBinary = 0x1102,
};

// Tag of a property whose name is a string (its name is in Name).
inline constexpr uint32_t kStringNamedTag = 0xFFFFFFFF;

struct tpropvalue {
    uint32_t Tag = 0;           // property ID, or the LID of a numerically named property
    tbuffer Data;               // the value's bytes; empty when the value could not be read
    uint32_t Type = 0;          // property type, or the NID of a subnode that could not be read
    uint32_t Size = 0;          // value bytes in Data (a reader's terminator is not counted)
    const char* Name = nullptr; // borrowed from the named property map
    uint32_t ObjectNid = 0;     // PtypObject: the subnode its value names, read or not

    // As a new value, but Data keeps its storage for the value read next.
    void Reset() {
        Tag = 0;
        Data.clear();
        Type = 0;
        Size = 0;
        Name = nullptr;
        ObjectNid = 0;
    }
};

struct tpropset {
    int32_t Count = 0;    // slots 0 .. Count - 1 hold values
    int32_t Capacity = 0; // slots allocated: PC records or TC columns
    int32_t RowCount = 0; // 1 for a PC; the table's row count for a TC
    std::vector<std::unique_ptr<tpropvalue>> Values;
    std::unique_ptr<tpropset> Next;

    tpropset() = default;
    tpropset(const tpropset&) = delete;
    tpropset& operator=(const tpropset&) = delete;
    ~tpropset(); // releases the sets after it iteratively
};

// Releases a whole list; leaves the pointer null.
void FreePropSets(std::unique_ptr<tpropset>& list);

// The least room made for the 8-bit form of one Unicode string value,
// terminator included; a longer value gets the room its UTF-8 form needs.
inline constexpr int32_t kUnicodeConversionRoom = 16384;

// Room that holds the UTF-8 form of any UTF-16LE text of wideBytes bytes with
// its terminator: never less than kUnicodeConversionRoom.
int32_t Utf8RoomFor(int32_t wideBytes);

// Replaces a PtypString value's UTF-16LE bytes by their 8-bit form with its
// terminator (Size counts it). A value that does not convert keeps its bytes.
void ConvertUnicodeValue(tpropvalue& value);

// Property values as the PST writer stores them: a tag and the value's bytes as [MS-PST]
// 2.3.3 lays them out (fixed types little-endian, strings without terminator, multi-valued
// types with their count and offsets).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pstw {

// [MS-OXCDATA] 2.11.1 property types.
enum PropType : uint16_t {
    kPtypInteger16 = 0x0002,
    kPtypInteger32 = 0x0003,
    kPtypFloating32 = 0x0004,
    kPtypFloating64 = 0x0005,
    kPtypCurrency = 0x0006,
    kPtypErrorCode = 0x000A,
    kPtypBoolean = 0x000B,
    kPtypObject = 0x000D,
    kPtypInteger64 = 0x0014,
    kPtypString8 = 0x001E,
    kPtypString = 0x001F,
    kPtypTime = 0x0040,
    kPtypGuid = 0x0048,
    kPtypBinary = 0x0102,
    kPtypMultipleInteger16 = 0x1002,
    kPtypMultipleInteger32 = 0x1003,
    kPtypMultipleInteger64 = 0x1014,
    kPtypMultipleString8 = 0x101E,
    kPtypMultipleString = 0x101F,
    kPtypMultipleBinary = 0x1102,
};

using Guid = std::array<uint8_t, 16>; // as stored: Data1, Data2, Data3 little-endian

Guid makeGuid(uint32_t d1, uint16_t d2, uint16_t d3, std::array<uint8_t, 8> d4);

struct Prop {
    uint16_t id = 0;
    uint16_t type = 0;
    std::vector<uint8_t> bytes;
    // PtypObject whose data is a node of its own already among the owning node's subnodes
    // (an embedded message, [MS-PST] 2.4.6.2); bytes then hold only the object's size.
    uint32_t objectNid = 0;

    static Prop raw(uint16_t id, uint16_t type, std::vector<uint8_t> bytes);
    static Prop i16(uint16_t id, int16_t v);
    static Prop i32(uint16_t id, int32_t v);
    static Prop i64(uint16_t id, int64_t v);
    static Prop f64(uint16_t id, double v);
    static Prop boolean(uint16_t id, bool v);
    static Prop time(uint16_t id, uint64_t filetime);
    static Prop guid(uint16_t id, const Guid& g);
    static Prop str8(uint16_t id, std::string_view bytes); // already in the 8-bit code page
    static Prop str(uint16_t id, std::string_view utf8);   // stored as UTF-16LE
    static Prop bin(uint16_t id, std::vector<uint8_t> bytes);
    // PtypObject: bytes become the data of a subnode of the owning node ([MS-PST] 2.3.3.5).
    static Prop object(uint16_t id, std::vector<uint8_t> bytes);
    static Prop objectNode(uint16_t id, uint32_t nid, uint32_t size);
    static Prop mvI32(uint16_t id, const std::vector<int32_t>& v);
    static Prop mvI64(uint16_t id, const std::vector<int64_t>& v);
    static Prop mvStr8(uint16_t id, const std::vector<std::string>& v);
    static Prop mvStr(uint16_t id, const std::vector<std::string>& utf8);
    static Prop mvBin(uint16_t id, const std::vector<std::vector<uint8_t>>& v);

    uint32_t tag() const { return uint32_t(id) << 16 | type; }
};

// Bytes the value takes in a PC's dwValueHnid or a TC cell, 0 when it is variable-sized and
// goes through an HNID.
size_t fixedSize(uint16_t type);
std::vector<uint8_t> utf16le(std::string_view utf8);
// UTF-8 to an 8-bit code page (1252, 1251, 932 ...) through iconv; throws when it cannot.
std::string toCodePage(std::string_view utf8, uint32_t codePage);

} // namespace pstw

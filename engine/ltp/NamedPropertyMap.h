// The named property map: property IDs 0x8000 and above mapped to the LIDs or
// string names of the file's name-to-ID map (node 0x61, [MS-PST] 2.4.7).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/ndb/PstFile.h"

struct tnamedpropentry {
    uint32_t kind = 0;   // 1 numeric name, 2 string name
    uint32_t propId = 0; // 0x8000 + wPropIdx
    // Kind 1: the 4-byte LID. Kind 2: the name, zero-terminated; absent when
    // the name's offset lies outside the string stream.
    std::optional<std::vector<uint8_t>> pValue;
    std::unique_ptr<tnamedpropentry> pNext;
};

// 1 when the map was loaded into file->pNamedProps, 0 when node 0x61, its
// data or its entry stream is missing.
int32_t LoadNamedPropertyMap(tpstfile* file);

// Releases the whole list (iteratively: a long list must not recurse).
void FreeNamedPropertyMap(tnamedpropmap& list);

// A list as the engine record holds it, released by FreeNamedPropertyMap's rule.
tnamedpropmap AdoptNamedPropertyList(std::unique_ptr<tnamedpropentry> list);

// A new zero-terminated 8-bit string from `count` bytes of UTF-16LE: the low
// byte of each unit, up to count / 2 units or the first unit whose low byte is 0.
std::vector<uint8_t> NarrowUtf16(const uint8_t* source, uint32_t count);

// What the map says about property ID `propId`: the ID a decoded value
// carries (the LID of a numeric name, 0xFFFFFFFF for a string name, else
// `propId` itself) and, for a string name, the name (borrowed from the map).
struct tnamedpropmatch {
    uint32_t tag = 0;
    const char* name = nullptr;
};
tnamedpropmatch ConsultNamedPropertyMap(const tnamedpropentry* list, uint32_t propId);

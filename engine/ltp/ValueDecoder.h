// The decoding of one property value, shared by the PC records and the TC
// cells: inline values, values in the heap, values in subnodes, embedded
// objects, and the conversion of Unicode strings ([MS-PST] 2.3.3.3, 2.3.4.4.1).
#pragma once

#include <cstdint>

#include "engine/ltp/Heap.h"
#include "engine/ltp/PropValue.h"

// What one context's values draw on, and the bytes they have copied so far.
struct tvaluedecoder {
    tpstfile* file = nullptr;
    tsubnodeentry* subnodes = nullptr;
    const theap* heap = nullptr;
    uint64_t bytesCopied = 0;
};

// A TC cell wider than 4 bytes, handed over as bytes.
struct tcell {
    const uint8_t* bytes = nullptr;
    uint32_t width = 0;
};

enum class tdecoderesult {
    Stored,    // the slot holds the value
    Dropped,   // an HID that does not resolve: the slot is free again
    Unreadable // a type that is not decoded, or the value budget is spent
};

bool IsDecodedType(uint16_t type);

// Types whose value is the 4-byte field itself, never an HNID.
bool IsInlineValueType(uint16_t type);

// Whether a TC cell of this type holds its value whole (an 8-byte cell of a
// fixed 8-byte type), so that no HNID is read for it.
bool IsValueInCell(uint16_t type, tcell cell);

// Decodes one value into `value` (replaced whole); charges the decoder's budget.
tdecoderesult DecodeValue(tvaluedecoder& decoder, tpropvalue& value, uint16_t propId,
                          uint16_t propType, uint32_t valueField, tcell cell = {});

// Decodes one value into slot `slot` of `set`, moving `slot` on when the
// value is kept and lowering the set's Count when it is dropped.
tdecoderesult StoreValue(tvaluedecoder& decoder, tpropset& set, int32_t& slot, uint16_t propId,
                         uint16_t propType, uint32_t valueField, tcell cell = {});

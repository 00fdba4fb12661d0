// Decoding one PC record or TC cell into a tpropvalue.
#include "engine/ltp/ValueDecoder.h"

#include <algorithm>

#include "engine/Limits.h"
#include "engine/ltp/NamedPropertyMap.h"
#include "support/LittleEndian.h"

namespace {

bool IsInlineType(uint16_t type) {
    return type == PtypInteger16 || type == PtypInteger32 || type == PtypBoolean;
}

// Fixed 8-byte types a TC row holds in the cell itself.
bool IsRowType(uint16_t type) {
    return type == PtypFloating64 || type == PtypInteger64 || type == PtypTime;
}

bool Charge(tvaluedecoder& decoder, size_t bytes) {
    decoder.bytesCopied += bytes;
    return decoder.bytesCopied <= ostrel::limits::kMaxContextValueBytes;
}

// The value through its HNID: a copy of the range with a zero byte after it.
tdecoderesult DecodeHnid(tvaluedecoder& decoder, tpropvalue& value, uint32_t hnid) {
    thidrange range;
    if (ResolveHnid(decoder.file, decoder.subnodes, *decoder.heap, range, hnid) != 0) {
        if (!IsSubnodeHnid(hnid)) return tdecoderesult::Dropped;
        value.Type = hnid; // the subnode could not be read
        return tdecoderesult::Stored;
    }
    if (!Charge(decoder, range.Length() + 1)) return tdecoderesult::Unreadable;
    value.Data.reserve(range.Length() + 1);
    value.Data.assign(range.Begin, range.End);
    value.Data.push_back(0);
    value.Size = uint32_t(range.Length());
    return tdecoderesult::Stored;
}

// An embedded object's data begins with the NID of the subnode that holds it.
tdecoderesult ReadObjectSubnode(tvaluedecoder& decoder, tpropvalue& value) {
    uint8_t raw[4] = {0, 0, 0, 0};
    std::copy_n(value.Data.begin(), std::min<size_t>(4, value.Size), raw);
    uint32_t nid = LoadU32(raw);
    value.ObjectNid = nid;
    tbuffer data;
    int32_t count =
        decoder.subnodes ? ReadSubnodeData(decoder.file, decoder.subnodes, nid, data) : 0;
    count = std::min<int32_t>(count, int32_t(data.size()));
    if (count <= 0) {
        value.Type = nid;
        value.Data = tbuffer();
        value.Size = 0;
        return tdecoderesult::Stored;
    }
    if (!Charge(decoder, size_t(count))) return tdecoderesult::Unreadable;
    data.resize(size_t(count));
    value.Data = std::move(data);
    value.Size = uint32_t(count);
    return tdecoderesult::Stored;
}

} // namespace

tdecoderesult DecodeValue(tvaluedecoder& decoder, tpropvalue& value, uint16_t propId,
                          uint16_t propType, uint32_t valueField, tcell cell) {
    value.Reset();
    // A type this reader does not decode (PtypErrorCode, PtypMultipleInteger16,
    // ...) is dropped like a value whose HID does not resolve. Refusing the
    // whole context for it would lose the message: Outlook writes such
    // properties into ordinary mail.
    if (!IsDecodedType(propType)) return tdecoderesult::Dropped;
    tnamedpropmatch named = ConsultNamedPropertyMap(decoder.file->pNamedProps.get(), propId);
    value.Tag = named.tag;
    value.Name = named.name;
    if (IsInlineType(propType)) {
        value.Data = {uint8_t(valueField), uint8_t(valueField >> 8), uint8_t(valueField >> 16),
                      uint8_t(valueField >> 24)};
        value.Size = 4;
        value.Type = propType;
        return tdecoderesult::Stored;
    }
    if (IsValueInCell(propType, cell)) {
        value.Data.assign(cell.bytes, cell.bytes + cell.width);
        value.Size = cell.width;
        value.Type = propType;
        return tdecoderesult::Stored;
    }
    tdecoderesult result = DecodeHnid(decoder, value, valueField);
    if (result == tdecoderesult::Stored && propType == PtypObject && !value.Data.empty())
        result = ReadObjectSubnode(decoder, value);
    if (result != tdecoderesult::Stored) return result;
    if (propType == PtypString) ConvertUnicodeValue(value);
    if (value.Type == 0) value.Type = propType;
    return tdecoderesult::Stored;
}

bool IsInlineValueType(uint16_t type) {
    return IsInlineType(type);
}

bool IsValueInCell(uint16_t type, tcell cell) {
    return IsRowType(type) && cell.bytes && cell.width > 4;
}

bool IsDecodedType(uint16_t type) {
    switch (type) {
    case PtypInteger16:
    case PtypInteger32:
    case PtypFloating64:
    case PtypBoolean:
    case PtypObject:
    case PtypInteger64:
    case PtypString8:
    case PtypString:
    case PtypTime:
    case PtypGuid:
    case PtypBinary:
    case PtypMultipleInteger32:
    case PtypMultipleInteger64:
    case PtypMultipleString8:
    case PtypMultipleString:
    case PtypMultipleBinary:
        return true;
    default:
        return false;
    }
}

tdecoderesult StoreValue(tvaluedecoder& decoder, tpropset& set, int32_t& slot, uint16_t propId,
                         uint16_t propType, uint32_t valueField, tcell cell) {
    if (slot < 0 || size_t(slot) >= set.Values.size()) return tdecoderesult::Unreadable;
    auto& held = set.Values[size_t(slot)];
    if (!held) held = std::make_unique<tpropvalue>();
    tdecoderesult result = DecodeValue(decoder, *held, propId, propType, valueField, cell);
    if (result == tdecoderesult::Stored) {
        ++slot;
    } else if (result == tdecoderesult::Dropped) {
        --set.Count;
        held.reset(); // slots from Count on stay empty
    }
    return result;
}

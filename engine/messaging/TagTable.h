// The table from property tag to message object field: one entry a tag, with
// the record and field it fills, the storage kind, and the rule (if any) that
// decides whether and how the value is taken. Tags are property IDs, or the
// LIDs of numerically named properties (matched by LID alone, [MS-PST] 2.4.7).
#pragma once

#include <cstdint>
#include <span>

#include "engine/messaging/FieldStore.h"

enum class trule : uint8_t {
    Plain,
    MessageClass,       // 0x001A: PtypString8 or PtypString only; sets Kind
    ContainerClass,     // 0x3613: any type; sets Kind
    NotEmpty,           // an empty value is skipped before anything is created
    OnlyInteger32,      // other types are skipped
    OnlyBoolean,        // other types are skipped
    OnlyBinary,         // other types are skipped
    StopWithoutElement, // attachment field; without an element the rest of the set is not applied
    SkipWithoutElement, // attachment field; without an element the value is skipped
    AttachData,         // as SkipWithoutElement; a value without bytes gives NodeId its Type;
                        // an object's subnode NID goes to ObjectNid
    HeaderField,        // string-named property: a theaderfield, and the charset of "content-type"
    NotStored,          // recognised: the value stays with its set, nothing is created
};

// One store: the record and field (for reading), and the operation.
struct tfieldstore {
    tstorage storage = tstorage::None;
    const char* field = nullptr; // "record::Field"
    tstorefn store = nullptr;
};

struct ttagentry {
    uint32_t tag = 0;
    tfieldstore first;
    tfieldstore second; // a companion field (size, flag), stored after `first` succeeded
    trule rule = trule::Plain;
    bool secondTag = false; // a deliberate second tag for a field another entry fills
};

std::span<const ttagentry> TagTableEntries();

// The entry of `tag`, or null for a tag the table does not know.
const ttagentry* FindTagEntry(uint32_t tag);

enum class tapplyresult {
    Applied,
    Skipped, // known, not stored (wrong type, no bytes, no element, recognised only)
    Unknown, // not in the table: the value's Data has been released
    StopSet, // the rest of this property set must not be applied
};

// Stores one value into the message (and the current element) by the table.
tapplyresult ApplyValue(tstoretarget& target, tpropvalue& value);

// ApplyValue with the value's entry already looked up (FindTagEntry(value.Tag)).
tapplyresult ApplyValueOfEntry(const ttagentry* entry, tstoretarget& target, tpropvalue& value);

// The text between the quotes of charset="..." in a "content-type" value.
std::optional<std::string> QuotedCharset(const std::string& contentType);

// The members a distribution list names ([MS-OXOCNTC] 2.2.2.2): the
// PtypMultipleBinary values of PidLidDistributionListOneOffMembers and
// PidLidDistributionListMembers (count, offsets, then the values, as
// [MS-PST] 2.3.3.4 stores multi-valued properties), each value a one-off
// EntryID ([MS-OXCDATA] 2.2.5.1) or a WrappedEntryId that carries one. The
// bytes are untrusted: offsets and strings are bounds-checked, counts capped.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A list of more members than this is cut there; Outlook lists hold a few
// thousand at most.
inline constexpr uint32_t kMostListMembers = 10000;

struct tlistmember {
    std::string Name;        // UTF-8 (8-bit names read as Windows-1252)
    std::string AddressType; // "SMTP", "EX", ...
    std::string Address;
};

// The values of a multi-valued binary property; empty when the layout does
// not hold together.
std::vector<std::span<const uint8_t>> MultipleBinaryValues(std::span<const uint8_t> bytes);

// The members with a name or address that the one-off EntryIDs among the
// values give; other entry IDs (contacts of the store) are passed over.
std::vector<tlistmember> ListMembers(std::span<const uint8_t> multipleBinary);

// Name-to-ID map builder of the PST writer ([MS-PST] 2.4.7): named properties (a property
// set GUID with a numeric LID or a string name) get property IDs from 0x8000 up, and the map
// is written as the property context of node 0x61 with its GUID, entry and string streams
// and hash buckets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/pstwriter/PstNodeData.h"
#include "tools/pstwriter/PstProperty.h"

namespace pstw {

constexpr uint32_t kNidNameToIdMap = 0x61;

// Property sets of [MS-OXPROPS] 1.3.2.
Guid psMapi();
Guid psPublicStrings();
Guid psInternetHeaders();
Guid psetidAppointment();
Guid psetidTask();
Guid psetidAddress();
Guid psetidCommon();
Guid psetidLog();
Guid psetidNote();
Guid psetidPostRss();

struct PropName {
    Guid guid{};
    bool isString = false;
    uint32_t lid = 0; // numeric name
    std::string name; // string name (UTF-8)

    static PropName numeric(const Guid& g, uint32_t lid) { return {g, false, lid, {}}; }
    static PropName string(const Guid& g, std::string name) {
        return {g, true, 0, std::move(name)};
    }
};

class NameMap {
public:
    // The property ID of name, given in order of first request: 0x8000, 0x8001, ...
    uint16_t idOf(const PropName& name);
    const std::vector<PropName>& names() const { return names_; }
    // The properties of node 0x61: bucket count, the three streams and the hash buckets.
    // An empty map is written with one placeholder entry (0x8000 = PSETID_Common LID 0x8501)
    // because libpff cannot open a file whose entry stream is empty.
    std::vector<Prop> properties() const;
    // Writes the map as node 0x61 (parent 0).
    void write(NdbWriter& w) const;

private:
    uint16_t guidIndex(const Guid& g) const; // wGuid: 1 PS_MAPI, 2 PS_PUBLIC_STRINGS, 3.. stream
    std::vector<PropName> names_;
    std::vector<Guid> guids_; // the GUID stream
};

} // namespace pstw

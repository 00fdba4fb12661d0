// Reading the recipient table's rows ([MS-PST] 2.4.5.2) through the property
// layer's table context reader ([MS-PST] 2.3.4), one trecipient per row.
#include "engine/messaging/RecipientTable.h"

#include <algorithm>
#include <strings.h>

#include <cstring>

#include "engine/ltp/Context.h"
#include "engine/messaging/EmbeddedMessage.h"

namespace {

constexpr uint64_t kNidRecipientTable = 0x692;
// [MS-OXPROPS] property IDs of a recipient row.
constexpr uint32_t kTagRecipientType = 0x0C15;
constexpr uint32_t kTagDisplayName = 0x3001;
constexpr uint32_t kTagAddressType = 0x3002;
constexpr uint32_t kTagEmailAddress = 0x3003;
constexpr uint32_t kTagSmtpAddress = 0x39FE;
constexpr int32_t kRecipientTypeMask = 0xFF;

bool IsStringType(uint32_t type) {
    return type == PtypString || type == PtypString8;
}

// A string value's bytes up to its terminator, bounded.
std::string TextOfValue(const tpropvalue& value) {
    size_t size = std::min<size_t>(value.Size, value.Data.size());
    const char* bytes = reinterpret_cast<const char*>(value.Data.data());
    size_t length = size ? strnlen(bytes, size) : 0;
    return std::string(bytes, std::min(length, kMaxRecipientTextBytes));
}

void ApplyValue(const tpropvalue& value, trecipient& row) {
    if (value.Data.empty()) return;
    if (value.Tag == kTagRecipientType && value.Type == PtypInteger32 && value.Data.size() >= 4) {
        uint32_t raw = uint32_t(value.Data[0]) | uint32_t(value.Data[1]) << 8 |
                       uint32_t(value.Data[2]) << 16 | uint32_t(value.Data[3]) << 24;
        row.Type = int32_t(raw) & kRecipientTypeMask;
        return;
    }
    if (!IsStringType(value.Type)) return;
    switch (value.Tag) {
    case kTagDisplayName:
        row.DisplayName = TextOfValue(value);
        break;
    case kTagAddressType:
        row.AddressType = TextOfValue(value);
        break;
    case kTagEmailAddress:
        row.EmailAddress = TextOfValue(value);
        break;
    case kTagSmtpAddress:
        row.SmtpAddress = TextOfValue(value);
        break;
    default:
        break;
    }
}

trecipient RowOf(const tpropset& set) {
    trecipient row;
    row.Type = 0;
    int32_t count = std::min<int32_t>(set.Count, int32_t(set.Values.size()));
    for (int32_t i = 0; i < count; ++i)
        if (set.Values[size_t(i)]) ApplyValue(*set.Values[size_t(i)], row);
    return row;
}

} // namespace

trecipienttable ReadRecipientTable(tpstfile* file, tnodeentry* node) {
    if (!file || !node || !node->pSubBlock) return {};
    std::unique_ptr<tsubnodeentry> subnodes = BuildSubnodeTree(file, node->pSubBlock);
    if (!subnodes) return {};
    return ReadRecipientTable(file, subnodes.get());
}

trecipienttable ReadRecipientTable(tpstfile* file, tsubnodeentry* subnodes) {
    trecipienttable table;
    tsubnodeentry* entry = subnodes;
    while (entry && entry->nid != kNidRecipientTable)
        entry = entry->pNext.get();
    if (!file || !entry) return table;
    table.State = trecipientstate::Unreadable;
    if (!entry->pDataBlock) return table;
    std::unique_ptr<tpropset> rows =
        ReadContext(file, subnodes, nullptr, uint64_t(entry->pDataBlock->bid));
    if (!rows) return table;
    table.State = trecipientstate::Read;
    // The reader gives the last row first.
    std::vector<const tpropset*> sets;
    for (const tpropset* set = rows.get(); set; set = set->Next.get())
        if (set->Count > 0) sets.push_back(set); // an empty table gives one empty set
    table.Cut = sets.size() > kMaxRecipientRows;
    size_t kept = std::min(sets.size(), kMaxRecipientRows);
    for (size_t i = 0; i < kept; ++i)
        table.Rows.push_back(RowOf(*sets[sets.size() - 1 - i]));
    FreePropSets(rows);
    return table;
}

trecipienttable ReadEmbeddedRecipientTable(tpstfile* file, const tattachment& attachment) {
    if (!IsEmbeddedMessage(attachment)) return {};
    for (tsubnodeentry* e = attachment.Subnodes.get(); e; e = e->pNext.get())
        if (e->nid == attachment.ObjectNid) return ReadRecipientTable(file, e->pChildren.get());
    return {};
}

std::string SmtpAddressOf(const trecipient& recipient) {
    if (!recipient.SmtpAddress.empty()) return recipient.SmtpAddress;
    if (strcasecmp(recipient.AddressType.c_str(), "SMTP") == 0) return recipient.EmailAddress;
    return {};
}

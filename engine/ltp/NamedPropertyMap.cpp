// Loading the name-to-ID map of node 0x61 ([MS-PST] 2.4.7) into the sorted
// list of named properties, and consulting it for a decoded property ID.
#include "engine/ltp/NamedPropertyMap.h"

#include <algorithm>

#include "engine/Limits.h"
#include "engine/ltp/Context.h"
#include "engine/ltp/PropValue.h"
#include "engine/ndb/NodeTree.h"
#include "engine/ndb/SubnodeTree.h"
#include "support/LittleEndian.h"

namespace {

inline constexpr uint64_t kNidNameToIdMap = 0x61;
inline constexpr uint32_t kPidEntryStream = 0x0003;  // PidTagNameidStreamEntry
inline constexpr uint32_t kPidStringStream = 0x0004; // PidTagNameidStreamString
inline constexpr uint32_t kNameIdSize = 8;

struct tstream {
    const uint8_t* data = nullptr;
    uint32_t size = 0;
};

// The later value wins when a property ID occurs twice.
tstream FindStream(const tpropset& set, uint32_t propId) {
    tstream stream;
    for (int32_t i = 0; i < set.Count && i < int32_t(set.Values.size()); ++i) {
        const tpropvalue* v = set.Values[size_t(i)].get();
        if (v && v->Tag == propId && !v->Data.empty()) {
            stream.data = v->Data.data();
            stream.size = uint32_t(std::min<size_t>(v->Size, v->Data.size()));
        }
    }
    return stream;
}

// The string name at `offset` of the string stream: its length field and then
// that many bytes, cut at the end of the stream when the length runs past it.
std::optional<std::vector<uint8_t>> ReadStringName(const tstream& strings, uint32_t offset) {
    if (!strings.data || offset >= strings.size) return std::nullopt;
    uint64_t textStart = uint64_t(offset) + 4;
    if (textStart > strings.size) return NarrowUtf16(nullptr, 0);
    uint32_t length = LoadU32(strings.data + offset);
    uint32_t room = strings.size - uint32_t(textStart);
    return NarrowUtf16(strings.data + textStart, std::min(length, room));
}

std::unique_ptr<tnamedpropentry> MakeEntry(const uint8_t* record, const tstream& strings) {
    auto entry = std::make_unique<tnamedpropentry>();
    uint32_t dwPropertyID = LoadU32(record);
    uint16_t guidWord = LoadU16(record + 4);
    entry->propId = 0x8000u + LoadU16(record + 6);
    if (guidWord & 1) {
        entry->kind = 2;
        entry->pValue = ReadStringName(strings, dwPropertyID);
    } else {
        entry->kind = 1;
        entry->pValue = std::vector<uint8_t>(record, record + 4);
    }
    return entry;
}

// Sorted by propId; among equal IDs the record read later comes first. A
// stable sort of the records in reverse reading order gives exactly that.
std::unique_ptr<tnamedpropentry> LinkSorted(std::vector<std::unique_ptr<tnamedpropentry>> entries) {
    std::reverse(entries.begin(), entries.end());
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a->propId < b->propId; });
    std::unique_ptr<tnamedpropentry> head;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        (*it)->pNext = std::move(head);
        head = std::move(*it);
    }
    return head;
}

std::unique_ptr<tnamedpropentry> ParseEntryStream(const tstream& entries, const tstream& strings) {
    std::vector<std::unique_ptr<tnamedpropentry>> loaded;
    for (uint64_t off = 0; off + kNameIdSize <= entries.size; off += kNameIdSize) {
        const uint8_t* record = entries.data + off;
        if (LoadU16(record + 4) == 0 || loaded.size() >= ostrel::limits::kMaxNamedProperties) break;
        loaded.push_back(MakeEntry(record, strings));
    }
    return LinkSorted(std::move(loaded));
}

} // namespace

std::vector<uint8_t> NarrowUtf16(const uint8_t* source, uint32_t count) {
    std::vector<uint8_t> text;
    text.reserve(count / 2 + 1);
    for (uint32_t i = 0; source && i < count / 2 && source[2 * i] != 0; ++i)
        text.push_back(source[2 * i]);
    text.push_back(0);
    return text;
}

int32_t LoadNamedPropertyMap(tpstfile* file) {
    if (!file) return 0;
    // Released first: the map's own context is then read with raw IDs, and a
    // failed load leaves no stale map behind.
    FreeNamedPropertyMap(file->pNamedProps);
    tnodeentry* node = FindNode(file, kNidNameToIdMap);
    if (!node || !node->pDataBlock) return 0;
    std::unique_ptr<tsubnodeentry> subnodes;
    if (node->pSubBlock) subnodes = BuildSubnodeTree(file, node->pSubBlock);
    std::unique_ptr<tpropset> context =
        ReadContext(file, subnodes.get(), nullptr, uint64_t(node->pDataBlock->bid));
    int32_t result = 0;
    if (context) {
        tstream entries = FindStream(*context, kPidEntryStream);
        if (entries.data) {
            file->pNamedProps = AdoptNamedPropertyList(
                ParseEntryStream(entries, FindStream(*context, kPidStringStream)));
            result = 1;
        }
    }
    FreePropSets(context);
    FreeSubnodeTree(subnodes);
    return result;
}

namespace {
void ReleaseNamedPropertyList(tnamedpropentry* head) {
    std::unique_ptr<tnamedpropentry> list(head);
    while (list)
        list = std::move(list->pNext);
}
} // namespace

void FreeNamedPropertyMap(tnamedpropmap& list) {
    list.reset();
}

tnamedpropmap AdoptNamedPropertyList(std::unique_ptr<tnamedpropentry> list) {
    return tnamedpropmap(list.release(), ReleaseNamedPropertyList);
}

tnamedpropmatch ConsultNamedPropertyMap(const tnamedpropentry* list, uint32_t propId) {
    tnamedpropmatch match{propId, nullptr};
    const tnamedpropentry* e = list;
    while (e && e->propId < propId)
        e = e->pNext.get();
    if (!e || e->propId != propId) return match;
    if (e->kind == 1 && e->pValue && e->pValue->size() >= 4) {
        match.tag = LoadU32(e->pValue->data());
    } else if (e->kind == 2) {
        match.tag = 0xFFFFFFFF;
        if (e->pValue && !e->pValue->empty())
            match.name = reinterpret_cast<const char*>(e->pValue->data());
    }
    return match;
}

// Finding or making the IPM subtree node named by the message store.
#include "engine/messaging/StoreNode.h"

#include "support/LittleEndian.h"

namespace {

constexpr uint64_t kNidDefaultIpmSubtree = 0x2142;
constexpr size_t kEntryIdNidOffset = 20; // after rgbFlags and the provider UID

uint64_t IpmSubtreeNid(const tstoreinfo& store) {
    const ttext& id = store.IpmSubtreeEntryId;
    if (!id || id->size() < kEntryIdNidOffset + 4) return kNidDefaultIpmSubtree;
    return LoadU32(reinterpret_cast<const uint8_t*>(id->data()) + kEntryIdNidOffset);
}

} // namespace

tnodeentry* FindOrAddNode(tpstfile* file, const tpstmessage* store) {
    if (!file || !store || !store->StoreInfo) return nullptr;
    uint64_t nid = IpmSubtreeNid(*store->StoreInfo);
    if (tnodeentry* found = FindNode(file, nid)) return found;
    auto node = std::make_unique<tnodeentry>();
    node->nid = nid;
    return InsertNode(file, std::move(node));
}

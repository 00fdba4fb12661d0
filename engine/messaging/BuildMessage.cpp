// Message object assembly: the node's property context, its recipient table
// (subnode 0x692) and attachment table (subnode 0x671) with one element per
// row, and each attachment's own property context ([MS-PST] 2.4.5, 2.4.6).
#include "engine/messaging/BuildMessage.h"

#include "engine/ltp/Context.h"
#include "engine/messaging/ApplyProperties.h"
#include "engine/ndb/BlockIndex.h"

namespace {

// Tables belong to the message itself, not to an object embedded in it.
tsubnodeentry* FindOwnSubnode(tsubnodeentry* list, uint64_t nid) {
    for (tsubnodeentry* e = list; e; e = e->pNext.get())
        if (e->nid == nid) return e;
    return nullptr;
}

void PrependElements(tpstmessage& message, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        auto element = std::make_unique<tattachment>();
        element->Next = std::move(message.Attachments);
        message.Attachments = std::move(element);
    }
}

bool IsUnexpandedTree(const ttext& data) {
    return data && data->size() >= 2 && (*data)[0] == 0x01 &&
           ((*data)[1] == 0x01 || (*data)[1] == 0x02);
}

// The attachment object named by the element's NodeId, read into the element.
void ApplyAttachmentObject(tpstfile* file, tsubnodeentry* subnodes, tpstmessage& message,
                           tattachment& element) {
    tsubnodeentry* object = FindSubnode(subnodes, element.NodeId);
    if (!object) {
        element.NodeId = 0;
    } else {
        auto context =
            ReadContext(file, object->pChildren.get(), nullptr, uint64_t(object->pDataBlock->bid));
        if (!context) return;
        ApplyProperties(context.get(), &message, &element);
        context.reset();
        // 0x67F2 or an unreadable 0x3701 may have named another subnode.
        tsubnodeentry* named = element.NodeId == object->nid
                                   ? object
                                   : FindSubnode(object->pChildren.get(), element.NodeId);
        if (!named) named = FindSubnode(subnodes, element.NodeId);
        if (named) {
            element.DataBid = uint64_t(named->pDataBlock->bid);
            element.Subnodes = CopySubnodeTree(named->pChildren.get());
        }
    }
    if (IsUnexpandedTree(element.Data)) ExpandAttachmentData(file, &element);
}

} // namespace

bool ApplyMessageTable(tpstfile* file, tsubnodeentry* subnodes, tpstmessage& message,
                       uint64_t nid) {
    tsubnodeentry* table = FindOwnSubnode(subnodes, nid);
    if (!table) return true;
    auto rows = ReadContext(file, subnodes, nullptr, uint64_t(table->pDataBlock->bid));
    if (!rows) return false;
    PrependElements(message, rows->RowCount);
    ApplyProperties(rows.get(), &message, message.Attachments.get());
    return true;
}

std::unique_ptr<tpstmessage> BuildMessage(tpstfile* file, tnodeentry* node,
                                          tsubnodeentry* subnodes) {
    if (!file || !node || !node->pDataBlock) return nullptr;
    std::unique_ptr<tsubnodeentry> owned;
    if (node->pSubBlock) {
        owned = BuildSubnodeTree(file, node->pSubBlock);
        subnodes = owned.get();
    }
    return BuildObject(file, node->pDataBlock, subnodes);
}

std::unique_ptr<tpstmessage> BuildObject(tpstfile* file, tblockentry* data,
                                         tsubnodeentry* subnodes) {
    if (!file || !data) return nullptr;
    auto sets = ReadContext(file, subnodes, nullptr, uint64_t(data->bid));
    if (!sets) return nullptr;
    auto message = std::make_unique<tpstmessage>();
    ApplyProperties(sets.get(), message.get(), nullptr);
    FreePropSets(sets);
    if (!ApplyMessageTable(file, subnodes, *message, kNidRecipientTable)) return message;
    if (!ApplyMessageTable(file, subnodes, *message, kNidAttachmentTable)) return message;
    for (tattachment* e = message->Attachments.get(); e; e = e->Next.get())
        ApplyAttachmentObject(file, subnodes, *message, *e);
    return message;
}

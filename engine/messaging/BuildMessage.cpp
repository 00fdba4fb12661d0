// Message object assembly: the node's property context, its recipient table
// (subnode 0x692) and attachment table (subnode 0x671) with one element per
// row, and each attachment's own property context ([MS-PST] 2.4.5, 2.4.6).
#include "engine/messaging/BuildMessage.h"

#include "engine/ltp/Context.h"
#include "engine/ltp/DeferredContext.h"
#include "engine/messaging/ApplyProperties.h"
#include "engine/messaging/TagTable.h"
#include "engine/ndb/BlockIndex.h"

namespace {

// Tables belong to the message itself, not to an object embedded in it.
tsubnodeentry* FindOwnSubnode(tsubnodeentry* list, uint64_t nid) {
    for (tsubnodeentry* e = list; e; e = e->pNext.get())
        if (e->nid == nid) return e;
    return nullptr;
}

bool IsUnexpandedTree(const ttext& data) {
    return data && data->size() >= 2 && (*data)[0] == 0x01 &&
           ((*data)[1] == 0x01 || (*data)[1] == 0x02);
}

// PidTagAttachDataBinary, or PidTagAttachDataObject: the attachment's bytes.
constexpr uint16_t kPropIdAttachData = 0x3701;

// The attachment object's context applied without its data value, which stays
// unread. False when that cannot be done as ReadContext would read the rest.
bool ApplyWithoutData(tpstfile* file, tsubnodeentry* object, tpstmessage& message,
                      tattachment& element) {
    auto context =
        ReadDeferredContext(file, object->pChildren.get(), uint64_t(object->pDataBlock->bid));
    if (context->status != tdeferredstatus::Ready) return false;
    tpropset& set = *context->set;
    const size_t count = std::min<size_t>(size_t(std::max(set.Count, 0)), set.Values.size());
    for (size_t i = 0; i < count; ++i)
        if (context->deferred[i].pending && context->deferred[i].propId != kPropIdAttachData &&
            !DecodeDeferred(*context, i))
            return false;
    tstoretarget target{&message, &element};
    for (size_t i = 0; i < count; ++i) {
        tpropvalue* value = set.Values[i].get();
        if (!value || context->deferred[i].pending) continue;
        if (ApplyValue(target, *value) == tapplyresult::StopSet) break;
    }
    return true;
}

// The attachment object named by the element's NodeId, read into the element.
void ApplyAttachmentObject(tpstfile* file, tsubnodeentry* subnodes, tpstmessage& message,
                           tattachment& element, bool withData) {
    tsubnodeentry* object = FindSubnode(subnodes, element.NodeId);
    if (!object) {
        element.NodeId = 0;
    } else {
        if (withData || !ApplyWithoutData(file, object, message, element)) {
            auto context = ReadContext(file, object->pChildren.get(), nullptr,
                                       uint64_t(object->pDataBlock->bid));
            if (!context) return;
            ApplyProperties(context.get(), &message, &element);
            if (!withData) element.Data.reset(); // read after all: dropped as promised
        }
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
    if (withData && IsUnexpandedTree(element.Data)) ExpandAttachmentData(file, &element);
}

} // namespace

void PrependElements(tpstmessage& message, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        auto element = std::make_unique<tattachment>();
        element->Next = std::move(message.Attachments);
        message.Attachments = std::move(element);
    }
}

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

namespace {

std::unique_ptr<tpstmessage> BuildObjectOf(tpstfile* file, tblockentry* data,
                                           tsubnodeentry* subnodes, bool withData);

std::unique_ptr<tpstmessage> BuildNode(tpstfile* file, tnodeentry* node, tsubnodeentry* subnodes,
                                       bool withData) {
    if (!file || !node || !node->pDataBlock) return nullptr;
    std::unique_ptr<tsubnodeentry> owned;
    if (node->pSubBlock) {
        owned = BuildSubnodeTree(file, node->pSubBlock);
        subnodes = owned.get();
    }
    return BuildObjectOf(file, node->pDataBlock, subnodes, withData);
}

std::unique_ptr<tpstmessage> BuildObjectOf(tpstfile* file, tblockentry* data,
                                           tsubnodeentry* subnodes, bool withData) {
    if (!file || !data) return nullptr;
    auto sets = ReadContext(file, subnodes, nullptr, uint64_t(data->bid));
    if (!sets) return nullptr;
    auto message = std::make_unique<tpstmessage>();
    ApplyProperties(sets.get(), message.get(), nullptr);
    FreePropSets(sets);
    if (!ApplyMessageTable(file, subnodes, *message, kNidRecipientTable)) return message;
    if (!ApplyMessageTable(file, subnodes, *message, kNidAttachmentTable)) return message;
    for (tattachment* e = message->Attachments.get(); e; e = e->Next.get())
        ApplyAttachmentObject(file, subnodes, *message, *e, withData);
    return message;
}

} // namespace

std::unique_ptr<tpstmessage> BuildMessage(tpstfile* file, tnodeentry* node,
                                          tsubnodeentry* subnodes) {
    return BuildNode(file, node, subnodes, true);
}

std::unique_ptr<tpstmessage> BuildMessageWithoutAttachmentData(tpstfile* file, tnodeentry* node) {
    return BuildNode(file, node, nullptr, false);
}

std::unique_ptr<tpstmessage> BuildObject(tpstfile* file, tblockentry* data,
                                         tsubnodeentry* subnodes) {
    return BuildObjectOf(file, data, subnodes, true);
}

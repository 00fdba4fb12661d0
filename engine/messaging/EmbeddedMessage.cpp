// The embedded message of an attachment: the subnode PidTagAttachDataObject
// names, looked up among the attachment object's own subnodes and read as a
// message object ([MS-PST] 2.4.6.2, [MS-OXCMSG] 2.2.2.9).
#include "engine/messaging/EmbeddedMessage.h"

#include "engine/Limits.h"
#include "engine/messaging/BuildMessage.h"

namespace {

// Only the attachment's first level: a deeper entry of the same NID belongs
// to an object embedded further down.
tsubnodeentry* FindOwnEntry(tsubnodeentry* list, uint64_t nid) {
    for (tsubnodeentry* e = list; e; e = e->pNext.get())
        if (e->nid == nid) return e;
    return nullptr;
}

} // namespace

bool IsEmbeddedMessage(const tattachment& attachment) {
    return attachment.AttachMethod == kAttachEmbeddedMessage && attachment.ObjectNid != 0;
}

tembedresult BuildEmbeddedMessage(tpstfile* file, const tattachment& attachment, int depth,
                                  std::unique_ptr<tpstmessage>& out) {
    out.reset();
    if (depth < 0 || depth >= ostrel::limits::kMaxEmbeddingDepth) return tembedresult::TooDeep;
    if (!IsEmbeddedMessage(attachment)) return tembedresult::NotEmbedded;
    tsubnodeentry* entry = FindOwnEntry(attachment.Subnodes.get(), attachment.ObjectNid);
    if (!file || !entry || !entry->pDataBlock) return tembedresult::Missing;
    out = BuildObject(file, entry->pDataBlock, entry->pChildren.get());
    return out ? tembedresult::Built : tembedresult::Unreadable;
}

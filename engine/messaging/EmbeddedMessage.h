// Opening a message attached to a message (attach method ATTACH_EMBEDDED_MSG,
// [MS-OXCMSG] 2.2.2.9): PidTagAttachDataObject of type PtypObject names a
// subnode of the attachment object whose data is the embedded message's
// property context and whose own subnodes hold its recipient and attachment
// tables ([MS-PST] 2.4.6.2). The result is a full message object whose
// attachments can be opened the same way.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/messaging/MessageObject.h"
#include "engine/ndb/PstFile.h"

// PidTagAttachMethod of an attachment that is a message object.
inline constexpr uint32_t kAttachEmbeddedMessage = 5;

enum class tembedresult : int32_t {
    Built = 0,   // `out` holds the message
    NotEmbedded, // not method 5, or 0x3701 is no PtypObject
    Missing,     // the named subnode is not among the attachment's subnodes
    Unreadable,  // the subnode's property context cannot be read
    TooDeep,     // depth outside 0 .. kMaxEmbeddingDepth - 1
};

// Whether the attachment holds an embedded message (it may still be unreadable).
bool IsEmbeddedMessage(const tattachment& attachment);

// Builds the message embedded in `attachment`, an element of a message built
// by BuildMessage or by this function. `depth` is the embedding level of the
// message that owns `attachment`: 0 for a message of a folder, 1 for a message
// embedded in it, and so on; the built message sits at depth + 1, which may
// not exceed ostrel::limits::kMaxEmbeddingDepth. `out` holds the message on
// Built and is null otherwise. Its recipients, attachments and bodies are read
// as BuildMessage reads them; its embedded messages are opened by calling this
// again with depth + 1. The attachment is not changed.
tembedresult BuildEmbeddedMessage(tpstfile* file, const tattachment& attachment, int depth,
                                  std::unique_ptr<tpstmessage>& out);

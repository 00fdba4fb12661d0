// Turning one node (folder, message of any kind, message store) into a
// message object: its property context, then its recipient and attachment
// tables, then each attachment's own property context ([MS-PST] 2.4.5,
// 2.4.6).
#pragma once

#include <cstdint>
#include <memory>

#include "engine/messaging/MessageObject.h"
#include "engine/ndb/NodeTree.h"
#include "engine/ndb/PstFile.h"
#include "engine/ndb/SubnodeTree.h"

// The object of `node`, or null when the node's data block is unknown or its
// property context cannot be read. `subnodes` is used only when the node has
// no subnode block. The caller owns the result (FreeMessage).
std::unique_ptr<tpstmessage> BuildMessage(tpstfile* file, tnodeentry* node,
                                          tsubnodeentry* subnodes = nullptr);

// As BuildMessage, but each attachment's data value (PidTagAttachDataBinary or
// PidTagAttachDataObject, 0x3701) is left unread where its context allows:
// Data stays null, and so what the value tells besides its bytes (DataSize as
// their count, the subnode of an attached message) comes from the other
// properties alone. Every other field is as BuildMessage gives it. For readers
// of names and texts (the search), which would otherwise read every
// attachment's bytes.
std::unique_ptr<tpstmessage> BuildMessageWithoutAttachmentData(tpstfile* file, tnodeentry* node);

// The object whose property context is stored under `data` and whose subnodes
// (tables, attachment objects, large values) are `subnodes`, which may be
// null. Null when the context cannot be read. The object of an embedded
// message is built this way from its subnode (EmbeddedMessage.h).
std::unique_ptr<tpstmessage> BuildObject(tpstfile* file, tblockentry* data,
                                         tsubnodeentry* subnodes);

// The subnodes of a message's recipient and attachment tables.
inline constexpr uint64_t kNidRecipientTable = 0x692;
inline constexpr uint64_t kNidAttachmentTable = 0x671;

// Reads the message's own table `nid` (a subnode) into one element of
// message.Attachments per row. False when the table exists and cannot be
// read: the tables after it are then not read either.
bool ApplyMessageTable(tpstfile* file, tsubnodeentry* subnodes, tpstmessage& message, uint64_t nid);

// Puts `count` new elements in front of message.Attachments, one per row of
// a table about to be applied.
void PrependElements(tpstmessage& message, int32_t count);

// Replaces an attachment's Data that is an unexpanded data tree (01 02: an
// XXBLOCK over XBLOCKs) by the data it lists, exactly lcbTotal bytes, and sets
// DataSize. 0 when expanded or not such a tree (nothing changes); -1 when a
// block is unreadable, an entry is no XBLOCK, the blocks hold more than
// lcbTotal bytes or lcbTotal is beyond any data tree (Data stays as it was).
int32_t ExpandAttachmentData(tpstfile* file, tattachment* attachment);

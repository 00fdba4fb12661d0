// The IPM subtree node of a mailbox: found by the NID the message store
// names (PidTagIpmSubTreeEntryId of the message store, [MS-PST] 2.4.3), or
// made when the node tree lacks it.
#pragma once

#include "engine/messaging/MessageObject.h"
#include "engine/ndb/NodeTree.h"

// The node of the store's IPM subtree (the NID at byte 20 of its entry id,
// 0x2142 when the store has none); inserted as a new top-level node, which
// adopts the nodes that name it as parent, when the tree lacks it. Null when
// there is no store object or it has no store record. cNodes is not changed.
tnodeentry* FindOrAddNode(tpstfile* file, const tpstmessage* store);

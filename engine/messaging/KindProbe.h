// The cheap read of an object for the folder and item collections: what
// decides its kind and whether it counts (its class, PidTagMessageClass
// 0x001A or PidTagContainerClass 0x3613, [MS-OXCMSG] 2.2.1.3, and which of
// the records the lists count by it has), without the values that live in
// subnodes (bodies, attachment data) unless one of them decides it.
#pragma once

#include <memory>
#include <span>

#include "engine/messaging/MessageObject.h"
#include "engine/ndb/NodeTree.h"
#include "engine/ndb/PstFile.h"

// An object whose Kind, and whose MailInfo and FolderCounts being there or
// not, are those of BuildMessage(file, node); so is the record its kind's
// item list counts by (Appointment, Contact, Journal or StickyNote for an
// object of that kind). Its other records and fields are partial. Null
// exactly when BuildMessage gives null. Where the cheap read cannot be sure
// (a budget that might not hold, a table where a property context should
// be) it is BuildMessage's own object.
// `fields` ("record::Field" as the field list names them, e.g.
// "tmailinfo::Subject") are read too and equal BuildMessage's.
std::unique_ptr<tpstmessage> ProbeMessage(tpstfile* file, tnodeentry* node,
                                          std::span<const char* const> fields = {});

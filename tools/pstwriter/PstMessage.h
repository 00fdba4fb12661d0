// One item of the PST writer's mailboxes as [MS-PST] 2.4.5 stores it: the properties of its
// PC (envelope, bodies, kind-specific named properties) and its subnodes: the recipient table
// 0x692, the attachment table 0x671 and one PC per attachment.
#pragma once

#include <vector>

#include "tools/pstwriter/PstMailbox.h"
#include "tools/pstwriter/PstNodeData.h"

namespace pstw {

std::string defaultMessageClass(ItemKind kind);
// A string property in the item's code page (PtypString8) or as PtypString.
Prop textProp(uint16_t id, const std::string& utf8, uint32_t codePage);

std::vector<Prop> itemProperties(const Item& item, NameMap& names);
// Tables and attachment objects into subs; returns the attachment subnode NIDs. Embedded
// messages take their named properties from names.
std::vector<uint32_t> writeItemParts(NdbWriter& w, const Item& item, NameMap& names,
                                     SubnodeSet& subs);

} // namespace pstw

// Contacts and distribution lists as vCard files. Contacts are vCard 3.0
// (RFC 2426): the version Evolution keeps its address books in, the one
// Google Contacts reads and writes, and one Thunderbird imports; vCard 4.0
// still loses fields in Google's import. A distribution list is a vCard 4.0
// (RFC 6350) of KIND:group with a MEMBER line per member with an address,
// since groups exist only in 4.0 (6.1.4, 6.6.5).
#pragma once

#include <string>

#include "engine/messaging/MessageObject.h"

// Whether the item is a distribution list (message class IPM.DistList).
bool IsDistributionList(const tpstmessage& item);

// The whole .vcf text of a contact ([MS-OXOCNTC] 2.2.1): names, e-mail
// addresses, telephone numbers, postal addresses, company, job title,
// birthday, anniversary, web pages, notes. Lines end with CR LF.
std::string ComposeContactVCard(const tpstmessage& contact);

// The whole .vcf text of a distribution list ([MS-OXOCNTC] 2.2.2).
std::string ComposeListVCard(const tpstmessage& list);

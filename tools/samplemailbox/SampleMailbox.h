// The sample mailbox `make run` opens: a "Personal Folders" store that looks like one person's
// real mail in early 2026 (Inbox threads with replies, forwards and attachments, Sent Items,
// Drafts, Deleted Items, Calendar, Contacts, Tasks, Notes and Journal), written with the
// [MS-PST] writer of tools/pstwriter. Its contents are fixed.
#pragma once

#include <cstdint>
#include <string>

#include "tools/pstwriter/PstMailbox.h"

namespace samplemailbox {

pstw::Mailbox mailbox();
void write(const std::string& path, pstw::Layout layout = pstw::Layout::Unicode);

} // namespace samplemailbox

// The benchmark's mailbox: a deterministic description of a large mailbox (folders of every
// common kind, mail with text and HTML bodies, a share of items with attachments) sized to
// a target number of items and bytes, for the test writer to lay out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/pstwriter/PstMailbox.h"

namespace bench {

struct MailboxShape {
    size_t items = 100000;
    uint64_t bytes = uint64_t(1) << 30; // about the size of the written file
    size_t folders = 36;
    size_t attachmentEvery = 10; // one item in this many has an attachment
};

struct GeneratedMailbox {
    pstw::Mailbox mailbox;
    std::string largestFolder; // its name; the folder names are unique
    size_t largestFolderItems = 0;
    size_t items = 0, attachments = 0;
    uint64_t attachmentBytes = 0, bodyBytes = 0;
};

GeneratedMailbox generateMailbox(const MailboxShape& shape);

} // namespace bench

// A small mailbox of every folder kind with the odd shapes the window tests
// and screenshots look at (deep chains, hidden folders, bare items), written
// with tools/pstwriter. Its contents are fixed, so tests can name exact rows
// and cells. `make run` opens tools/samplemailbox instead.
#pragma once

#include <cstdint>
#include <string>

#include "tools/pstwriter/PstMailbox.h"

namespace sample {

// FILETIME of a UTC calendar time.
uint64_t FileTime(int year, int month, int day, int hour, int minute, int second);

// The sample: Inbox(12) with a subfolder, Sent Items, Calendar, Contacts,
// Journal, Notes and Tasks, a folder chain 8 levels deep, an "IPM_" folder
// with a child of its own, and an empty folder.
pstw::Mailbox Mailbox();

// Writes the sample to `path` in the given layout.
void Write(const std::string& path, pstw::Layout layout = pstw::Layout::Unicode);

// Mail and calendar items for the viewers, every field filled: "Viewer mail"
// holds "Plain body" (To with a closing tag, Cc, a plain body with angle
// brackets and an ampersand), "HTML body" (HTML with a remote image and a
// link, plus a plain body), a message without subject, time or sender
// address, a directory sender, and a 3 MB HTML body; "Viewer calendar" holds
// "Review" (9:30 to 10:00, label 3, reminder 15 minutes, tentative, all day)
// and "Odd times" (9:15 start, label 11, reminder 45 minutes, busy status 7).
pstw::Mailbox ViewerMailbox();
void WriteViewers(const std::string& path);

} // namespace sample

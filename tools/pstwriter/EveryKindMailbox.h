// A mailbox of every kind, shared by the tests, the fuzz seeds and anything else that needs
// one: the message store, the IPM subtree, an Inbox whose mails store bodies, recipients and
// attachments every way [MS-PST] 2.4.5 and 2.4.6 allow (attachments inline in the heap, in a
// subnode and in a data tree; an 8-bit code page; named properties; associated contents), and
// a folder of each other kind with one item carrying the kind's usual fields. Its contents
// are fixed, so that files written from it are the same byte for byte on every run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/pstwriter/PstMailbox.h"

namespace pstw::everykind {

// 2020-12-30 00:00 UTC, as FILETIME: when the fixture's mails were sent.
constexpr uint64_t kSent = 132537600000000000ull;
// Ten minutes later, when they were delivered.
constexpr uint64_t kDelivered = kSent + 600000000ull;

// Bytes that differ from one position to the next, for attachments of any size.
std::vector<uint8_t> pattern(size_t n, uint8_t seed);
Attachment file(const std::string& name, std::vector<uint8_t> data);
// From Alice to Bob, sent and delivered, with a plain body naming the subject.
Item item(ItemKind kind, const std::string& subject);

// The Inbox; its subfolders are left to the caller.
Folder inbox();
// Calendar, Contacts, Journal, Notes, Tasks, Posts (a post, an RSS item, a report) and an
// empty folder, in that order.
std::vector<Folder> kindFolders();
// The store: the Inbox followed by kindFolders() below the IPM subtree.
Mailbox mailbox();

} // namespace pstw::everykind

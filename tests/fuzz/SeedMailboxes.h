// The small generated mailboxes the fuzz targets start from: both layouts,
// all three encodings, an offline store, and a shallow-paged variant with
// intermediate B-tree pages, each with items of every kind, recipients,
// attachments inline, in subnodes and in data trees, and associated contents.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/pstwriter/PstWriter.h"

namespace ostrel::fuzz {

// One written seed with the writer's facts about where its pages and blocks lie.
struct SeedMailbox {
    pstw::Layout layout = pstw::Layout::Unicode;
    uint8_t crypt = 0;
    std::vector<uint8_t> bytes;
    std::vector<pstw::PageInfo> pages;
    std::vector<pstw::BlockInfo> blocks;
    std::vector<pstw::BlockInfo> heaps; // blocks whose data begins a PC or TC heap page
};

// Built once per process, in a fixed order (the mutation targets index them).
const std::vector<SeedMailbox>& SeedMailboxes();

// Mailboxes of messages attached to messages three levels deep, with an HTML
// body that shows an attached picture by cid: (Unicode and ANSI).
const std::vector<SeedMailbox>& EmbeddedSeedMailboxes();

} // namespace ostrel::fuzz

// Damage of finished files for the recovery tests: each helper spoils one thing on purpose and
// reseals what it touched (page CRC and signature, header CRCs), so that only the intended
// fault remains. They work on the bytes of finish() with the writer's page and block facts
// ([MS-PST] 2.2.2.6 ROOT, 2.2.2.7.7 BTPAGE, 5.3 CRC).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "tools/pstwriter/PstWriter.h"

namespace pstw {

// Header ROOT: both B-tree BREFs zeroed, or both pointing at offset (and a made-up BID).
void zeroHeaderRoots(std::vector<uint8_t>& file, Layout layout);
void pointHeaderRootsAt(std::vector<uint8_t>& file, Layout layout, uint64_t offset);

// The 512 bytes at offset filled with fill: a B-tree root or intermediate page is gone.
void overwritePage(std::vector<uint8_t>& file, uint64_t offset, uint8_t fill = 0xCD);

// The first 512-aligned offset after every block and page the writer placed, outside the map
// pages; free space for stale copies. Nothing when the file has no such room left.
std::optional<uint64_t> freePageOffset(const NdbWriter& w, const std::vector<uint8_t>& file);

// A copy of the page at from placed at to, resealed there: an old copy in free space.
void copyPage(std::vector<uint8_t>& file, Layout layout, uint64_t from, uint64_t to);

// cEnt of a B-tree page lowered to keep; the entries beyond stay in their slots.
void lowerEntryCount(std::vector<uint8_t>& file, Layout layout, uint64_t pageOffset, int keep);

// The NBT leaf entry of nid taken out of its leaf (later entries move up), after an intact
// copy of that leaf was written to the free page at copyTo: the node is reachable only
// through an orphaned leaf. Returns false when no leaf holds nid.
bool orphanNode(std::vector<uint8_t>& file, const NdbWriter& w, uint32_t nid, uint64_t copyTo);

void truncateFile(std::vector<uint8_t>& file, uint64_t size);

} // namespace pstw

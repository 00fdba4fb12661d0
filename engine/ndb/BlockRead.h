// Turning a BID into the block's bytes: locate it in the block index, read
// exactly its data bytes, undo the file's encoding for external blocks and,
// in the 4 KiB layout, inflate compressed blocks ([MS-PST] 2.2.2.8; the
// compression is not in [MS-PST], see BlockInflate.h). Block trailers are
// read only for compressed blocks, whose sizes they confirm.
#pragma once

#include <cstdint>

#include "engine/ndb/PstFile.h"

// A BID stored in a page or block: 8 bytes (Unicode) or 4 widened with sign (ANSI).
int64_t ReadBidAt(tpstfile* file, const uint8_t* source);

// The block's data into a fresh buffer: cb bytes, or the inflated bytes of a
// compressed block. 0 (buffer untouched) when the BID is unknown or a
// compressed block cannot be inflated, else the count read.
int32_t ReadBlock(tpstfile* file, tbuffer& buffer, uint64_t bid);

// ReadBlock, then decoding when the method is not 0 and the block is external
// (BID bit 1 clear), keyed by the BID. A compressed block is decoded before it
// is inflated: the encoding applies to the bytes as stored.
int32_t ReadBlockDecoded(tpstfile* file, tbuffer& buffer, uint64_t bid);

// ReadBlock of this very entry (the index may hold others of the same BID),
// never decoded.
int32_t ReadBlockEntry(tpstfile* file, const tblockentry* entry, tbuffer& buffer);

// For a block recorded shorter than its own contents say: reads `needed`
// bytes at the block's offset. A compressed block cannot be read longer than
// it inflates; then false, as when the file ends first.
bool RereadBlockLonger(tpstfile* file, const tblockentry* entry, int32_t needed, tbuffer& buffer);

// An internal block (XBLOCK, SLBLOCK, ...) has bit 1 of its BID set.
inline bool IsInternalBid(uint64_t bid) {
    return (bid & 2) != 0;
}

// Turning a BID into the block's bytes: locate it in the block index, read
// exactly its data bytes, and undo the file's encoding for external blocks.
// Block trailers are not read ([MS-PST] 2.2.2.8).
#pragma once

#include <cstdint>

#include "engine/ndb/PstFile.h"

// A BID stored in a page or block: 8 bytes (Unicode) or 4 widened with sign (ANSI).
int64_t ReadBidAt(tpstfile* file, const uint8_t* source);

// The block's cb bytes into a fresh buffer; 0 (buffer untouched) when the BID
// is unknown, else the count read.
int32_t ReadBlock(tpstfile* file, tbuffer& buffer, uint64_t bid);

// ReadBlock, then decoding when the method is not 0 and the block is external
// (BID bit 1 clear), keyed by the BID.
int32_t ReadBlockDecoded(tpstfile* file, tbuffer& buffer, uint64_t bid);

// An internal block (XBLOCK, SLBLOCK, ...) has bit 1 of its BID set.
inline bool IsInternalBid(uint64_t bid) {
    return (bid & 2) != 0;
}

// Reading blocks by BID through the block index, decoding external ones.
#include "engine/ndb/BlockRead.h"

#include "engine/ndb/BlockCrypt.h"
#include "support/LittleEndian.h"

int64_t ReadBidAt(tpstfile* file, const uint8_t* source) {
    return file->fUnicode ? int64_t(LoadU64(source)) : LoadS32Widened(source);
}

int32_t ReadBlock(tpstfile* file, tbuffer& buffer, uint64_t bid) {
    tblockentry* entry = FindBlock(file, bid);
    if (!entry) return 0;
    // A negative offset would read relative to the file position: never a block.
    if (entry->ib < 0) return 0;
    // cb comes from a 16-bit field, but the subnode builder may enlarge it;
    // it never exceeds what a 32-bit count can hold.
    int32_t count = entry->cb > 0x7FFFFFFF ? 0x7FFFFFFF : int32_t(entry->cb);
    return ReadFreshBuffer(file, count, buffer, entry->ib);
}

int32_t ReadBlockDecoded(tpstfile* file, tbuffer& buffer, uint64_t bid) {
    int32_t n = ReadBlock(file, buffer, bid);
    if (n > 0 && file->bCryptMethod != 0 && !IsInternalBid(bid))
        DecodeBlock(buffer.data(), n, file->bCryptMethod, bid);
    return n;
}

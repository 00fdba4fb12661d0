// Reading blocks by BID through the block index, decoding external ones and
// inflating compressed ones.
#include "engine/ndb/BlockRead.h"

#include "engine/Limits.h"
#include "engine/ndb/BlockCrypt.h"
#include "engine/ndb/BlockInflate.h"
#include "engine/ndb/FormatOffsets.h"
#include "support/LittleEndian.h"

namespace {

// The 4 KiB layout's block trailer: cb, wSig, dwCRC, BID, 2 bytes not read,
// the inflated size, 4 bytes not read. It ends the block's slot.
constexpr int kBlockTrailerSize = 24;
constexpr int kTrailerCb = 0;
constexpr int kTrailerBid = 8;
constexpr int kTrailerCbInflated = 18;

bool SameBid(uint64_t a, uint64_t b) {
    return (a & ~uint64_t(1)) == (b & ~uint64_t(1));
}

// A trailer that names the block must agree with the index on both sizes. A
// slot whose end holds no trailer of this BID leaves the index to decide.
bool TrailerAgrees(const tblockentry& e, tblocksizes sizes, const uint8_t* trailer) {
    if (!SameBid(LoadU64(trailer + kTrailerBid), uint64_t(e.bid))) return true;
    return LoadU16(trailer + kTrailerCb) == sizes.cb &&
           LoadU16(trailer + kTrailerCbInflated) == sizes.cbInflated;
}

// The stored bytes of a compressed block, read with the rest of its slot so
// that the trailer comes in the same read.
bool ReadCompressedBytes(tpstfile* file, const tblockentry& e, tblocksizes sizes, tbuffer& stored) {
    const tpageoffsets& po = PageOffsets(file->layout);
    const uint64_t align = uint64_t(po.cbBlockAlign);
    const uint64_t slot = (sizes.cb + kBlockTrailerSize + align - 1) / align * align;
    if (slot > ostrel::limits::kMaxInflatedBlockBytes) return false;
    int32_t got = ReadFreshBuffer(file, int32_t(slot), stored, e.ib);
    if (got < int32_t(sizes.cb)) return false;
    if (got == int32_t(slot) && !TrailerAgrees(e, sizes, stored.data() + slot - kBlockTrailerSize))
        return false;
    stored.resize(size_t(sizes.cb));
    return true;
}

// `decodeKey`: the BID that keys the decoding, or 0 for none.
int32_t ReadEntry(tpstfile* file, const tblockentry* entry, tbuffer& buffer, uint64_t decodeKey) {
    if (!entry) return 0;
    // A negative offset would read relative to the file position: never a block.
    if (entry->ib < 0) return 0;
    const tblocksizes sizes = LoadBlockSizes(entry);
    if (sizes.Compressed()) {
        // Kept for the thread's next compressed block. It never holds more than
        // one block's slot, which ReadCompressedBytes caps at 64 KiB.
        thread_local tbuffer stored;
        if (!ReadCompressedBytes(file, *entry, sizes, stored)) return 0;
        // The encoding applies to the block's data, which was compressed after it
        // was encoded: readpst and libpff read such files, and libpff refuses
        // blocks compressed first. So inflate, then decode.
        int32_t n = InflateBlock(stored.data(), stored.size(), sizes.cbInflated, buffer);
        if (n > 0 && decodeKey) DecodeBlock(buffer.data(), n, file->bCryptMethod, decodeKey);
        return n;
    }
    // cb comes from a 16-bit field, but the subnode builder may enlarge it;
    // it never exceeds what a 32-bit count can hold.
    int32_t count = sizes.cb > 0x7FFFFFFF ? 0x7FFFFFFF : int32_t(sizes.cb);
    int32_t n = ReadFreshBuffer(file, count, buffer, entry->ib);
    if (n > 0 && decodeKey) DecodeBlock(buffer.data(), n, file->bCryptMethod, decodeKey);
    return n;
}

} // namespace

int64_t ReadBidAt(tpstfile* file, const uint8_t* source) {
    return file->fUnicode ? int64_t(LoadU64(source)) : LoadS32Widened(source);
}

int32_t ReadBlock(tpstfile* file, tbuffer& buffer, uint64_t bid) {
    return ReadEntry(file, FindBlock(file, bid), buffer, 0);
}

int32_t ReadBlockDecoded(tpstfile* file, tbuffer& buffer, uint64_t bid) {
    bool decode = file->bCryptMethod != 0 && !IsInternalBid(bid);
    return ReadEntry(file, FindBlock(file, bid), buffer, decode ? bid : 0);
}

int32_t ReadBlockEntry(tpstfile* file, const tblockentry* entry, tbuffer& buffer) {
    return ReadEntry(file, entry, buffer, 0);
}

bool RereadBlockLonger(tpstfile* file, const tblockentry* entry, int32_t needed, tbuffer& buffer) {
    if (!entry || entry->ib < 0 || IsCompressedBlock(entry)) return false;
    return ReadFreshBuffer(file, needed, buffer, entry->ib) >= needed;
}

// The block index: every known block (BID -> file offset and size) in a
// height-balanced search tree, filled by the BBT walk and the page scan.
// Lookups ignore bit 0 of the BID; equal keys are kept ([MS-PST] 2.2.2.2).
#pragma once

#include <cstdint>
#include <memory>

struct tpstfile;

struct tblockentry {
    int64_t bid = 0; // the BID as inserted: the key
    int64_t ib = 0;  // file offset of the block's data
    std::unique_ptr<tblockentry> pGreater;
    std::unique_ptr<tblockentry> pLesser; // smaller or equal keys
    // Data bytes, without padding or trailer: a 16-bit field on disk, which
    // the subnode reader may only enlarge to what an int32 count holds.
    uint32_t cb = 0;
    // The 4 KiB layout's inflated size of the data; 0 in the other layouts.
    // The block is compressed when it differs from cb.
    uint32_t cbInflated = 0;
    int8_t balance = 0; // height(greater) - height(lesser)
};
// One record per block of the file, hundreds of thousands of them: kept
// within an allocator size class of 48 bytes.
static_assert(sizeof(tblockentry) <= 48);

// Whether the block's bytes on disk are a zlib stream (4 KiB layout).
inline bool IsCompressedBlock(const tblockentry* entry) {
    return entry->cbInflated != 0 && entry->cbInflated != entry->cb;
}

// The size of the block's data as the layers above see it: inflated if compressed.
inline uint64_t BlockDataSize(const tblockentry* entry) {
    return IsCompressedBlock(entry) ? entry->cbInflated : entry->cb;
}

// The entry whose bid equals `bid` with bit 0 cleared, or null (always null for BID 0).
tblockentry* FindBlock(tpstfile* file, uint64_t bid);

// Links `entry` into the index, which takes ownership. The key is the BID as
// given (bit 0 not cleared). Does not count cBlocks: the callers do.
void InsertBlock(tpstfile* file, std::unique_ptr<tblockentry> entry);

void FreeBlockIndex(tpstfile* file);

// The block index: every known block (BID -> file offset and size) in a
// height-balanced search tree, filled by the BBT walk and the page scan.
// Lookups ignore bit 0 of the BID; equal keys are kept ([MS-PST] 2.2.2.2).
// The walk's records, when they rise by key, are also searched as a sorted
// array, which finds the same record as the tree in fewer memory reads.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/ndb/RecordSlabs.h"

struct tpstfile;

struct tblockentry {
    int64_t bid = 0; // the BID as inserted: the key
    int64_t ib = 0;  // file offset of the block's data
    // The index's links; the records belong to the file's tblockstore.
    tblockentry* pGreater = nullptr;
    tblockentry* pLesser = nullptr; // smaller or equal keys
    // Data bytes, without padding or trailer: a 16-bit field on disk, which
    // the subnode reader may only enlarge to what an int32 count holds.
    uint32_t cb = 0;
    // The 4 KiB layout's inflated size of the data, a 16-bit field on disk;
    // 0 in the other layouts. The block is compressed when it is neither 0
    // nor cb.
    uint16_t cbInflated = 0;
    int8_t balance = 0; // height(greater) - height(lesser)
};
// One record per block of the file, millions of them in a large mailbox,
// packed in slabs: every 8 bytes here are 8 MB of fresh memory per million
// blocks, which the kernel must clear before the walk can fill it.
static_assert(sizeof(tblockentry) <= 40);

// Owner of a file's block records.
using tblockstore = ostrel::trecordslabs<tblockentry>;

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

// Links a new record into the index with the key (the BID as given, bit 0
// not cleared), offset and sizes of `fields`, and returns it; null only
// without a file. Does not count cBlocks: the callers do.
tblockentry* InsertBlock(tpstfile* file, const tblockentry& fields);

// A new record like InsertBlock's, kept aside: lookups do not find it until
// LinkAddedBlocks. For a walk that adds a whole B-tree's entries at once.
tblockentry* AddBlockUnlinked(tpstfile* file, const tblockentry& fields);

// Links the records kept aside, in the order they were added. Into an empty
// index, records in strictly ascending order of their keys are linked as a
// balanced tree in one pass; lookups then find exactly what the insertions
// one by one would have (every key once, so no tie for a search to break),
// and later insertions keep it balanced as usual.
void LinkAddedBlocks(tpstfile* file);

void FreeBlockIndex(tpstfile* file);

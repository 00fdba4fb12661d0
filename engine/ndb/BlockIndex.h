// The block index: every known block (BID -> file offset and size) in a
// height-balanced search tree, filled by the BBT walk and the page scan.
// Lookups ignore bit 0 of the BID; equal keys are kept ([MS-PST] 2.2.2.2).
// The walk's records, when they rise by key, are also searched as a sorted
// array, which finds the same record as the tree in fewer memory reads.
#pragma once

#include <atomic>
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
    // nor cb. Both sizes are read through LoadBlockSizes once the walks are
    // done (see there).
    uint16_t cbInflated = 0;
    int8_t balance = 0; // height(greater) - height(lesser)
};
// One record per block of the file, millions of them in a large mailbox,
// packed in slabs: every 8 bytes here are 8 MB of fresh memory per million
// blocks, which the kernel must clear before the walk can fill it.
static_assert(sizeof(tblockentry) <= 40);

// Owner of a file's block records.
using tblockstore = ostrel::trecordslabs<tblockentry>;

// A block's two sizes as one reader saw them. The subnode reader may enlarge
// a stored block's cb while other threads read items (GrowStoredBlock); the
// sizes of a block are therefore read only through LoadBlockSizes, which
// gives either the pair before the growth or a stored block of the new size,
// never the one size without the other.
struct tblocksizes {
    uint32_t cb = 0;
    uint16_t cbInflated = 0;

    // Whether the block's bytes on disk are a zlib stream (4 KiB layout).
    bool Compressed() const { return cbInflated != 0 && cbInflated != cb; }
    // The size of the data as the layers above see it: inflated if compressed.
    uint64_t DataSize() const { return Compressed() ? cbInflated : cb; }
};

// cb is loaded first, and with acquire: a reader that sees a grown cb also
// sees the cleared inflated size stored before it.
inline tblocksizes LoadBlockSizes(const tblockentry* entry) {
    auto& record = const_cast<tblockentry&>(*entry);
    tblocksizes sizes;
    sizes.cb = std::atomic_ref<uint32_t>(record.cb).load(std::memory_order_acquire);
    sizes.cbInflated = std::atomic_ref<uint16_t>(record.cbInflated).load(std::memory_order_relaxed);
    return sizes;
}

// Enlarges a stored block's cb to `cb`, which the index keeps from then on.
// The inflated size is cleared first (0 means stored, like a size equal to
// cb), so that no reader ever sees the block as compressed. Never call it for
// a compressed block: its cb is the size of the stream on disk.
inline void GrowStoredBlock(tblockentry* entry, uint32_t cb) {
    std::atomic_ref<uint16_t>(entry->cbInflated).store(0, std::memory_order_relaxed);
    std::atomic_ref<uint32_t>(entry->cb).store(cb, std::memory_order_release);
}

inline bool IsCompressedBlock(const tblockentry* entry) {
    return LoadBlockSizes(entry).Compressed();
}

inline uint64_t BlockDataSize(const tblockentry* entry) {
    return LoadBlockSizes(entry).DataSize();
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

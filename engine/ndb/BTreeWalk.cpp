// The BBT and NBT walks ([MS-PST] 2.2.2.7.7). Keys are compared as signed
// 64-bit numbers; every check follows the order the format's readers expect,
// so that a damaged page loses only its own subtree.
#include "engine/ndb/BTreeWalk.h"

#include <system_error>
#include <thread>
#include <utility>

#include "engine/Limits.h"
#include "engine/ndb/BlockRead.h"
#include "engine/ndb/FormatOffsets.h"
#include "support/EventPump.h"
#include "support/LittleEndian.h"
#include "support/Parallel.h"

namespace {

enum class TreeKind { Block, Node };

// Nodes whose blocks one thread looks up at a time after the two walks.
constexpr size_t kNodesPerLookupChunk = 8192;

struct tpage {
    tbuffer bytes;
    int cEnt = 0;
    int cLevel = 0;
    int64_t trailerBid = 0;
};

// Steps 1-3 and the depth and level guards: read the page or refuse it.
bool ReadPage(tpstfile* file, const tpageoffsets& po, int32_t depth, int64_t upper, int64_t lower,
              int64_t ib, int level, tpage& page) {
    ostrel::PumpEvents();
    if (upper <= lower && upper > 0) return false;
    if (depth > ostrel::limits::kMaxBTreeDepth || ib < 0) return false;
    if (depth == 0 && ib == 0) return false; // no root: nothing to walk
    if (ReadFreshBuffer(file, po.pageSize, page.bytes, ib) < po.pageSize) return false;
    page.cEnt = PageCount(page.bytes.data(), po, po.cEnt);
    page.cLevel = page.bytes[po.cLevel];
    page.trailerBid = ReadBidAt(file, page.bytes.data() + po.bid);
    // A child sits exactly one level below its parent; anything else is a
    // page from another tree or a chain that refers back to itself.
    return level < 0 || page.cLevel == level;
}

// At the root, a page of the other tree (or no B-tree page at all) is refused.
bool RootHasType(const tpage& page, const tpageoffsets& po, int32_t depth, TreeKind kind) {
    if (depth != 0) return true;
    uint16_t type = LoadU16(page.bytes.data() + po.trailer);
    return type == (kind == TreeKind::Block ? kPageTypeBBT : kPageTypeNBT);
}

// Steps 6c and 6d (and 7b, 8a): the key order and bounds shared by all entries.
bool KeyFits(int64_t key, int i, int64_t upper, int64_t lower, int64_t& prev) {
    if (key >= upper && upper > 0) return false;
    if (key < prev) return false;
    prev = key;
    return !(i == 0 && lower != 0 && key != lower);
}

int64_t ReadKeyField(tpstfile* file, const uint8_t* p, bool withSign) {
    if (file->fUnicode) return int64_t(LoadU64(p));
    return withSign ? LoadS32Widened(p) : int64_t(LoadU32(p));
}

int32_t WalkBlockPages(tpstfile* file, int32_t depth, int64_t upper, int64_t lower, uint64_t bid,
                       int64_t ib, int level);

// Step 6: an intermediate page of either tree.
int32_t WalkIntermediate(tpstfile* file, TreeKind kind, const tpageoffsets& po, const tpage& page,
                         int32_t depth, int64_t upper, int64_t lower) {
    int64_t prev = lower;
    const uint8_t* base = page.bytes.data();
    for (int i = 0; i < page.cEnt; ++i) {
        const uint8_t* e = base + i * po.cbBtEntry;
        int64_t key = ReadKeyField(file, e, true);
        if (key == 0) return 0;
        int64_t childUpper = i + 1 < page.cEnt ? ReadKeyField(file, e + po.cbBtEntry, true) : upper;
        if (!KeyFits(key, i, upper, lower, prev)) return -1;
        int64_t childBid = ReadKeyField(file, e + po.cbId, true);
        int64_t childIb = ReadKeyField(file, e + 2 * po.cbId, true);
        if (kind == TreeKind::Block)
            WalkBlockPages(file, depth + 1, childUpper, key, uint64_t(childBid), childIb,
                           page.cLevel - 1);
        else
            WalkNodeBTree(file, depth + 1, childUpper, key, uint64_t(childBid), childIb,
                          page.cLevel - 1);
    }
    return 0;
}

// Step 7: a BBT leaf page.
int32_t WalkBlockLeaf(tpstfile* file, const tpageoffsets& po, const tpage& page, int64_t ib,
                      int64_t upper, int64_t lower) {
    int64_t prev = lower;
    bool evenBids = true;
    for (int i = 0; i < page.cEnt; ++i) {
        const uint8_t* e = page.bytes.data() + i * po.cbBtEntry;
        int64_t bid = ReadKeyField(file, e, false);
        if (bid == 0) return 0;
        if (!KeyFits(bid, i, upper, lower, prev)) return -1;
        ++file->cBlocks;
        if (file->fWalkCountsOnly) continue;
        tblockentry entry;
        entry.bid = bid;
        entry.ib = ReadKeyField(file, e + po.cbId, false);
        entry.cb = LoadU16(e + 2 * po.cbId);
        if (po.ibCbInflated >= 0) entry.cbInflated = LoadU16(e + po.ibCbInflated);
        AddBlockUnlinked(file, entry);
        evenBids = evenBids && (bid & 1) == 0;
    }
    if (evenBids && !file->fWalkCountsOnly) file->indexedLeaves.push_back({ib, page.cEnt});
    return 0;
}

// Step 8: an NBT leaf page. A zero NID is not a stop: it fails the bounds.
int32_t WalkNodeLeaf(tpstfile* file, const tpageoffsets& po, const tpage& page, int64_t upper,
                     int64_t lower) {
    int64_t prev = lower;
    for (int i = 0; i < page.cEnt; ++i) {
        const uint8_t* e = page.bytes.data() + i * po.cbNbtEntry;
        int64_t nid = ReadKeyField(file, e, false);
        if (!KeyFits(nid, i, upper, lower, prev)) return -1;
        ++file->cNodes;
        if (file->fWalkCountsOnly) continue;
        auto node = std::make_unique<tnodeentry>();
        node->nid = uint64_t(nid);
        node->bidData = uint64_t(ReadKeyField(file, e + po.cbId, false));
        node->bidSub = uint64_t(ReadKeyField(file, e + 2 * po.cbId, false));
        node->nidParent = LoadU32(e + 3 * po.cbId);
        node->pSubBlock = FindBlock(file, node->bidSub);
        node->pDataBlock = FindBlock(file, node->bidData);
        InsertNode(file, std::move(node));
    }
    return 0;
}

int32_t WalkBlockPages(tpstfile* file, int32_t depth, int64_t upper, int64_t lower, uint64_t bid,
                       int64_t ib, int level) {
    const tpageoffsets& po = PageOffsets(file->layout);
    tpage page;
    if (!ReadPage(file, po, depth, upper, lower, ib, level, page)) return -1;
    if (page.cEnt > po.maxBtEntries || page.trailerBid != int64_t(bid)) return -1;
    if (!RootHasType(page, po, depth, TreeKind::Block)) return -1;
    if (page.cLevel != 0)
        return WalkIntermediate(file, TreeKind::Block, po, page, depth, upper, lower);
    return WalkBlockLeaf(file, po, page, ib, upper, lower);
}

} // namespace

// The leaves' entries are linked into the index once the whole tree is
// walked: in one pass when they come in ascending order, as a valid tree's do.
int32_t WalkBlockBTree(tpstfile* file, int32_t depth, int64_t upper, int64_t lower, uint64_t bid,
                       int64_t ib, int level) {
    if (!file) return -1;
    const int32_t walked = WalkBlockPages(file, depth, upper, lower, bid, ib, level);
    LinkAddedBlocks(file);
    return walked;
}

int32_t WalkNodeBTree(tpstfile* file, int32_t depth, int64_t upper, int64_t lower, uint64_t bid,
                      int64_t ib, int level) {
    if (!file) return -1;
    const tpageoffsets& po = PageOffsets(file->layout);
    tpage page;
    if (!ReadPage(file, po, depth, upper, lower, ib, level, page)) return -1;
    if (page.trailerBid != int64_t(bid)) return -1;
    if (page.cEnt > (page.cLevel != 0 ? po.maxBtEntries : po.maxNbtEntries)) return -1;
    if (!RootHasType(page, po, depth, TreeKind::Node)) return -1;
    if (page.cLevel != 0)
        return WalkIntermediate(file, TreeKind::Node, po, page, depth, upper, lower);
    return WalkNodeLeaf(file, po, page, upper, lower);
}

namespace {

// A record that reads another's file through its descriptor and does not
// own it, for a walk on another thread: what the walk writes (counts,
// index, node tree) is its own, so the two threads share no written field.
// It carries what the walks read: the entry width, the page layout, the file.
struct tborrowedfile {
    tpstfile record;
    explicit tborrowedfile(const tpstfile& from) {
        record.fUnicode = from.fUnicode;
        record.layout = from.layout;
        record.hFile = from.hFile;
        record.readSerial = from.readSerial;
    }
    ~tborrowedfile() {
        record.hFile = 0; // not ours to close
    }
};

// The NBT walk beside the BBT walk. The node walk looks up each node's
// blocks as it inserts it; in a record of its own the block index is empty,
// so the lookups are made here once both walks are done, against the same
// whole index the walk one after the other would have used.
bool BuildIndexesOnTwoThreads(tpstfile* file) {
    tborrowedfile nodes(*file);
    std::thread nodeWalk;
    try {
        nodeWalk = std::thread([&] {
            WalkNodeBTree(&nodes.record, 0, kMaxKey, kFirstNodeKey, file->bidNBT, file->ibNBT);
        });
    } catch (const std::system_error&) {
        return false; // no thread to be had: the caller walks one tree after the other
    }
    WalkBlockBTree(file, 0, kMaxKey, 0, file->bidBBT, file->ibBBT);
    nodeWalk.join();
    file->nodes = std::move(nodes.record.nodes);
    file->pNodeFirst = std::exchange(nodes.record.pNodeFirst, nullptr);
    file->pNodeLast = std::exchange(nodes.record.pNodeLast, nullptr);
    file->cNodes = nodes.record.cNodes;
    // Lookups only read the index, and each node is written by one thread.
    const auto& owned = file->nodes.owned;
    ostrel::ForChunksOnCores(owned.size(), kNodesPerLookupChunk, [&](size_t first, size_t end) {
        for (size_t i = first; i < end; ++i) {
            owned[i]->pSubBlock = FindBlock(file, owned[i]->bidSub);
            owned[i]->pDataBlock = FindBlock(file, owned[i]->bidData);
        }
    });
    return true;
}

} // namespace

int32_t BuildIndexes(tpstfile* file) {
    if (!file) return -1;
    file->cBlocks = 0;
    file->cNodes = 0;
    // Two threads only into an empty node tree, which the walk's own then replaces.
    const bool twoThreads = std::thread::hardware_concurrency() >= 2 && !file->fWalkCountsOnly &&
                            file->nodes.owned.empty() && !file->pNodeFirst;
    if (twoThreads && BuildIndexesOnTwoThreads(file)) return 1;
    WalkBlockBTree(file, 0, kMaxKey, 0, file->bidBBT, file->ibBBT);
    WalkNodeBTree(file, 0, kMaxKey, kFirstNodeKey, file->bidNBT, file->ibNBT);
    return 1;
}

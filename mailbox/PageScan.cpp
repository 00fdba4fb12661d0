// The two whole-file scans of the open sequence: the choice of the B-tree
// roots among all intermediate pages, and the recovery of every entry that
// valid leaf pages hold ([MS-PST] 2.2.2.7.7 pages, found by their trailers),
// in the page geometry of the file's layout (512 bytes, or 4 KiB in the OST
// files of current Outlook).
#include "mailbox/uPST64File.h"

#include <algorithm>

#include "support/EventPump.h"
#include "support/LittleEndian.h"
#include "support/Parallel.h"

namespace {

constexpr int32_t kScanChunk = 0x3E000; // 496 pages of 512 bytes, 62 of 4 KiB
constexpr uint32_t kAMapPageType = 0x00008484;
constexpr int64_t kAnsiAMapPadding = 4; // dwPadding before an ANSI AMap's bits

bool PageCrcValid(const uint8_t* page, const tpageoffsets& po) {
    return ComputeCrc(po.cbCrc, page) == LoadU32(page + po.crc);
}

uint16_t PageType(const uint8_t* page, const tpageoffsets& po) {
    return LoadU16(page + po.trailer);
}

// Reads the pages from `offset` to `end` in chunks of `chunk`'s size; calls
// visit(page, offset) for each whole page read, and pumps events once per
// chunk when `pump` is set (only the thread of the user interface may).
template <typename Visit>
void ForEachPage(tpstfile* file, int64_t offset, int64_t end, tbuffer& chunk, bool pump,
                 Visit visit) {
    const int32_t pageSize = PageOffsets(file->layout).pageSize;
    while (offset < end) {
        if (pump) ostrel::PumpEvents();
        int32_t got = ReadAt(file, chunk.data(), int32_t(chunk.size()), offset);
        int32_t pages = got > 0 ? got / pageSize : 0;
        if (pages == 0) {
            offset += pageSize;
            continue;
        }
        for (int32_t i = 0; i < pages && offset < end; ++i, offset += pageSize)
            visit(chunk.data() + size_t(i) * pageSize, offset);
    }
}

// A BBTENTRY/NBTENTRY field of the layout's width, widened with zeros as the walks do.
uint64_t LoadId(const tpstfile* file, const uint8_t* p) {
    return file->fUnicode ? LoadU64(p) : LoadU32(p);
}

// Entries of a leaf page: cEntMax slots, but never beyond the page's entry area.
int SlotCount(const uint8_t* page, const tpageoffsets& po, int maxEntries) {
    return std::min<int>(PageCount(page, po, po.cEntMax), maxEntries);
}

// `indexed`: how many of the first entries the walk put in the index, each
// found by a lookup without asking (tpstfile::indexedLeaves).
void RecoverBlockEntries(tpstfile* file, const uint8_t* page, const tpageoffsets& po,
                         int64_t fileSize, int indexed) {
    int slots = SlotCount(page, po, po.maxBtEntries);
    for (int i = 0; i < slots; ++i) {
        const uint8_t* e = page + i * po.cbBtEntry;
        uint64_t bid = LoadId(file, e);
        uint64_t ib = LoadId(file, e + po.cbId);
        if (bid == 0 || int64_t(ib & 0x7FFFFFFFFFFFFFFFull) > fileSize) return;
        if (i < indexed || FindBlock(file, bid)) continue;
        tblockentry entry;
        entry.bid = int64_t(bid);
        entry.ib = int64_t(ib);
        entry.cb = LoadU16(e + 2 * po.cbId);
        if (po.ibCbInflated >= 0) entry.cbInflated = LoadU16(e + po.ibCbInflated);
        InsertBlock(file, entry);
        ++file->cBlocks;
    }
}

tblockentry* RelinkBlock(tpstfile* file, uint64_t ownBid, uint64_t pageBid) {
    tblockentry* own = ownBid ? FindBlock(file, ownBid) : nullptr;
    return own ? own : FindBlock(file, pageBid);
}

// The allocation map page last read, for the leaf pages that follow in it.
struct tmapcache {
    int64_t At = -1;
    bool Valid = false;
    tbuffer Page;
};

// Does the allocation map ([MS-PST] 2.2.2.7.2: one bit per slot of 64
// bytes, 512 in the 4 KiB layout, the first slot in the high bit) mark the
// page at `ib` free? An old copy of a page lies in free space once its
// successor is written. Unknown (false) where the map page is damaged.
bool InFreeSpace(tpstfile* file, const tpageoffsets& po, int64_t ib, tmapcache& cache) {
    const int64_t bitsAt = file->layout == tlayout::Ansi ? kAnsiAMapPadding : 0;
    const int64_t bitmapBytes = po.trailer - bitsAt;
    const int64_t interval = bitmapBytes * 8 * po.cbBlockAlign;
    if (ib < po.ibFirstAMap) return false;
    int64_t mapAt = po.ibFirstAMap + (ib - po.ibFirstAMap) / interval * interval;
    if (mapAt != cache.At) {
        cache.At = mapAt;
        cache.Page.assign(size_t(po.pageSize), 0);
        cache.Valid = ReadAt(file, cache.Page.data(), po.pageSize, mapAt) == po.pageSize &&
                      LoadU16(cache.Page.data() + po.trailer) == uint16_t(kAMapPageType) &&
                      PageCrcValid(cache.Page.data(), po);
    }
    if (!cache.Valid) return false;
    int64_t slot = (ib - mapAt) / po.cbBlockAlign;
    return (cache.Page[size_t(bitsAt + slot / 8)] & (0x80 >> (slot % 8))) == 0;
}

// Adds the page's entries that the index lacks; each new node goes to
// `added`, told whether it is a deleted one: a slot beyond cEnt, or any
// slot of a stale page (an old copy in free space).
template <typename Added>
void RecoverNodeEntries(tpstfile* file, const uint8_t* page, const tpageoffsets& po, bool stalePage,
                        Added added) {
    int live = PageCount(page, po, po.cEnt);
    int slots = SlotCount(page, po, po.maxNbtEntries);
    for (int i = 0; i < slots; ++i) {
        const uint8_t* e = page + i * po.cbNbtEntry;
        uint64_t nid = LoadId(file, e);
        uint64_t bidData = LoadId(file, e + po.cbId);
        uint64_t bidSub = LoadId(file, e + 2 * po.cbId);
        uint32_t nidParent = LoadU32(e + 3 * po.cbId);
        if (nid == 0 && bidData == 0 && bidSub == 0 && nidParent == 0) return;
        if (tnodeentry* known = FindNode(file, nid)) {
            // Links that the walk could not resolve (its blocks were not
            // indexed yet) may be found now. The node's own BIDs come first:
            // this page may be an older copy naming an older block.
            if (!known->pDataBlock && bidData != 0)
                known->pDataBlock = RelinkBlock(file, known->bidData, bidData);
            if (!known->pSubBlock && bidSub != 0)
                known->pSubBlock = RelinkBlock(file, known->bidSub, bidSub);
            continue;
        }
        auto node = std::make_unique<tnodeentry>();
        node->nid = nid;
        node->nidParent = nidParent;
        node->bidData = bidData;
        node->bidSub = bidSub;
        node->pDataBlock = FindBlock(file, bidData);
        node->pSubBlock = FindBlock(file, bidSub);
        added(InsertNode(file, std::move(node)), stalePage || i >= live);
        ++file->cNodes;
    }
}

// The most block entries a walk from this intermediate page can count: each
// page below sits exactly one level lower and holds at most maxBtEntries
// entries (the walk refuses any other). A page whose most cannot reach the
// best root's count need not be walked to know it will not be chosen.
uint64_t MostBlocksBelow(const uint8_t* page, const tpageoffsets& po) {
    constexpr uint64_t kBeyondAnyFile = uint64_t(1) << 48;
    uint64_t most = std::min<uint64_t>(uint64_t(PageCount(page, po, po.cEnt)), po.maxBtEntries);
    for (int level = page[po.cLevel]; level > 0 && most < kBeyondAnyFile; --level)
        most *= uint64_t(po.maxBtEntries);
    return most;
}

// Does the page at the layout's first allocation map place carry an AMap trailer?
bool HasAMapPage(tpstfile* file, int64_t size, tlayout layout) {
    const tpageoffsets& po = PageOffsets(layout);
    if (size <= po.ibFirstAMap) return false;
    tbuffer page(size_t(po.pageSize), 0);
    if (ReadAt(file, page.data(), po.pageSize, po.ibFirstAMap) <= 0) return false;
    return LoadU32(page.data() + po.trailer) == kAMapPageType;
}

// Layout probe: the first allocation map page tells where its trailer is.
// The 512-byte layouts are asked first, as before; the 4 KiB layout only
// when neither of them answers.
void ProbeLayout(tpstfile* file, int64_t size) {
    bool ansi = HasAMapPage(file, size, tlayout::Ansi);
    bool unicode = HasAMapPage(file, size, tlayout::Unicode);
    if (unicode)
        file->layout = tlayout::Unicode;
    else if (ansi)
        file->layout = tlayout::Ansi;
    else if (HasAMapPage(file, size, tlayout::Unicode4k))
        file->layout = tlayout::Unicode4k;
    file->fUnicode = file->layout == tlayout::Ansi ? 0 : 1;
}

} // namespace

namespace {

// What the root scan keeps of a page that matters to it: a valid leaf page
// of either B-tree (for the recovery), or an intermediate page that may be
// a root, with all the choice below asks of it.
struct tscannedpage {
    int64_t ib = 0;
    uint16_t type = 0;
    bool leaf = false;
    bool crcValid = false;
    bool lowBitsClear = false; // (first byte & 3) == 0, as a BBT root's first BID has
    int64_t bid = 0;
    int64_t firstKey = 0;    // an NBT page's first key, read as a signed 32-bit value
    uint64_t mostBlocks = 0; // MostBlocksBelow
};

// A leaf page of either B-tree whose entries the recovery may read: at or
// after the first allocation map, with its CRC right.
bool IsRecoverableLeaf(const uint8_t* page, int64_t ib, const tpageoffsets& po) {
    if (ib < po.ibFirstAMap || page[po.cLevel] != 0) return false;
    const uint16_t type = PageType(page, po);
    return (type == kPageTypeBBT || type == kPageTypeNBT) && PageCrcValid(page, po);
}

// Each scanning thread's chunk of the file, kept from one chunk to the next.
thread_local tbuffer tScanBuffer;

// The pages of interest in one chunk of the file, in file order. Reads
// only: chunks can be scanned on several threads at once.
std::vector<tscannedpage> ScanChunk(tpstfile* file, int64_t from, int64_t end, tbuffer& buffer) {
    const tpageoffsets& po = PageOffsets(file->layout);
    std::vector<tscannedpage> found;
    ForEachPage(file, from, end, buffer, false, [&](const uint8_t* page, int64_t ib) {
        const uint16_t type = PageType(page, po);
        if (type != kPageTypeBBT && type != kPageTypeNBT) return;
        tscannedpage p;
        p.ib = ib;
        p.type = type;
        p.leaf = page[po.cLevel] == 0;
        if (p.leaf) {
            if (IsRecoverableLeaf(page, ib, po)) found.push_back(p);
            return;
        }
        if (ib < po.ibFirstBTreePage) return;
        p.crcValid = PageCrcValid(page, po);
        p.lowBitsClear = (page[0] & 3) == 0;
        p.bid = ReadBidAt(file, page + po.bid);
        p.firstKey = int32_t(LoadU32(page));
        p.mostBlocks = MostBlocksBelow(page, po);
        found.push_back(p);
    });
    return found;
}

} // namespace

void TPst64File::FindIndexRoots() {
    tpstfile* file = &Engine;
    int64_t size = PstFileSize(file);
    ProbeLayout(file, size);
    const tpageoffsets& po = PageOffsets(file->layout);

    // 1. Every page, on every core: the leaf pages and the candidate roots,
    // kept by chunk so that the choice below meets them in file order.
    const int64_t first = std::min(po.ibFirstAMap, po.ibFirstBTreePage);
    const size_t chunks = size > first ? size_t((size - first + kScanChunk - 1) / kScanChunk) : 0;
    std::vector<std::vector<tscannedpage>> found(chunks);
    ostrel::ForChunksOnCores(
        chunks, 1,
        [&](size_t begin, size_t end) {
            tbuffer& buffer = tScanBuffer;
            buffer.resize(kScanChunk);
            for (size_t c = begin; c < end; ++c) {
                const int64_t from = first + int64_t(c) * kScanChunk;
                found[c] =
                    ScanChunk(file, from, std::min<int64_t>(from + kScanChunk, size), buffer);
            }
        },
        [] {
            ostrel::PumpEvents();
            return true; // the scan is not stopped: the open needs all of it
        });
    // The helpers' buffers went with their threads; this thread's is not
    // needed again until the next open.
    tbuffer().swap(tScanBuffer);

    // 2. The choice, page by page in file order. Candidate roots are walked
    // only to count what they hold: most are passed over, and building an
    // index for each would cost more than the one walk that builds the
    // chosen root's index afterwards.
    int64_t bestBbtIb = 0, bestNbtIb = 0;
    int64_t bestBbtBid = 0, bestNbtBid = 0;
    uint64_t bestBbtCount = 0;
    int64_t smallestNbtKey = kMaxKey;
    leafPages_ = {};
    leafPages_.Known = true;
    struct tcountingwalks {
        tpstfile* file;
        explicit tcountingwalks(tpstfile* f) : file(f) { file->fWalkCountsOnly = true; }
        ~tcountingwalks() { file->fWalkCountsOnly = false; }
    } counting(file);
    for (const std::vector<tscannedpage>& pages : found) {
        for (const tscannedpage& p : pages) {
            if (p.leaf) {
                (p.type == kPageTypeBBT ? leafPages_.Blocks : leafPages_.Nodes).push_back(p.ib);
                continue;
            }
            if (p.type == kPageTypeBBT && p.lowBitsClear && p.crcValid) {
                file->ibBBT = p.ib;
                file->bidBBT = uint64_t(p.bid);
                if (p.bid > bestBbtBid && p.mostBlocks >= std::max<uint64_t>(bestBbtCount, 1)) {
                    file->cBlocks = 0;
                    WalkBlockBTree(file, 0, kMaxKey, 0, uint64_t(p.bid), p.ib);
                    if (file->cBlocks >= 1 && file->cBlocks >= bestBbtCount) {
                        bestBbtIb = p.ib;
                        bestBbtBid = p.bid;
                        bestBbtCount = file->cBlocks;
                    }
                }
            }
            if (p.type == kPageTypeNBT && p.firstKey > 32 && p.firstKey < 0x9000 &&
                p.firstKey <= smallestNbtKey) {
                smallestNbtKey = p.firstKey;
                if (p.crcValid) {
                    file->ibNBT = p.ib;
                    file->bidNBT = uint64_t(p.bid);
                    if (p.bid > bestNbtBid) {
                        file->cNodes = 0;
                        WalkNodeBTree(file, 0, kMaxKey, kFirstNodeKey, uint64_t(p.bid), p.ib);
                        if (file->cNodes > 0) {
                            bestNbtIb = p.ib;
                            bestNbtBid = p.bid;
                        }
                    }
                }
            }
        }
        ostrel::PumpEvents();
    }

    file->ibBBT = bestBbtIb;
    file->bidBBT = uint64_t(bestBbtBid);
    file->ibNBT = bestNbtIb;
    file->bidNBT = uint64_t(bestNbtBid);
}

void TPst64File::RememberLeafPage(const uint8_t* page, int64_t ib, const tpageoffsets& po) {
    if (!IsRecoverableLeaf(page, ib, po)) return;
    (PageType(page, po) == kPageTypeBBT ? leafPages_.Blocks : leafPages_.Nodes).push_back(ib);
}

void TPst64File::RecoverIndexEntries() {
    tpstfile* file = &Engine;
    const tpageoffsets& po = PageOffsets(file->layout);
    int64_t size = PstFileSize(file);
    // The scan of FindIndexRoots found the leaf pages; without it, scan now.
    if (!leafPages_.Known) {
        tbuffer chunk(kScanChunk);
        ForEachPage(file, po.ibFirstAMap, size, chunk, true,
                    [&](const uint8_t* page, int64_t ib) { RememberLeafPage(page, ib, po); });
        leafPages_.Known = true;
    }
    tbuffer page(size_t(po.pageSize), 0);
    tmapcache map;
    // Pass 1: block entries, so that the node entries of pass 2 find their
    // blocks. The pages of the walked tree come again here; the entries the
    // walk indexed from them need no lookup (a lookup per block of the file).
    auto& walked = file->indexedLeaves;
    auto byOffset = [](const tpstfile::tindexedleaf& a, const tpstfile::tindexedleaf& b) {
        return a.ib < b.ib;
    };
    std::sort(walked.begin(), walked.end(), byOffset);
    for (int64_t ib : leafPages_.Blocks) {
        ostrel::PumpEvents();
        auto known =
            std::lower_bound(walked.begin(), walked.end(), tpstfile::tindexedleaf{ib, 0}, byOffset);
        const int indexed = known != walked.end() && known->ib == ib ? known->entries : 0;
        if (ReadAt(file, page.data(), po.pageSize, ib) == po.pageSize)
            RecoverBlockEntries(file, page.data(), po, size, indexed);
    }
    // Pass 2: node entries.
    for (int64_t ib : leafPages_.Nodes) {
        ostrel::PumpEvents();
        if (ReadAt(file, page.data(), po.pageSize, ib) != po.pageSize) continue;
        RecoverNodeEntries(file, page.data(), po, InFreeSpace(file, po, ib, map),
                           [this](const tnodeentry* node, bool deleted) {
                               if (deleted) recovered_.insert(node);
                           });
    }
    leafPages_ = {};
    // Only this pass asks which pages the walk read.
    walked.clear();
    walked.shrink_to_fit();
}

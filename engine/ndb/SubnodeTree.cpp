// Subnode trees: SLBLOCKs ([MS-PST] 2.2.2.8.3.3.1) read into nested lists.
#include "engine/ndb/SubnodeTree.h"

#include <vector>

#include "engine/Limits.h"
#include "engine/ndb/BlockRead.h"
#include "engine/ndb/DataTree.h"
#include "engine/ndb/FormatOffsets.h"
#include "support/LittleEndian.h"

namespace {

constexpr uint16_t kSlBlockSignature = 0x0002; // btype 0x02, cLevel 0

// `budget` is the number of entries the whole tree may still take.
std::unique_ptr<tsubnodeentry> BuildLevel(tpstfile* file, tblockentry* block, int depth,
                                          uint64_t& budget) {
    if (!block || depth > ostrel::limits::kMaxSubnodeDepth) return nullptr;
    // 1. The block as stored: subnode blocks are internal and never encoded.
    tbuffer raw;
    uint64_t size = BlockDataSize(block);
    if (size < 4 || size > 0x7FFFFFFF || ReadBlockEntry(file, block, raw) < int32_t(size))
        return nullptr;
    // 2. Only an SLBLOCK is a subnode list.
    if (LoadU16(raw.data()) != kSlBlockSignature) return nullptr;
    // 3. A block recorded too short for its entries is read again in full,
    // and the index keeps the larger size (a compressed one cannot grow).
    uint32_t cEnt = LoadU16(raw.data() + 2);
    int entrySize = file->fUnicode ? 24 : 12;
    int header = file->fUnicode ? 8 : 4;
    int32_t needed = int32_t(cEnt) * entrySize + header;
    if (uint64_t(needed) > size) {
        if (IsCompressedBlock(block)) return nullptr;
        GrowStoredBlock(block, uint32_t(needed));
        if (!RereadBlockLonger(file, block, needed, raw)) return nullptr;
    }
    // 4. Entries in order; an entry whose data block is unknown is left out
    // together with its own subnodes.
    std::unique_ptr<tsubnodeentry> first;
    tsubnodeentry* last = nullptr;
    int idWidth = file->fUnicode ? 8 : 4;
    for (uint32_t i = 0; i < cEnt && budget > 0; ++i) {
        const uint8_t* e = raw.data() + header + i * entrySize;
        uint64_t nid = LoadU32(e);
        uint64_t bidData = file->fUnicode ? LoadU64(e + idWidth) : LoadU32(e + idWidth);
        uint64_t bidSub = file->fUnicode ? LoadU64(e + 2 * idWidth) : LoadU32(e + 2 * idWidth);
        tblockentry* data = FindBlock(file, bidData);
        if (!data) continue;
        --budget;
        auto entry = std::make_unique<tsubnodeentry>();
        entry->nid = nid;
        entry->pDataBlock = data;
        if (bidSub != 0)
            if (tblockentry* sub = FindBlock(file, bidSub))
                entry->pChildren = BuildLevel(file, sub, depth + 1, budget);
        tsubnodeentry* added = entry.get();
        if (last)
            last->pNext = std::move(entry);
        else
            first = std::move(entry);
        last = added;
    }
    return first;
}

} // namespace

tsubnodeentry::~tsubnodeentry() {
    // Long sibling lists would otherwise be released by deep recursion.
    std::unique_ptr<tsubnodeentry> next = std::move(pNext);
    while (next)
        next = std::move(next->pNext);
}

std::unique_ptr<tsubnodeentry> BuildSubnodeTree(tpstfile* file, tblockentry* block) {
    if (!file) return nullptr;
    uint64_t budget = ostrel::limits::kMaxSubnodeEntries;
    return BuildLevel(file, block, 0, budget);
}

tsubnodeentry* FindSubnode(tsubnodeentry* list, uint64_t nid) {
    // NIDs are unique only within one list ([MS-PST] 2.2.2.1): an attachment
    // or embedded message below may reuse a NID of this list, so this list's
    // own entry wins.
    for (tsubnodeentry* e = list; e; e = e->pNext.get())
        if (e->nid == nid) return e;
    // Nesting is bounded when the tree is built, so recursion depth is too.
    for (tsubnodeentry* e = list; e; e = e->pNext.get())
        if (tsubnodeentry* inner = FindSubnode(e->pChildren.get(), nid)) return inner;
    return nullptr;
}

std::unique_ptr<tsubnodeentry> CopySubnodeTree(const tsubnodeentry* list) {
    std::unique_ptr<tsubnodeentry> first;
    tsubnodeentry* last = nullptr;
    for (const tsubnodeentry* e = list; e; e = e->pNext.get()) {
        auto copy = std::make_unique<tsubnodeentry>();
        copy->nid = e->nid;
        copy->pDataBlock = e->pDataBlock;
        copy->pChildren = CopySubnodeTree(e->pChildren.get());
        tsubnodeentry* added = copy.get();
        if (last)
            last->pNext = std::move(copy);
        else
            first = std::move(copy);
        last = added;
    }
    return first;
}

void FreeSubnodeTree(std::unique_ptr<tsubnodeentry>& list) {
    list.reset();
}

int32_t ReadSubnodeData(tpstfile* file, tsubnodeentry* list, uint32_t nid, tbuffer& data) {
    tsubnodeentry* entry = FindSubnode(list, nid);
    if (!entry) return 0;
    return ReadDataTree(file, entry->pDataBlock, data);
}

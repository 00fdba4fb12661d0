// The node tree: every NBT entry ([MS-PST] 2.2.2.7.7.4) as a forest of tnodeentry records, each
// node under its parent NID. A node whose parent is absent stays top-level until the parent arrives
// and adopts it. Lookups by NID use maps beside the forest but answer exactly as a pre-order walk
// of the forest would.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/ndb/NidIndex.h"
#include "engine/ndb/RecordSlabs.h"

struct tpstfile;
struct tblockentry;

struct tnodeentry {
    uint64_t nid = 0;
    uint64_t nidParent = 0;
    tblockentry* pSubBlock = nullptr;  // resolved once, at insertion
    tblockentry* pDataBlock = nullptr; // resolved once, at insertion
    uint32_t cChildren = 0;
    uint32_t cItems = 0; // kept by the item collection
    tnodeentry* pPrev = nullptr;
    tnodeentry* pNext = nullptr;
    tnodeentry* pParent = nullptr;
    tnodeentry* pFirstChild = nullptr;
    tnodeentry* pLastChild = nullptr;
    int32_t nFolderKind = 0; // kept by the item collection
    // What the folder collection's read told of the node's object, for the
    // item collections after it: its kind and which records it has.
    int32_t nReadKind = 0;
    uint8_t fReadRecords = 0; // 0 until read; then the bits of KindRecords.h
    bool fTopLevel = false;   // linked into the top-level list (lookup bookkeeping)
    uint64_t bidSub = 0;
    uint64_t bidData = 0;

    // Bookkeeping of the lookup maps, not part of the file's data.
    uint64_t listSeq = 0;           // rises with every append: orders siblings
    tnodeentry* pSameNid = nullptr; // next node that carries the same NID
};
// One record per node of the file: kept within an allocator size class of
// 128 bytes.
static_assert(sizeof(tnodeentry) <= 128);

// Owner of the node records and the maps that make lookups fast.
struct tnodestore {
    ostrel::trecordslabs<tnodeentry> records;
    std::vector<tnodeentry*> owned; // every record, in the order inserted
    tnidindex byNid;                // head of each same-NID chain
    // Top-level nodes waiting for their parent, in list order. A node that
    // leaves the top level is not searched for and taken out: its entry
    // stays, and counts only while the node is at the top level with the
    // list sequence number it was appended with (a node that comes back is
    // appended again, under a new number).
    struct torphan {
        tnodeentry* node = nullptr;
        uint64_t seq = 0; // node->listSeq when it was appended
        bool Waiting() const { return node->fTopLevel && node->listSeq == seq; }
    };
    using torphans = std::vector<torphan>;
    // By parent NID.
    std::unordered_map<uint64_t, torphans> orphansByParent;
    uint64_t nextSeq = 0;
};

// Links a record with the fields of `node` into the forest: adopts the
// top-level nodes that name it as parent, then places it under its parent or
// at the top level. Never links a node under one of its own descendants.
// Returns the tree's own record, which is not `node`: use it, not the one
// given. cNodes is counted by the callers.
tnodeentry* InsertNode(tpstfile* file, std::unique_ptr<tnodeentry> node);

// The first node with this NID in pre-order, or null.
tnodeentry* FindNode(tpstfile* file, uint64_t nid);

void FreeNodeTree(tpstfile* file);

// Primitives for the layers that reshape the tree after loading. A node is
// never placed under itself or one of its descendants: AppendChild refuses
// (returns false) and leaves the node where it was.
void UnlinkNode(tpstfile* file, tnodeentry* node);
void AppendTopLevel(tpstfile* file, tnodeentry* node);
bool AppendChild(tpstfile* file, tnodeentry* parent, tnodeentry* node);
bool IsAncestorOrSelf(const tnodeentry* ancestor, const tnodeentry* node);

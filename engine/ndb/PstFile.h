// The engine record of one open PST/OST file and the operations every other
// engine operation stands on: open with the header read, positioned reads,
// and close with the release of every index built for the file. The header
// fields it reads are those of [MS-PST] 2.2.2.6.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/ndb/BlockIndex.h"
#include "engine/ndb/FormatOffsets.h"
#include "engine/ndb/NodeTree.h"

// The named property map of the file ([MS-PST] 2.4.7). It is read and released
// by the property layer above this one, which hands its own release function in
// with the list; this layer only holds it and lets go of it on close.
struct tnamedpropentry;
using tnamedpropmap = std::unique_ptr<tnamedpropentry, void (*)(tnamedpropentry*)>;

// A buffer read from the file; an empty buffer stands for "no buffer".
using tbuffer = std::vector<uint8_t>;

struct tpstfile {
    tblockentry* pBlockIndex = nullptr; // root of the block index
    tblockstore blocks;                 // owns the block index's records
    size_t blocksLinked = 0; // records of `blocks` in the index; the rest wait (AddBlockUnlinked)
    // The first blocksSorted records of `blocks` rise strictly by key and no
    // other record of the index has one of their keys: FindBlock searches
    // them as a sorted array before it walks the tree (BlockIndex.cpp).
    size_t blocksSorted = 0;
    tnodeentry* pNodeFirst = nullptr; // first top-level node
    tnodeentry* pNodeLast = nullptr;  // last top-level node
    tnamedpropmap pNamedProps{nullptr, nullptr};
    int32_t fUnicode = 0;           // 0 ANSI (32-bit identifiers), 1 Unicode (64-bit)
    tlayout layout = tlayout::Ansi; // page geometry and entry layout
    int64_t ibBBT = 0;
    uint64_t bidBBT = 0;
    int64_t ibNBT = 0;
    uint64_t bidNBT = 0;
    int32_t hFile = 0;       // 0 never opened, -1 closed or failed, otherwise open
    uint64_t readSerial = 0; // names this open to the small reads' caches (ReadCache.h)
    int64_t ibFileEof = 0;
    uint8_t bCryptMethod = 0; // 0 none, 1 permutation, 2 cyclic
    uint16_t wVer = 0;
    uint8_t fOffline = 0;
    uint64_t cBlocks = 0;
    uint64_t cNodes = 0;
    uint8_t fInsertGrew = 0; // work flag of InsertBlock
    // Set, the walks count the entries they would index (cBlocks, cNodes)
    // and index none: the root scan's trial of a candidate root.
    bool fWalkCountsOnly = false;

    tnodestore nodes; // owns the node records of pNodeFirst's forest

    // BBT leaf pages whose every entry the walk indexed under an even BID
    // (so that a lookup of each finds one), by offset: a recovery that
    // meets such a page again knows its entries are in the index.
    struct tindexedleaf {
        int64_t ib = 0;
        int32_t entries = 0; // cEnt
    };
    std::vector<tindexedleaf> indexedLeaves; // in the order walked

    // Where the last ReadAt ended: the base of relative offsets. Every read
    // writes it, from whichever thread reads: a cache line of its own keeps
    // those writes from slowing the reads of the fields above.
    alignas(64) int64_t ibNextRead = 0;

    tpstfile() = default;
    tpstfile(const tpstfile&) = delete;
    tpstfile& operator=(const tpstfile&) = delete;
    ~tpstfile(); // releases the indexes and closes the file if still open
};

// 0 on success; -1 when no record is given, the file cannot be opened or is
// shorter than 4 bytes; -2 when it does not begin with "!BDN".
int32_t OpenPstFile(tpstfile* file, const std::string& path);

// Releases the block index, node tree and named property map, then closes the
// file. 0 if a file was open, -1 if none was (the indexes are released all the same).
int32_t ClosePstFile(tpstfile* file);

// Reads up to `count` bytes at `offset` (negative: relative to the current
// position). Bytes read; 0 if the file could not be positioned; -1 on a read error.
// Threads may read at once; relative offsets then mean nothing.
int32_t ReadAt(tpstfile* file, void* buffer, int32_t count, int64_t offset);

// 8 bytes (Unicode) or 4 bytes widened with sign (ANSI) at `offset`; 0 when
// the file ends inside the field.
int64_t ReadSizedValueAt(tpstfile* file, int64_t offset);

// Replaces `buffer` by a new one of exactly `count` bytes read at `offset`;
// returns what ReadAt returned.
int32_t ReadFreshBuffer(tpstfile* file, int32_t count, tbuffer& buffer, int64_t offset);

// The file size as the operating system reports it, or 0 when no file is open.
int64_t PstFileSize(tpstfile* file);

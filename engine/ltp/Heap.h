// The heap-on-node ([MS-PST] 2.3.1) of a node's or subnode's data, loaded
// whole as a list of pages; HIDs and HNIDs turned into byte ranges; and the
// BTH header ([MS-PST] 2.3.2.1) that property and table contexts begin with.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/ndb/PstFile.h"
#include "engine/ndb/SubnodeTree.h"

// Client signatures (bClientSig << 8 | bSig) read at offset 2 of page 0.
inline constexpr uint16_t kHeapSigPropContext = 0xBCEC;
inline constexpr uint16_t kHeapSigTableContext = 0x7CEC;

// One heap page. An unreadable page keeps its place with no data, so that the
// block index of every later page still lines up.
struct theappage {
    tbuffer Data;               // empty when the page could not be read
    int32_t Size = 0;           // bytes read
    uint32_t PageMapOffset = 0; // the page's ibHnpm
};

struct theap {
    int32_t PageCount = 0;
    std::vector<theappage> Pages; // data-tree order; page 0 holds the HNHDR
    uint16_t Signature = 0;       // bSig and bClientSig; 0 when page 0 is too short
    uint32_t UserRoot = 0;        // hidUserRoot
};

// A resolved HID or HNID. A range inside a heap page is borrowed from the
// heap; a subnode's data is held in Buffer (Owned 1). Moving keeps Begin and
// End valid; copying would not, so it is not allowed.
struct thidrange {
    const uint8_t* Begin = nullptr; // null: the empty range
    const uint8_t* End = nullptr;   // exclusive
    int32_t Owned = 0;
    tbuffer Buffer;

    thidrange() = default;
    thidrange(const thidrange&) = delete;
    thidrange& operator=(const thidrange&) = delete;
    thidrange(thidrange&&) = default;
    thidrange& operator=(thidrange&&) = default;

    size_t Length() const { return Begin ? size_t(End - Begin) : 0; }
    void Clear();
};

// The heap stored under `bid`, or nothing when its data block is unreadable.
std::optional<theap> LoadHeap(tpstfile* file, uint64_t bid);

// LoadHeap into `heap`, whose storage is reused where it can be (a reader
// that loads many heaps one after another allocates once). False, with
// `heap` holding no pages, when the data block is unreadable.
bool LoadHeapInto(tpstfile* file, uint64_t bid, theap& heap);

// Leaves `heap` holding at most its first page's storage, and that only when
// it is no larger than a block: what a reader keeps between LoadHeapInto calls.
void TrimHeapForReuse(theap& heap);

// 0 when `hnid` resolved into `range` (Begin not null), 1 otherwise. An HID
// names an allocation in one page; an HNID with its low four bits all ones is
// a subnode NID, whose whole data `range` then owns. Any buffer `range` owned
// before is released first.
int32_t ResolveHnid(tpstfile* file, tsubnodeentry* subnodes, const theap& heap, thidrange& range,
                    uint32_t hnid);

// The bounds [start, end) of allocation `hidLow` (the low 16 bits of an HID)
// from the page map at `pageMapOffset`; false when they cannot be read.
bool ReadPageMapEntry(const uint8_t* pageData, int32_t pageSize, uint32_t pageMapOffset,
                      uint32_t hidLow, uint32_t& start, uint32_t& end);

struct tbthheader {
    uint16_t TypeKey = 0;   // bType (low byte, 0xB5) and cbKey (high byte)
    uint16_t EntLevels = 0; // cbEnt (low byte) and bIdxLevels (high byte)
    uint32_t hidRoot = 0;

    uint8_t cbKey() const { return uint8_t(TypeKey >> 8); }
    uint8_t cbEnt() const { return uint8_t(EntLevels & 0xFF); }
    uint8_t bIdxLevels() const { return uint8_t(EntLevels >> 8); }
};

// The BTH header in the allocation `hid`; false when it does not resolve or
// is shorter than 8 bytes.
bool ReadBthHeader(tpstfile* file, tsubnodeentry* subnodes, const theap& heap, uint32_t hid,
                   tbthheader& header);

// An HNID whose low four bits are all ones names a subnode, not an allocation.
inline bool IsSubnodeHnid(uint32_t hnid) {
    return (hnid & 0xF) == 0xF;
}

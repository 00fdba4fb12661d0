// Loading a heap-on-node and resolving HIDs and HNIDs ([MS-PST] 2.3.1).
#include "engine/ltp/Heap.h"

#include <algorithm>

#include "engine/Limits.h"
#include "engine/ndb/BlockRead.h"
#include "support/LittleEndian.h"

namespace {

inline constexpr uint16_t kXBlockWord = 0x0101; // btype 0x01, cLevel 1

theappage MakePage(tbuffer&& data, int32_t count) {
    theappage page;
    if (count <= 0) return page; // a hole: no data, no page map
    page.Size = std::min<int32_t>(count, int32_t(data.size()));
    page.Data = std::move(data);
    page.PageMapOffset = page.Size >= 2 ? LoadU16(page.Data.data()) : 0;
    return page;
}

// Each BID of the XBLOCK is one page; an XBLOCK that claims more BIDs than it
// holds yields those that fit. False when the pages exceed the heap cap.
bool LoadXBlockPages(tpstfile* file, const tbuffer& xblock, int32_t size, theap& heap) {
    const int32_t width = file->fUnicode ? 8 : 4;
    int64_t cEnt = LoadU16(xblock.data() + 2);
    if (8 + cEnt * width > size) cEnt = size < 8 ? 0 : (size - 8) / width;
    uint64_t total = 0;
    for (int64_t i = 0; i < cEnt; ++i) {
        const uint8_t* p = xblock.data() + 8 + i * width;
        uint64_t bid = file->fUnicode ? LoadU64(p) : LoadU32(p);
        tbuffer data;
        int32_t count = ReadBlockDecoded(file, data, bid);
        total += uint64_t(std::max<int32_t>(count, 0));
        if (total > ostrel::limits::kMaxHeapBytes) return false;
        heap.Pages.push_back(MakePage(std::move(data), count));
    }
    return true;
}

} // namespace

void thidrange::Clear() {
    Begin = End = nullptr;
    Owned = 0;
    Buffer = tbuffer();
}

bool LoadHeapInto(tpstfile* file, uint64_t bid, theap& heap) {
    // The first page's storage is the block buffer: a heap loaded again in
    // the same object reads into what the last one held.
    tbuffer block = heap.Pages.empty() ? tbuffer() : std::move(heap.Pages[0].Data);
    heap.Pages.clear();
    heap.PageCount = 0;
    heap.Signature = 0;
    heap.UserRoot = 0;
    int32_t size = ReadBlockDecoded(file, block, bid);
    size = std::min<int32_t>(size, int32_t(block.size()));
    if (size <= 0) return false;
    if (size >= 4 && LoadU16(block.data()) == kXBlockWord) {
        if (!LoadXBlockPages(file, block, size, heap)) return false;
    } else {
        // An XXBLOCK is not expanded: as a single page it fails the signature test.
        heap.Pages.push_back(MakePage(std::move(block), size));
    }
    heap.PageCount = int32_t(heap.Pages.size());
    if (heap.PageCount == 0) return false;
    const theappage& first = heap.Pages[0];
    if (first.Size >= 8) {
        heap.Signature = LoadU16(first.Data.data() + 2);
        heap.UserRoot = LoadU32(first.Data.data() + 4);
    }
    return true;
}

void TrimHeapForReuse(theap& heap) {
    if (heap.Pages.size() > 1) heap.Pages.resize(1);
    if (!heap.Pages.empty() &&
        heap.Pages[0].Data.capacity() > ostrel::limits::kMaxInflatedBlockBytes)
        heap.Pages.clear();
}

std::optional<theap> LoadHeap(tpstfile* file, uint64_t bid) {
    theap heap;
    if (!LoadHeapInto(file, bid, heap)) return std::nullopt;
    return heap;
}

bool ReadPageMapEntry(const uint8_t* pageData, int32_t pageSize, uint32_t pageMapOffset,
                      uint32_t hidLow, uint32_t& start, uint32_t& end) {
    if (!pageData || pageMapOffset == 0 || (hidLow & 0xF) != 0 || pageSize <= 0) return false;
    // For an HID of type 0 this is rgibAlloc[hidIndex - 1]: the map begins
    // with cAlloc and cFree, and hidIndex sits above the five type bits.
    uint64_t slot = uint64_t(pageMapOffset) + 2 + (hidLow >> 4);
    if (slot + 4 > uint64_t(pageSize)) return false;
    start = LoadU16(pageData + slot);
    end = LoadU16(pageData + slot + 2);
    return start <= end;
}

namespace {

int32_t ResolveHid(const theap& heap, thidrange& range, uint32_t hid) {
    uint32_t pageIndex = hid >> 16;
    if (pageIndex >= uint32_t(heap.PageCount)) return 1;
    const theappage& page = heap.Pages[pageIndex];
    uint32_t start = 0, end = 0;
    if (!ReadPageMapEntry(page.Data.empty() ? nullptr : page.Data.data(), page.Size,
                          page.PageMapOffset, hid & 0xFFFF, start, end))
        return 1;
    // Both bounds strictly inside the page: the page map itself follows the
    // last allocation, so an allocation reaching the page's end is damage.
    if (start >= uint32_t(page.Size) || end >= uint32_t(page.Size)) return 1;
    range.Begin = page.Data.data() + start;
    range.End = page.Data.data() + end;
    return 0;
}

int32_t ResolveSubnode(tpstfile* file, tsubnodeentry* subnodes, thidrange& range, uint32_t nid) {
    if (!subnodes) return 1;
    tbuffer data;
    int32_t count = ReadSubnodeData(file, subnodes, nid, data);
    count = std::min<int32_t>(count, int32_t(data.size()));
    if (count <= 0) return 1;
    range.Buffer = std::move(data);
    range.Begin = range.Buffer.data();
    range.End = range.Begin + count;
    range.Owned = 1;
    return 0;
}

} // namespace

int32_t ResolveHnid(tpstfile* file, tsubnodeentry* subnodes, const theap& heap, thidrange& range,
                    uint32_t hnid) {
    range.Clear();
    if (hnid == 0) return 1;
    if (IsSubnodeHnid(hnid)) return ResolveSubnode(file, subnodes, range, hnid);
    return ResolveHid(heap, range, hnid);
}

bool ReadBthHeader(tpstfile* file, tsubnodeentry* subnodes, const theap& heap, uint32_t hid,
                   tbthheader& header) {
    thidrange range;
    if (ResolveHnid(file, subnodes, heap, range, hid) != 0 || range.Length() < 8) return false;
    header.TypeKey = LoadU16(range.Begin);
    header.EntLevels = LoadU16(range.Begin + 2);
    header.hidRoot = LoadU32(range.Begin + 4);
    return true;
}

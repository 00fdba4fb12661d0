// The heap-on-node: page map bounds, multi-page heaps with holes, XBLOCKs
// that claim more pages than they hold, HNIDs naming subnodes, BTH headers.
#include "tests/engine/ltp/LtpImage.h"

using namespace ltpimg;

namespace {

theap OnePageHeap(bytes page) {
    theap heap;
    theappage p;
    p.Size = int32_t(page.size());
    p.PageMapOffset = page.size() >= 2 ? LoadU16(page.data()) : 0;
    p.Data = std::move(page);
    heap.Pages.push_back(std::move(p));
    heap.PageCount = 1;
    return heap;
}

bytes Range(const thidrange& r) {
    return bytes(r.Begin, r.End);
}

TEST(HeapPageMap, AllocationBoundsAgainstThePage) {
    HeapPage page(0);
    uint32_t a = page.Add({1, 2, 3});
    uint32_t b = page.Add({4, 5});
    theap heap = OnePageHeap(page.Build());
    thidrange r;
    ASSERT_EQ(ResolveHnid(nullptr, nullptr, heap, r, a), 0);
    EXPECT_EQ(Range(r), (bytes{1, 2, 3}));
    EXPECT_EQ(r.Owned, 0);
    ASSERT_EQ(ResolveHnid(nullptr, nullptr, heap, r, b), 0);
    EXPECT_EQ(Range(r), (bytes{4, 5}));

    // HIDs that name nothing: page index beyond the heap, slot beyond the
    // page, a nonzero type in the low bits, HID 0.
    EXPECT_EQ(ResolveHnid(nullptr, nullptr, heap, r, Hid(1, 1)), 1);
    EXPECT_EQ(r.Begin, nullptr);
    EXPECT_EQ(ResolveHnid(nullptr, nullptr, heap, r, Hid(0, 40)), 1);
    EXPECT_EQ(ResolveHnid(nullptr, nullptr, heap, r, a | 0x3), 1);
    EXPECT_EQ(ResolveHnid(nullptr, nullptr, heap, r, 0), 1);
}

TEST(HeapPageMap, AllocationEndingAtThePageSizeIsRefused) {
    bytes page2(16, 0);
    Put16(page2, 0, 2);  // ibHnpm
    Put16(page2, 2, 1);  // cAlloc
    Put16(page2, 4, 0);  // cFree
    Put16(page2, 6, 12); // rgibAlloc[0]
    Put16(page2, 8, 16); // rgibAlloc[1]: the end equals the page size
    theap heap = OnePageHeap(page2);
    thidrange r;
    EXPECT_EQ(ResolveHnid(nullptr, nullptr, heap, r, Hid(0, 1)), 1);
    Put16(heap.Pages[0].Data, 8, 15); // one byte short of the end: accepted
    ASSERT_EQ(ResolveHnid(nullptr, nullptr, heap, r, Hid(0, 1)), 0);
    EXPECT_EQ(r.Length(), 3u);
    Put16(heap.Pages[0].Data, 6, 15);
    Put16(heap.Pages[0].Data, 8, 12); // start above end
    EXPECT_EQ(ResolveHnid(nullptr, nullptr, heap, r, Hid(0, 1)), 1);
}

TEST(HeapPageMap, PageMapEntryMustLieInsideThePage) {
    bytes page(20, 0);
    uint32_t start = 0, end = 0;
    // Slot of hidIndex 1 at ibHnpm 12 is 12 + 2 + 2 = 16: 16 + 4 <= 20.
    Put16(page, 16, 4);
    Put16(page, 18, 8);
    EXPECT_TRUE(ReadPageMapEntry(page.data(), 20, 12, 0x20, start, end));
    EXPECT_EQ(start, 4u);
    EXPECT_EQ(end, 8u);
    EXPECT_FALSE(ReadPageMapEntry(page.data(), 19, 12, 0x20, start, end));
    EXPECT_FALSE(ReadPageMapEntry(page.data(), 20, 0, 0x20, start, end)); // ibHnpm 0
    EXPECT_FALSE(ReadPageMapEntry(nullptr, 20, 12, 0x20, start, end));
    EXPECT_FALSE(ReadPageMapEntry(page.data(), 20, 12, 0x21, start, end));
}

TEST(HeapPageMap, PageWithIbHnpmZeroResolvesNothing) {
    HeapPage page(0);
    uint32_t a = page.Add({1, 2, 3});
    theap heap = OnePageHeap(page.Build());
    heap.Pages[0].PageMapOffset = 0;
    thidrange r;
    EXPECT_EQ(ResolveHnid(nullptr, nullptr, heap, r, a), 1);
}

class HeapFile : public ::testing::TestWithParam<bool> {
protected:
    LtpFile f{GetParam()};
};

TEST_P(HeapFile, UnreadablePageLeavesAHole) {
    HeapPage p0(0), p1(1, 2), p2(2, 2);
    uint32_t a0 = p0.Add({10});
    p0.Header(0xBC, a0);
    uint32_t a1 = p1.Add({11});
    uint32_t a2 = p2.Add({12, 12});
    f.Place(0x40, p0.Build());
    f.Place(0x44, p1.Build());
    f.Place(0x48, p2.Build());
    f.PlaceXBlock(0x102, {0x40, 0x4C /* not in the index */, 0x48});
    f.Open();
    auto heap = LoadHeap(&f.file, 0x102);
    ASSERT_TRUE(heap);
    ASSERT_EQ(heap->PageCount, 3);
    EXPECT_TRUE(heap->Pages[1].Data.empty());
    EXPECT_EQ(heap->Signature, kHeapSigPropContext);
    EXPECT_EQ(heap->UserRoot, a0);
    thidrange r;
    EXPECT_EQ(ResolveHnid(&f.file, nullptr, *heap, r, a1), 1);
    ASSERT_EQ(ResolveHnid(&f.file, nullptr, *heap, r, a2), 0);
    EXPECT_EQ(Range(r), (bytes{12, 12}));
}

TEST_P(HeapFile, XBlockClaimingMorePagesThanItHoldsReadsThoseThatFit) {
    HeapPage p0(0), p1(1, 2);
    uint32_t a0 = p0.Add({1});
    p0.Header(0x7C, a0);
    uint32_t a1 = p1.Add({2, 3});
    f.Place(0x40, p0.Build());
    f.Place(0x44, p1.Build());
    f.PlaceXBlock(0x102, {0x40, 0x44}, 200);
    f.Open();
    auto heap = LoadHeap(&f.file, 0x102);
    ASSERT_TRUE(heap);
    EXPECT_EQ(heap->PageCount, 2);
    EXPECT_EQ(heap->Signature, kHeapSigTableContext);
    thidrange r;
    ASSERT_EQ(ResolveHnid(&f.file, nullptr, *heap, r, a1), 0);
    EXPECT_EQ(Range(r), (bytes{2, 3}));
}

TEST_P(HeapFile, MissingOrTinyDataHasNoUsableHeader) {
    f.Place(0x40, {0xEC});
    f.Open();
    EXPECT_FALSE(LoadHeap(&f.file, 0x80)); // unknown BID: no heap
    auto tiny = LoadHeap(&f.file, 0x40);
    ASSERT_TRUE(tiny);
    EXPECT_EQ(tiny->Signature, 0); // too short for an HNHDR
}

TEST_P(HeapFile, HnidWithLowBitsAllOnesNamesASubnode) {
    HeapPage p0(0);
    uint32_t a = p0.Add({5});
    p0.Header(0xBC, a);
    // Allocations up to index 4 exist, so 0x8F would be a valid-looking slot.
    for (int i = 0; i < 4; ++i)
        p0.Add({uint8_t(i)});
    f.Place(0x40, p0.Build());
    f.Place(0x44, {'s', 'u', 'b'});
    f.Open();
    auto heap = LoadHeap(&f.file, 0x40);
    ASSERT_TRUE(heap);
    auto subnodes = f.Subnode(0x8F, 0x44);
    thidrange r;
    ASSERT_EQ(ResolveHnid(&f.file, subnodes.get(), *heap, r, 0x8F), 0);
    EXPECT_EQ(r.Owned, 1);
    EXPECT_EQ(Range(r), (bytes{'s', 'u', 'b'}));
    EXPECT_EQ(ResolveHnid(&f.file, subnodes.get(), *heap, r, 0x1F), 1); // not a subnode
    EXPECT_EQ(r.Owned, 0);
    EXPECT_EQ(ResolveHnid(&f.file, nullptr, *heap, r, 0x8F), 1);
}

TEST_P(HeapFile, BthHeaderNeedsEightBytes) {
    HeapPage p0(0);
    uint32_t full = p0.Add(BthHeader(2, 6, 0, 0x40));
    uint32_t shortOne = p0.Add({0xB5, 2, 6, 0, 0x40, 0, 0});
    p0.Header(0xBC, full);
    f.Place(0x40, p0.Build());
    f.Open();
    auto heap = LoadHeap(&f.file, 0x40);
    ASSERT_TRUE(heap);
    tbthheader h;
    ASSERT_TRUE(ReadBthHeader(&f.file, nullptr, *heap, full, h));
    EXPECT_EQ(h.TypeKey, 0x02B5);
    EXPECT_EQ(h.EntLevels, 0x0006);
    EXPECT_EQ(h.hidRoot, 0x40u);
    EXPECT_FALSE(ReadBthHeader(&f.file, nullptr, *heap, shortOne, h));
}

// A reader that loads heap after heap into one object (the collections'
// reads) sees each as a fresh load would, whatever the one before held.
TEST_P(HeapFile, LoadingIntoAUsedHeapGivesWhatAFreshLoadGives) {
    HeapPage p0(0), p1(1, 2), one(0);
    uint32_t a0 = p0.Add({10});
    p0.Header(0xBC, a0);
    p1.Add(bytes(300, 7));
    uint32_t small = one.Add({4, 5});
    one.Header(0x7C, small);
    f.Place(0x40, p0.Build());
    f.Place(0x44, p1.Build());
    f.Place(0x48, one.Build());
    f.PlaceXBlock(0x102, {0x40, 0x44});
    f.Open();

    theap used;
    ASSERT_TRUE(LoadHeapInto(&f.file, 0x102, used));
    EXPECT_EQ(used.PageCount, 2);
    ASSERT_TRUE(LoadHeapInto(&f.file, 0x48, used)) << "a one-page heap after two pages";
    auto fresh = LoadHeap(&f.file, 0x48);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(used.PageCount, 1);
    ASSERT_EQ(used.Pages.size(), 1u);
    EXPECT_EQ(used.Pages[0].Data, fresh->Pages[0].Data);
    EXPECT_EQ(used.Pages[0].Size, fresh->Pages[0].Size);
    EXPECT_EQ(used.Signature, kHeapSigTableContext);
    EXPECT_EQ(used.UserRoot, small);
    thidrange r;
    ASSERT_EQ(ResolveHnid(&f.file, nullptr, used, r, small), 0);
    EXPECT_EQ(Range(r), (bytes{4, 5}));

    EXPECT_FALSE(LoadHeapInto(&f.file, 0x80, used)) << "unknown BID";
    EXPECT_EQ(used.PageCount, 0);
    EXPECT_TRUE(used.Pages.empty());
    EXPECT_EQ(used.Signature, 0);
    EXPECT_EQ(ResolveHnid(&f.file, nullptr, used, r, small), 1) << "nothing of the last heap stays";
}

TEST(HeapReuse, TrimKeepsAtMostOneBlockSizedPage) {
    theap heap;
    for (size_t size : {size_t(100), size_t(200)}) {
        theappage p;
        p.Data.assign(size, 1);
        heap.Pages.push_back(std::move(p));
    }
    TrimHeapForReuse(heap);
    ASSERT_EQ(heap.Pages.size(), 1u);
    EXPECT_EQ(heap.Pages[0].Data.size(), 100u);
    heap.Pages[0].Data.assign(ostrel::limits::kMaxInflatedBlockBytes + 1, 0);
    TrimHeapForReuse(heap);
    EXPECT_TRUE(heap.Pages.empty()) << "larger than a block: not kept";
}

INSTANTIATE_TEST_SUITE_P(Layouts, HeapFile, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Unicode" : "Ansi"; });

} // namespace

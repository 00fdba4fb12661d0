// The 4 KiB layout of current Outlook's OST files (wVer 36/37) in the node
// database: the header, both B-trees with their 4 KiB pages and 16-bit
// counts, BBT entries with the inflated size, stored and compressed blocks,
// damaged streams and sizes that do not agree, and the data and subnode
// trees above compressed blocks.
#include <array>
#include <numeric>
#include <thread>

#include "tests/engine/ndb/FileImage.h"
#include "tests/engine/ndb/Image4k.h"

using namespace img4k;

namespace {

constexpr uint64_t kStoredBid = 0x2004, kPackedBid = 0x2008;
constexpr size_t kStoredAt = Trees::kFirstBlock, kPackedAt = Trees::kFirstBlock + 0x1000;

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> v(size);
    for (size_t i = 0; i < size; ++i)
        v[i] = uint8_t((i / 7) * seed + i % 5); // compressible, yet not constant
    return v;
}

std::string Save(const Image4k& img) {
    testimg::FileImage file(true, 0);
    file.bytes = img.bytes;
    return file.save(testimg::TestFileName(".ost"));
}

// One stored and one compressed data block, node 0x21 naming the second.
struct TwoBlocks {
    Image4k img;
    std::vector<uint8_t> stored = Pattern(300, 3);
    std::vector<uint8_t> packed = Pattern(5000, 11);
    std::vector<uint8_t> stream = Deflate(packed);

    TwoBlocks() {
        img.block(kStoredAt, kStoredBid, stored, uint16_t(stored.size()));
        img.block(kPackedAt, kPackedBid, stream, uint16_t(packed.size()));
        img.bbtEntry(Trees::kBbtLeaf, 0, kStoredBid, kStoredAt, uint16_t(stored.size()),
                     uint16_t(stored.size()));
        img.bbtEntry(Trees::kBbtLeaf, 1, kPackedBid, kPackedAt, uint16_t(stream.size()),
                     uint16_t(packed.size()));
        img.nbtEntry(Trees::kNbtLeaf, 0, 0x21, kPackedBid, 0, 0);
        SealTrees(img, 2, kStoredBid, 1, 0x21);
    }
    // Where the compressed block's trailer ends its slot.
    size_t TrailerAt() const {
        return kPackedAt + (stream.size() + kBlockTrailer + kSlot - 1) / kSlot * kSlot -
               kBlockTrailer;
    }
    // Opens the image with both B-trees loaded.
    void Load(tpstfile& file) {
        ASSERT_EQ(OpenPstFile(&file, Save(img)), 0);
        BuildIndexes(&file);
    }
};

TEST(Layout4k, HeaderVersionsChooseTheLayout) {
    for (uint16_t ver : {uint16_t(36), uint16_t(37), uint16_t(23)}) {
        SCOPED_TRACE(ver);
        Image4k img;
        img.header(0x11, 0x22000, 0x33, 0x44000, ver);
        tpstfile file;
        ASSERT_EQ(OpenPstFile(&file, Save(img)), 0);
        EXPECT_EQ(file.fUnicode, 1) << "64-bit identifiers in all three";
        EXPECT_EQ(file.layout, ver == 23 ? tlayout::Unicode : tlayout::Unicode4k);
        EXPECT_EQ(file.bidNBT, 0x11u);
        EXPECT_EQ(file.ibBBT, 0x44000);
    }
}

TEST(Layout4k, BothTreesAndBothEntryLayouts) {
    TwoBlocks t;
    tpstfile file;
    t.Load(file);
    EXPECT_EQ(file.cBlocks, 2u);
    EXPECT_EQ(file.cNodes, 1u);
    tblockentry* stored = FindBlock(&file, kStoredBid);
    tblockentry* packed = FindBlock(&file, kPackedBid);
    ASSERT_TRUE(stored && packed);
    EXPECT_EQ(stored->ib, int64_t(kStoredAt));
    EXPECT_FALSE(IsCompressedBlock(stored));
    EXPECT_EQ(packed->cb, t.stream.size());
    EXPECT_EQ(packed->cbInflated, t.packed.size());
    EXPECT_TRUE(IsCompressedBlock(packed));
    EXPECT_EQ(BlockDataSize(packed), t.packed.size());
    tnodeentry* node = FindNode(&file, 0x21);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->pDataBlock, packed);
}

TEST(Layout4k, PagesRefusedByTheirOwnGeometry) {
    struct tcase {
        const char* what;
        void (*damage)(Image4k&);
    };
    const tcase cases[] = {
        {"cEnt above the 169 entries a 4 KiB page holds",
         [](Image4k& img) { img.page(Trees::kBbtLeaf, false, 0, 170, Trees::kBbtLeafBid); }},
        {"cEnt's high byte counts (0x0102, not 2)",
         [](Image4k& img) { img.page(Trees::kBbtLeaf, false, 0, 0x0102, Trees::kBbtLeafBid); }},
        {"a trailer BID other than the parent names",
         [](Image4k& img) { img.page(Trees::kBbtLeaf, false, 0, 2, 0x7777); }},
        {"a leaf one level off",
         [](Image4k& img) { img.page(Trees::kBbtLeaf, false, 1, 2, Trees::kBbtLeafBid); }},
    };
    for (const tcase& c : cases) {
        SCOPED_TRACE(c.what);
        TwoBlocks t;
        c.damage(t.img);
        tpstfile file;
        t.Load(file);
        EXPECT_EQ(file.cBlocks, 0u);
        EXPECT_EQ(FindNode(&file, 0x21)->pDataBlock, nullptr);
    }
}

TEST(Layout4k, StoredAndCompressedBlocksRead) {
    TwoBlocks t;
    tpstfile file;
    t.Load(file);
    tbuffer data;
    ASSERT_EQ(ReadBlock(&file, data, kStoredBid), int32_t(t.stored.size()));
    EXPECT_EQ(data, t.stored);
    ASSERT_EQ(ReadBlockDecoded(&file, data, kPackedBid), int32_t(t.packed.size()));
    EXPECT_EQ(data, t.packed);
    tbuffer raw;
    ASSERT_EQ(ReadBlockEntry(&file, FindBlock(&file, kPackedBid), raw), int32_t(t.packed.size()));
    EXPECT_EQ(raw, t.packed);
}

// Damage to the stream or to the sizes around it: the block reads as 0 with
// the caller's buffer untouched, and its neighbour still reads.
TEST(Layout4k, CompressedBlocksThatDoNotAddUpAreSkipped) {
    struct tcase {
        const char* what;
        void (*damage)(TwoBlocks&);
    };
    const tcase cases[] = {
        {"damaged stream",
         [](TwoBlocks& t) {
             for (size_t i = 2; i < 40; ++i)
                 t.img.put8(kPackedAt + i, 0xFF);
         }},
        {"stream cut short: the BBT's cb ends inside it",
         [](TwoBlocks& t) {
             uint16_t cb = uint16_t(t.stream.size() / 2);
             t.img.bbtEntry(Trees::kBbtLeaf, 1, kPackedBid, kPackedAt, cb,
                            uint16_t(t.packed.size()));
             t.img.block(kPackedAt, kPackedBid, {t.stream.begin(), t.stream.begin() + cb},
                         uint16_t(t.packed.size()));
         }},
        {"BBT claims more than the stream gives",
         [](TwoBlocks& t) {
             uint16_t more = uint16_t(t.packed.size() + 1);
             t.img.bbtEntry(Trees::kBbtLeaf, 1, kPackedBid, kPackedAt, uint16_t(t.stream.size()),
                            more);
             t.img.block(kPackedAt, kPackedBid, t.stream, more);
         }},
        {"BBT claims less than the stream gives",
         [](TwoBlocks& t) {
             uint16_t less = uint16_t(t.packed.size() - 1);
             t.img.bbtEntry(Trees::kBbtLeaf, 1, kPackedBid, kPackedAt, uint16_t(t.stream.size()),
                            less);
             t.img.block(kPackedAt, kPackedBid, t.stream, less);
         }},
        {"trailer's inflated size disagrees with the BBT",
         [](TwoBlocks& t) { t.img.put16(t.TrailerAt() + 18, 1234); }},
        {"trailer's stored size disagrees with the BBT",
         [](TwoBlocks& t) { t.img.put16(t.TrailerAt(), 77); }},
    };
    for (const tcase& c : cases) {
        SCOPED_TRACE(c.what);
        TwoBlocks t;
        c.damage(t);
        SealTrees(t.img, 2, kStoredBid, 1, 0x21);
        tpstfile file;
        t.Load(file);
        tbuffer data{1, 2, 3};
        EXPECT_EQ(ReadBlockDecoded(&file, data, kPackedBid), 0);
        EXPECT_EQ(data, (tbuffer{1, 2, 3}));
        EXPECT_EQ(ReadBlock(&file, data, kStoredBid), int32_t(t.stored.size()));
    }
}

TEST(Layout4k, InflationNeverExceedsTheBlockLimit) {
    std::vector<uint8_t> big(70000, 'x');
    std::vector<uint8_t> stream = Deflate(big);
    tbuffer out{9};
    EXPECT_EQ(InflateBlock(stream.data(), stream.size(), 70000, out), 0)
        << "a claim above 64 KiB is refused before any allocation";
    EXPECT_EQ(InflateBlock(stream.data(), stream.size(), 65535, out), 0)
        << "the stream gives more than the largest claim";
    EXPECT_EQ(out, tbuffer{9});
    std::vector<uint8_t> fits(65535, 'y');
    std::vector<uint8_t> fitsStream = Deflate(fits);
    EXPECT_EQ(InflateBlock(fitsStream.data(), fitsStream.size(), 65535, out), 65535);
    EXPECT_EQ(out, fits);
    // Block after block into one buffer: each gives exactly its own bytes.
    std::vector<uint8_t> small(10, 'z');
    std::vector<uint8_t> smallStream = Deflate(small);
    EXPECT_EQ(InflateBlock(smallStream.data(), smallStream.size(), 10, out), 10);
    EXPECT_EQ(out, small);
    EXPECT_EQ(InflateBlock(fitsStream.data(), fitsStream.size(), 65535, out), 65535);
    EXPECT_EQ(out, fits);
    EXPECT_EQ(InflateBlock(stream.data(), stream.size(), 65535, out), 0);
    EXPECT_EQ(out, fits) << "a failure after successes leaves the last block";
}

// The encoding applies to the block's data before it was compressed (the
// order readpst and libpff read): inflate, then decode.
TEST(Layout4k, EncodedCompressedBlockIsInflatedFirst) {
    TwoBlocks t;
    std::vector<uint8_t> encoded = t.packed;
    for (uint8_t& b : encoded)
        b = mpbbR[b];
    tbuffer check = encoded;
    DecodeBlock(check.data(), int32_t(check.size()), 1, kPackedBid);
    ASSERT_EQ(check, t.packed) << "mpbbR encodes what method 1 decodes";
    std::vector<uint8_t> encodedStream = Deflate(encoded);
    t.img.block(kPackedAt, kPackedBid, encodedStream, uint16_t(t.packed.size()));
    t.img.bbtEntry(Trees::kBbtLeaf, 1, kPackedBid, kPackedAt, uint16_t(encodedStream.size()),
                   uint16_t(t.packed.size()));
    SealTrees(t.img, 2, kStoredBid, 1, 0x21);
    t.img.put8(kUnicodeHeader.bCryptMethod, 1);
    tpstfile file;
    t.Load(file);
    tbuffer data;
    ASSERT_EQ(ReadBlockDecoded(&file, data, kPackedBid), int32_t(t.packed.size()));
    EXPECT_EQ(data, t.packed);
}

// Node 0x21 whose stored subnode list of `entries` entries is recorded as
// only its 8-byte header, as in a damaged file.
struct ShortSubnodeList {
    static constexpr uint64_t kData = 0x2004, kList = 0x2008;
    std::vector<uint8_t> list{0x02, 0x00, 0, 0, 0, 0, 0, 0};
    std::string path;

    explicit ShortSubnodeList(uint32_t entries) {
        Image4k img;
        const size_t kListAt = kStoredAt + 0x1000;
        const std::vector<uint8_t> data = Pattern(300, 3);
        img.block(kStoredAt, kData, data, uint16_t(data.size()));
        list[2] = uint8_t(entries);
        list[3] = uint8_t(entries >> 8);
        for (uint32_t i = 0; i < entries; ++i)
            for (uint64_t v : {uint64_t(0x3F + 0x20 * i), kData, uint64_t(0)})
                for (int b = 0; b < 8; ++b)
                    list.push_back(uint8_t(v >> (8 * b)));
        img.putBytes(kListAt, list);
        img.bbtEntry(Trees::kBbtLeaf, 0, kData, kStoredAt, uint16_t(data.size()),
                     uint16_t(data.size()));
        img.bbtEntry(Trees::kBbtLeaf, 1, kList, kListAt, 8, 8); // recorded short, stored
        img.nbtEntry(Trees::kNbtLeaf, 0, 0x21, kData, kList, 0);
        SealTrees(img, 2, kData, 1, 0x21);
        path = Save(img);
    }
    // Opens the image with both B-trees loaded.
    void Load(tpstfile& file) const {
        ASSERT_EQ(OpenPstFile(&file, path), 0);
        BuildIndexes(&file);
    }
};

size_t CountSubnodes(tpstfile* file, tnodeentry* node) {
    std::unique_ptr<tsubnodeentry> subnodes = BuildSubnodeTree(file, node->pSubBlock);
    size_t count = 0;
    for (const tsubnodeentry* e = subnodes.get(); e; e = e->pNext.get())
        ++count;
    return count;
}

// A stored subnode list recorded too short is read again at its full size,
// which in a damaged file may pass what the 16-bit sizes on disk hold: it
// must still read as stored, never as a compressed block of some other size.
TEST(Layout4k, StoredSubnodeListGrownPastSixteenBitsStaysStored) {
    constexpr uint32_t kEntries = 2800; // 8 + 2800 * 24 bytes: more than 65,535
    ShortSubnodeList image(kEntries);
    tpstfile file;
    ASSERT_NO_FATAL_FAILURE(image.Load(file));
    tnodeentry* node = FindNode(&file, 0x21);
    ASSERT_TRUE(node && node->pSubBlock);

    EXPECT_EQ(CountSubnodes(&file, node), kEntries);
    const tblockentry* grown = FindBlock(&file, ShortSubnodeList::kList);
    EXPECT_EQ(grown->cb, image.list.size()) << "the index keeps the larger size";
    EXPECT_FALSE(IsCompressedBlock(grown));
    EXPECT_EQ(BlockDataSize(grown), image.list.size());
    tbuffer again;
    EXPECT_EQ(ReadBlockEntry(&file, grown, again), int32_t(image.list.size()));
    EXPECT_EQ(again, image.list);
}

// Items are read on several threads at once, and two items of a damaged file
// may share one subnode list recorded too short: while one thread enlarges
// its record, the other must see either size, never a compressed block made
// of half of each (a thread sanitizer build names any such race).
TEST(Layout4k, SubnodeListGrownWhileOtherThreadsReadIt) {
    constexpr uint32_t kEntries = 100;
    ShortSubnodeList image(kEntries);
    for (int round = 0; round < 50; ++round) {
        tpstfile file;
        ASSERT_NO_FATAL_FAILURE(image.Load(file));
        tnodeentry* node = FindNode(&file, 0x21);
        ASSERT_TRUE(node && node->pSubBlock);
        std::array<size_t, 4> counts{};
        std::vector<std::thread> readers;
        for (size_t& count : counts)
            readers.emplace_back([&] { count = CountSubnodes(&file, node); });
        for (std::thread& reader : readers)
            reader.join();
        for (size_t count : counts)
            ASSERT_EQ(count, kEntries) << "round " << round;
    }
}

// An XBLOCK and an SLBLOCK, each compressed, over compressed data blocks.
TEST(Layout4k, DataAndSubnodeTreesOverCompressedBlocks) {
    Image4k img;
    const uint64_t kPartA = 0x3004, kPartB = 0x3008, kXBlock = 0x300E, kSlBlock = 0x3012;
    std::vector<uint8_t> a = Pattern(65000, 5), b = Pattern(9000, 9);
    std::vector<uint8_t> xblock{0x01, 0x01, 2, 0};
    for (uint32_t total = uint32_t(a.size() + b.size());
         uint8_t byte :
         {uint8_t(total), uint8_t(total >> 8), uint8_t(total >> 16), uint8_t(total >> 24)})
        xblock.push_back(byte);
    for (uint64_t bid : {kPartA, kPartB})
        for (int i = 0; i < 8; ++i)
            xblock.push_back(uint8_t(bid >> (8 * i)));
    std::vector<uint8_t> slblock{0x02, 0x00, 1, 0, 0, 0, 0, 0};
    for (uint64_t v : {uint64_t(0x6B), kPartB, uint64_t(0)})
        for (int i = 0; i < 8; ++i)
            slblock.push_back(uint8_t(v >> (8 * i)));
    struct tblock {
        uint64_t bid;
        std::vector<uint8_t> data;
    } blocks[] = {{kPartA, a}, {kPartB, b}, {kXBlock, xblock}, {kSlBlock, slblock}};
    size_t at = Trees::kFirstBlock;
    for (int i = 0; i < 4; ++i) {
        std::vector<uint8_t> stream = Deflate(blocks[i].data);
        img.block(at, blocks[i].bid, stream, uint16_t(blocks[i].data.size()));
        img.bbtEntry(Trees::kBbtLeaf, i, blocks[i].bid, at, uint16_t(stream.size()),
                     uint16_t(blocks[i].data.size()));
        at += (stream.size() + kBlockTrailer + kSlot - 1) / kSlot * kSlot;
    }
    img.nbtEntry(Trees::kNbtLeaf, 0, 0x21, kXBlock, kSlBlock, 0);
    SealTrees(img, 4, kPartA, 1, 0x21);
    tpstfile file;
    ASSERT_EQ(OpenPstFile(&file, Save(img)), 0);
    BuildIndexes(&file);
    tnodeentry* node = FindNode(&file, 0x21);
    ASSERT_TRUE(node && node->pDataBlock && node->pSubBlock);

    tbuffer data;
    ASSERT_EQ(ReadDataTree(&file, node->pDataBlock, data), int32_t(a.size() + b.size()));
    EXPECT_TRUE(std::equal(a.begin(), a.end(), data.begin()));
    EXPECT_TRUE(std::equal(b.begin(), b.end(), data.begin() + long(a.size())));

    std::unique_ptr<tsubnodeentry> subnodes = BuildSubnodeTree(&file, node->pSubBlock);
    ASSERT_NE(subnodes, nullptr);
    ASSERT_EQ(ReadSubnodeData(&file, subnodes.get(), 0x6B, data), int32_t(b.size()));
    EXPECT_EQ(data, b);
}

} // namespace

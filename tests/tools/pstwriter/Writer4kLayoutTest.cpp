// Checks of the writer's 4 KiB-page OST layout (wVer 36) against the facts of Outlook's own
// files, parsed here again with positions and a CRC restated on purpose: header, AMaps of
// 512-byte slots, 4 KiB B-tree pages with 16-bit counts, BBT entries with both sizes, and
// blocks whose 24-byte trailers end their slots, stored or as zlib streams.
#include <map>
#include <random>
#include <stdexcept>

#include <gtest/gtest.h>
#include <zlib.h>

#include "tools/pstwriter/EveryKindMailbox.h"
#include "tools/pstwriter/PstMailbox.h"
#include "tools/pstwriter/PstWriter.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint64_t kPage = 4096, kSlot = 512, kFirstAMap = 0x22000;
constexpr uint64_t kTrailer = 4072, kPageCrc = 4076, kPageBid = 4080;
constexpr uint64_t kCEnt = 4056, kCEntMax = 4058, kCbEnt = 4060, kCLevel = 4061;
constexpr uint64_t kAMapCovers = 4072 * 8 * kSlot;
constexpr uint64_t kBlockTrailer = 24, kMaxBlockData = 65512;
constexpr uint64_t kIbFileEof = 184, kIbAMapLast = 192, kBidNbt = 216, kIbNbt = 224;
constexpr uint64_t kBidBbt = 232, kIbBbt = 240, kCryptMethod = 513;

uint64_t le(const Bytes& b, uint64_t off, size_t width) {
    if (off + width > b.size()) throw std::out_of_range("read past the end of the file");
    uint64_t v = 0;
    for (size_t i = 0; i < width; ++i)
        v |= uint64_t(b[off + i]) << (8 * i);
    return v;
}

uint32_t bitCrc(const Bytes& b, uint64_t off, uint64_t count) {
    uint32_t c = 0;
    for (uint64_t i = off; i < off + count; ++i) {
        c ^= b.at(i);
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    }
    return c;
}

uint16_t sig(uint64_t ib, uint64_t bid) {
    const uint64_t x = ib ^ bid;
    return uint16_t((x >> 16) ^ x);
}

struct BbtEntry {
    uint64_t bid, ib;
    uint16_t cb, cbInflated, cRef;
};

// Walks one B-tree of 4 KiB pages, checking each page, and collects its leaf entries.
struct Walk4k {
    const Bytes& file;
    uint8_t ptype;
    int rootLevel = -1;
    std::vector<uint64_t> keys;
    std::vector<uint64_t> leafOffsets;

    Walk4k(const Bytes& f, uint8_t type) : file(f), ptype(type) {}

    void page(uint64_t bid, uint64_t ib) {
        SCOPED_TRACE(testing::Message() << "page at 0x" << std::hex << ib);
        ASSERT_EQ(ib % kPage, 0u);
        ASSERT_EQ(file.at(ib + kTrailer), ptype);
        EXPECT_EQ(file.at(ib + kTrailer + 1), ptype);
        EXPECT_EQ(le(file, ib + kTrailer + 2, 2), sig(ib, bid));
        EXPECT_EQ(le(file, ib + kPageBid, 8), bid);
        EXPECT_EQ(le(file, ib + kPageCrc, 4), bitCrc(file, ib, kTrailer));
        const uint64_t cEnt = le(file, ib + kCEnt, 2), level = file[ib + kCLevel];
        if (rootLevel < 0) rootLevel = int(level);
        const uint64_t entry = level ? 24 : (ptype == 0x80 ? 24 : 32);
        EXPECT_EQ(file[ib + kCbEnt], entry);
        EXPECT_EQ(le(file, ib + kCEntMax, 2), kCEnt / entry);
        ASSERT_LE(cEnt, kCEnt / entry);
        for (uint64_t i = 0; i < cEnt; ++i) {
            const uint64_t at = ib + i * entry;
            if (level) {
                page(le(file, at + 8, 8), le(file, at + 16, 8));
                continue;
            }
            if (!keys.empty()) {
                EXPECT_LT(keys.back(), le(file, at, 8));
            }
            keys.push_back(le(file, at, 8));
            leafOffsets.push_back(at);
        }
    }
};

bool slotUsed(const Bytes& file, uint64_t offset) {
    const uint64_t amap = kFirstAMap + (offset - kFirstAMap) / kAMapCovers * kAMapCovers;
    const uint64_t slot = (offset - amap) / kSlot;
    return file.at(amap + slot / 8) & (0x80 >> (slot % 8));
}

pstw::Attachment attachment(const std::string& name, Bytes data) {
    pstw::Attachment a;
    a.longFileName = name;
    a.data = std::move(data);
    return a;
}

// The mailbox of every kind, a folder of more items than one B-tree page takes, and one
// attachment of random bytes large enough to need a second AMap.
pstw::Mailbox largeMailbox() {
    pstw::Mailbox m = pstw::everykind::mailbox();
    pstw::Folder bulk{"Bulk"};
    for (int k = 0; k < 400; ++k) {
        pstw::Item i = pstw::everykind::item(pstw::ItemKind::Note, "Bulk " + std::to_string(k));
        i.body = std::string(size_t(100 + 300 * k), char('a' + k % 26));
        bulk.items.push_back(i);
    }
    std::mt19937 gen(36);
    Bytes noise(18 << 20);
    for (uint8_t& b : noise)
        b = uint8_t(gen());
    bulk.items[0].attachments.push_back(attachment("noise.bin", noise));
    bulk.items[1].attachments.push_back(
        attachment("pattern.bin", pstw::everykind::pattern(300000, 5)));
    m.ipmSubtree.folders.push_back(bulk);
    return m;
}

class Writer4kLayout : public testing::Test {
protected:
    static void SetUpTestSuite() {
        writer_ = new pstw::MailboxWriter(pstw::Options{pstw::Layout::Unicode4k, 1});
        file_ = new Bytes(writer_->write(largeMailbox()));
    }
    static void TearDownTestSuite() {
        delete writer_;
        delete file_;
    }
    static std::vector<BbtEntry> bbt() {
        Walk4k walk{*file_, 0x80};
        walk.page(le(*file_, kBidBbt, 8), le(*file_, kIbBbt, 8));
        std::vector<BbtEntry> out;
        for (uint64_t at : walk.leafOffsets)
            out.push_back({le(*file_, at, 8), le(*file_, at + 8, 8),
                           uint16_t(le(*file_, at + 16, 2)), uint16_t(le(*file_, at + 18, 2)),
                           uint16_t(le(*file_, at + 20, 2))});
        return out;
    }
    static inline pstw::MailboxWriter* writer_ = nullptr;
    static inline Bytes* file_ = nullptr;
};

TEST_F(Writer4kLayout, HeaderAndAMapsDescribeTheFile) {
    const Bytes& f = *file_;
    EXPECT_EQ(le(f, 0, 4), 0x4E444221u);
    EXPECT_EQ(le(f, 10, 2), 36u);
    EXPECT_EQ(f[kCryptMethod], 1);
    EXPECT_EQ(le(f, kIbFileEof, 8), f.size());
    // The file ends where an AMap's slots end; the random attachment needs a second one.
    ASSERT_EQ((f.size() - kFirstAMap) % kAMapCovers, 0u);
    const uint64_t amaps = (f.size() - kFirstAMap) / kAMapCovers;
    EXPECT_GE(amaps, 2u);
    EXPECT_EQ(le(f, kIbAMapLast, 8), kFirstAMap + (amaps - 1) * kAMapCovers);
    for (uint64_t i = 0; i < amaps; ++i) {
        const uint64_t at = kFirstAMap + i * kAMapCovers;
        SCOPED_TRACE(testing::Message() << "AMap at 0x" << std::hex << at);
        EXPECT_EQ(f.at(at + kTrailer), 0x84);
        EXPECT_EQ(f.at(at + kTrailer + 1), 0x84);
        EXPECT_EQ(le(f, at + kPageBid, 8), at);
        EXPECT_EQ(le(f, at + kPageCrc, 4), bitCrc(f, at, kTrailer));
        EXPECT_EQ(f[at], 0xFF) << "the AMap's own page is in use";
    }
}

TEST_F(Writer4kLayout, TreesSpanSeveralLevelsOfValidPages) {
    Walk4k bbtWalk{*file_, 0x80}, nbtWalk{*file_, 0x81};
    bbtWalk.page(le(*file_, kBidBbt, 8), le(*file_, kIbBbt, 8));
    nbtWalk.page(le(*file_, kBidNbt, 8), le(*file_, kIbNbt, 8));
    EXPECT_EQ(bbtWalk.keys.size(), writer_->ndb().blocks().size());
    EXPECT_GT(bbtWalk.keys.size(), 169u);
    EXPECT_GT(nbtWalk.keys.size(), 126u);
    EXPECT_GE(bbtWalk.rootLevel, 1);
    EXPECT_GE(nbtWalk.rootLevel, 1);
    for (const pstw::PageInfo& p : writer_->ndb().pages())
        EXPECT_TRUE(slotUsed(*file_, p.offset) && slotUsed(*file_, p.offset + kPage - kSlot));
}

TEST_F(Writer4kLayout, BlocksAreStoredOrDeflatedWithTrailersThatAgreeWithTheIndex) {
    size_t compressed = 0, stored = 0, overEightKiB = 0;
    uint16_t largest = 0;
    for (const BbtEntry& e : bbt()) {
        SCOPED_TRACE(testing::Message() << "block 0x" << std::hex << e.bid);
        ASSERT_EQ(e.ib % kSlot, 0u);
        EXPECT_GE(e.cRef, 1);
        ASSERT_LE(e.cbInflated, kMaxBlockData);
        const uint64_t slot = (e.cb + kBlockTrailer + kSlot - 1) / kSlot * kSlot;
        const uint64_t t = e.ib + slot - kBlockTrailer;
        EXPECT_EQ(le(*file_, t, 2), e.cb);
        EXPECT_EQ(le(*file_, t + 2, 2), sig(e.ib, e.bid));
        EXPECT_EQ(le(*file_, t + 4, 4), bitCrc(*file_, e.ib, e.cb));
        EXPECT_EQ(le(*file_, t + 8, 8), e.bid);
        EXPECT_EQ(le(*file_, t + 16, 2), 2u);
        EXPECT_EQ(le(*file_, t + 18, 2), e.cbInflated);
        EXPECT_EQ(le(*file_, t + 20, 4), 0u);
        for (uint64_t s = e.ib; s < e.ib + slot; s += kSlot)
            EXPECT_TRUE(slotUsed(*file_, s));
        largest = std::max(largest, e.cbInflated);
        overEightKiB += e.cbInflated > 8192 ? 1 : 0;
        if (e.cb == e.cbInflated) {
            ++stored;
            continue;
        }
        ++compressed;
        EXPECT_LT(e.cb, e.cbInflated);
        EXPECT_EQ(e.bid & 2, 0u) << "internal blocks are not compressed";
        Bytes out(e.cbInflated + 1);
        uLongf size = uLongf(out.size());
        ASSERT_EQ(uncompress(out.data(), &size, file_->data() + e.ib, e.cb), Z_OK);
        EXPECT_EQ(size, e.cbInflated);
    }
    EXPECT_GT(compressed, 0u);
    EXPECT_GT(stored, 0u);
    EXPECT_GT(overEightKiB, 2u);
    EXPECT_EQ(largest, kMaxBlockData);
}

TEST(Writer4kTrees, FewEntriesPerPageGiveDeeperTreesThatStillWalk) {
    pstw::Options o{pstw::Layout::Unicode4k, 0};
    o.maxEntriesPerPage = 3;
    pstw::MailboxWriter w(o);
    const Bytes f = w.write(pstw::everykind::mailbox());
    Walk4k bbtWalk{f, 0x80}, nbtWalk{f, 0x81};
    bbtWalk.page(le(f, kBidBbt, 8), le(f, kIbBbt, 8));
    nbtWalk.page(le(f, kBidNbt, 8), le(f, kIbNbt, 8));
    EXPECT_EQ(bbtWalk.keys.size(), w.ndb().blocks().size());
    EXPECT_GE(bbtWalk.rootLevel, 3);
    EXPECT_GE(nbtWalk.rootLevel, 3);
}

} // namespace

// Checks of the PST writer (tools/pstwriter) against [MS-PST] itself: the bytes it lays out are
// parsed here again with positions and a CRC written independently of the writer, and
// pffinfo (libpff) serves as an outside reader of the header and allocation maps; a mailbox
// beyond the first FMap page is read back by pffinfo, pypff and pffexport.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tools/pstwriter/PstMailbox.h"
#include "tools/pstwriter/PstWriter.h"

namespace {

using Bytes = std::vector<uint8_t>;
using pstw::Layout;

uint64_t le(const Bytes& b, size_t off, size_t width) {
    if (off + width > b.size()) throw std::out_of_range("read past the end of the file");
    uint64_t v = 0;
    for (size_t i = 0; i < width; ++i)
        v |= uint64_t(b[off + i]) << (8 * i);
    return v;
}

// Bit-at-a-time form of the [MS-PST] CRC, so the writer's table is checked, not copied.
uint32_t bitCrc(const Bytes& b, size_t off, size_t count) {
    uint32_t c = 0;
    for (size_t i = off; i < off + count; ++i) {
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

// [MS-PST] positions of each layout, restated here on purpose.
struct Positions {
    size_t id, trailer, pageCrc, pageBid, meta, blockTrailer, blockCrc, blockBid, mapBits;
    size_t bbtEntry, nbtEntry, btEntry, bbtCap, nbtCap, btCap;
    size_t root, bidNextB, bidNextP, crypt, sentinel;
};
const Positions kU{8,  496, 500, 504, 488, 16,  4,   8,  0,   24,
                   32, 24,  20,  15,  20,  180, 516, 32, 513, 512};
const Positions kA{4,  500, 508, 504, 496, 12,  8,  4,  4,   12,
                   16, 12,  41,  31,  41,  164, 24, 28, 461, 460};
const Positions& pos(Layout l) {
    return l == Layout::Unicode ? kU : kA;
}

struct Leaf {
    uint64_t key;
    size_t offset; // of the entry in the file
};

// Walks a B-tree from its root, checking every page, and returns the leaf entries in order.
struct TreeWalk {
    const Bytes& file;
    const Positions& p;
    uint8_t ptype;
    int rootLevel = -1;
    int pages = 0;
    std::vector<Leaf> leaves;

    TreeWalk(const Bytes& f, const Positions& positions, uint8_t type)
        : file(f), p(positions), ptype(type) {}

    void page(uint64_t bid, uint64_t ib, int expectLevel, uint64_t expectFirst) {
        SCOPED_TRACE(testing::Message() << "page at 0x" << std::hex << ib);
        ASSERT_EQ(ib % 512, 0u);
        ++pages;
        EXPECT_EQ(file.at(ib + p.trailer), ptype);
        EXPECT_EQ(file.at(ib + p.trailer + 1), ptype);
        EXPECT_EQ(le(file, ib + p.trailer + 2, 2), sig(ib, bid));
        EXPECT_EQ(le(file, ib + p.pageBid, p.id), bid);
        EXPECT_EQ(le(file, ib + p.pageCrc, 4), bitCrc(file, ib, p.trailer));
        const int cEnt = file[ib + p.meta], level = file[ib + p.meta + 3];
        if (rootLevel < 0) rootLevel = level;
        if (expectLevel >= 0) {
            EXPECT_EQ(level, expectLevel);
        }
        const size_t entry = level ? p.btEntry : (ptype == 0x80 ? p.bbtEntry : p.nbtEntry);
        const size_t cap = level ? p.btCap : (ptype == 0x80 ? p.bbtCap : p.nbtCap);
        EXPECT_EQ(file[ib + p.meta + 1], cap);
        EXPECT_EQ(file[ib + p.meta + 2], entry);
        ASSERT_LE(size_t(cEnt), cap);
        if (cEnt > 0 && expectFirst != ~0ull) {
            EXPECT_EQ(le(file, ib, p.id), expectFirst);
        }
        for (int i = 0; i < cEnt; ++i) {
            const size_t at = ib + i * entry;
            const uint64_t key = le(file, at, p.id);
            if (level == 0) {
                if (!leaves.empty()) {
                    EXPECT_LT(leaves.back().key, key);
                }
                leaves.push_back({key, at});
            } else {
                page(le(file, at + p.id, p.id), le(file, at + 2 * p.id, p.id), level - 1, key);
            }
        }
    }
};

struct Param {
    Layout layout;
    uint8_t crypt;
};

std::string name(const testing::TestParamInfo<Param>& i) {
    return std::string(i.param.layout == Layout::Unicode ? "Unicode" : "Ansi") + "Crypt" +
           std::to_string(i.param.crypt);
}

Bytes pattern(size_t n, uint32_t seed) {
    std::mt19937 gen(seed);
    Bytes b(n);
    for (auto& x : b)
        x = uint8_t(gen());
    return b;
}

// A small but complete node database: plain blocks, a data tree, a subnode tree, nodes.
struct Sample {
    pstw::NdbWriter w;
    std::map<uint64_t, Bytes> external; // BID -> plain data
    Bytes file;

    explicit Sample(pstw::Options o, int nodes = 40) : w(o) {
        for (int i = 0; i < nodes; ++i) {
            Bytes d = pattern(50 + 37 * i, i);
            const uint64_t bid = w.addBlock(d);
            external[bid] = d;
            w.addNode(0x122 + 32 * uint64_t(nodes - i), bid, 0, 0x122);
        }
        const uint64_t tree = w.addDataTree(pattern(20000, 99));
        w.addNode(0x21, tree, w.addSubnodeTree({{0x3F, tree, 0}, {0x1F, tree, 0}}), 0);
        w.addNode((0x10005 << 5) | 0x04, tree, 0, 0x122); // a message NID
        file = w.finish();
    }
};

class WriterFile : public testing::TestWithParam<Param> {
protected:
    pstw::Options options() const {
        pstw::Options o;
        o.layout = GetParam().layout;
        o.crypt = GetParam().crypt;
        return o;
    }
};

INSTANTIATE_TEST_SUITE_P(AllLayouts, WriterFile,
                         testing::Values(Param{Layout::Unicode, 0}, Param{Layout::Unicode, 1},
                                         Param{Layout::Unicode, 2}, Param{Layout::Ansi, 0},
                                         Param{Layout::Ansi, 1}, Param{Layout::Ansi, 2}),
                         name);

TEST(WriterCrc, MatchesPublishedValueAndBitwiseForm) {
    const Bytes abc{'a', 'b', 'c'};
    EXPECT_EQ(pstw::crc(abc), 0xCA6598D0u);
    EXPECT_EQ(pstw::crc({}), 0u);
    const Bytes data = pattern(4099, 7);
    EXPECT_EQ(pstw::crc(data), bitCrc(data, 0, data.size()));
}

TEST(WriterCrypt, PermuteUsesMpbbRAndRoundTrips) {
    Bytes all(256);
    std::iota(all.begin(), all.end(), 0);
    Bytes enc = all;
    pstw::encodeBlock(enc, 1, 4);
    EXPECT_EQ(enc[0], 65); // mpbbR[0]
    EXPECT_EQ(enc[1], 54); // mpbbR[1]
    EXPECT_NE(enc, all);
    pstw::decodeBlock(enc, 1, 4);
    EXPECT_EQ(enc, all);
}

TEST(WriterCrypt, CyclicKeyAdvancesPerByteAndRoundTrips) {
    // BID 0x00012345 gives w = 0x2344 for the first byte and 0x2345 for the second, which
    // is the w of the first byte under BID 0x00012344.
    Bytes two{0x5A, 0x5A}, one{0x5A};
    pstw::encodeBlock(two, 2, 0x00012345);
    pstw::encodeBlock(one, 2, 0x00012344);
    EXPECT_EQ(two[1], one[0]);
    for (uint64_t bid : {4ull, 0x00012345ull, 0xFFFFFFFCull, 0x123456789ABCull}) {
        const Bytes plain = pattern(1000, uint32_t(bid));
        Bytes b = plain;
        pstw::encodeBlock(b, 2, bid);
        EXPECT_NE(b, plain);
        pstw::decodeBlock(b, 2, bid);
        EXPECT_EQ(b, plain) << bid;
    }
}

TEST_P(WriterFile, HeaderFieldsAndBothCrcs) {
    Sample s(options());
    const Bytes& f = s.file;
    const Positions& p = pos(GetParam().layout);
    const bool u = GetParam().layout == Layout::Unicode;
    EXPECT_EQ(le(f, 0, 4), 0x4E444221u); // "!BDN"
    EXPECT_EQ(f[8], 'S');
    EXPECT_EQ(f[9], 'M');
    EXPECT_EQ(le(f, 10, 2), u ? 23u : 14u);
    EXPECT_EQ(le(f, 12, 2), 19u);
    EXPECT_EQ(f[14], 1);
    EXPECT_EQ(f[15], 1);
    EXPECT_EQ(f[p.sentinel], 0x80);
    EXPECT_EQ(f[p.crypt], GetParam().crypt);
    EXPECT_EQ(le(f, 4, 4), bitCrc(f, 8, 471));
    if (u) {
        EXPECT_EQ(le(f, 524, 4), bitCrc(f, 8, 516));
    }

    const size_t r = p.root + 4, w = p.id;
    EXPECT_EQ(le(f, r, w), f.size());                     // ibFileEof
    EXPECT_EQ(le(f, r + w, w), s.w.amapOffsets().back()); // ibAMapLast
    EXPECT_EQ(le(f, r + 3 * w, w), 0u);                   // cbPMapFree
    EXPECT_EQ(le(f, r + 4 * w, w), s.w.nbtRoot().bid);
    EXPECT_EQ(le(f, r + 5 * w, w), s.w.nbtRoot().ib);
    EXPECT_EQ(le(f, r + 6 * w, w), s.w.bbtRoot().bid);
    EXPECT_EQ(le(f, r + 7 * w, w), s.w.bbtRoot().ib);
    EXPECT_EQ(f[r + 8 * w], 2); // fAMapValid

    uint64_t maxBlock = 0, maxPage = 0;
    for (const auto& b : s.w.blocks())
        maxBlock = std::max(maxBlock, b.bid);
    for (const auto& pg : s.w.pages())
        maxPage = std::max(maxPage, pg.bid);
    EXPECT_GT(le(f, p.bidNextB, w), maxBlock);
    EXPECT_GT(le(f, p.bidNextP, w), maxPage);
    const size_t rgnid = u ? 44 : 36;
    EXPECT_EQ(le(f, rgnid + 2 * 4, 4), 0x400u);   // NID_TYPE_NORMAL_FOLDER floor
    EXPECT_EQ(le(f, rgnid + 3 * 4, 4), 0x4000u);  // NID_TYPE_SEARCH_FOLDER floor
    EXPECT_EQ(le(f, rgnid + 4 * 4, 4), 0x10006u); // past the highest message NID
}

TEST_P(WriterFile, AllocationMapsMarkEveryBlockAndPage) {
    Sample s(options());
    const Bytes& f = s.file;
    const Positions& p = pos(GetParam().layout);
    ASSERT_EQ(s.w.amapOffsets(), std::vector<uint64_t>{0x4400});
    ASSERT_EQ(s.w.pmapOffsets(), std::vector<uint64_t>{0x4600});
    EXPECT_EQ(f.size(), 0x4400u + 253952u);
    for (auto [at, ptype] : {std::pair<uint64_t, uint8_t>{0x4400, 0x84}, {0x4600, 0x83}}) {
        EXPECT_EQ(f[at + p.trailer], ptype);
        EXPECT_EQ(f[at + p.trailer + 1], ptype);
        EXPECT_EQ(le(f, at + p.trailer + 2, 2), 0u); // wSig of map pages
        EXPECT_EQ(le(f, at + p.pageBid, p.id), at);  // their BID is their offset
        EXPECT_EQ(le(f, at + p.pageCrc, 4), bitCrc(f, at, p.trailer));
    }
    auto bit = [&](uint64_t off) {
        const uint64_t slot = (off - 0x4400) / 64;
        return (f[0x4400 + p.mapBits + slot / 8] >> (7 - slot % 8)) & 1;
    };
    std::vector<int> owner(496 * 8, 0);
    auto claim = [&](uint64_t off, uint64_t size) {
        for (uint64_t o = off; o < off + size; o += 64) {
            EXPECT_EQ(bit(o), 1) << std::hex << o;
            EXPECT_EQ(owner[(o - 0x4400) / 64]++, 0) << "overlap at " << std::hex << o;
        }
    };
    claim(0x4400, 1024);
    for (const auto& b : s.w.blocks())
        claim(b.offset, b.size);
    for (const auto& pg : s.w.pages())
        claim(pg.offset, 512);
    uint64_t freeSlots = 0;
    for (size_t i = 0; i < owner.size(); ++i) {
        if (!owner[i]) {
            EXPECT_EQ(bit(0x4400 + i * 64), 0);
        }
        freeSlots += owner[i] == 0;
    }
    EXPECT_EQ(le(f, p.root + 4 + 2 * p.id, p.id), freeSlots * 64); // cbAMapFree
    EXPECT_EQ(f[0x4600 + p.mapBits], 0xFF); // PMap left all ones, as Outlook does
}

TEST_P(WriterFile, BlocksCarryTrailersAndTheirEncoding) {
    Sample s(options());
    const Bytes& f = s.file;
    const Positions& p = pos(GetParam().layout);
    uint64_t prev = 0;
    for (const auto& b : s.w.blocks()) {
        SCOPED_TRACE(testing::Message() << "block 0x" << std::hex << b.bid);
        EXPECT_GT(b.bid, prev);
        prev = b.bid;
        EXPECT_EQ(b.offset % 64, 0u);
        EXPECT_EQ(b.size, (b.cb + p.blockTrailer + 63) / 64 * 64);
        const size_t t = b.offset + b.size - p.blockTrailer;
        EXPECT_EQ(le(f, t, 2), b.cb);
        EXPECT_EQ(le(f, t + 2, 2), sig(b.offset, b.bid));
        EXPECT_EQ(le(f, t + p.blockCrc, 4), bitCrc(f, b.offset, b.cb));
        EXPECT_EQ(le(f, t + p.blockBid, p.id), b.bid);
        EXPECT_EQ(b.bid & 1, 0u);
        auto plain = s.external.find(b.bid);
        if (plain == s.external.end()) continue;
        EXPECT_EQ(b.bid & 2, 0u);
        Bytes stored(f.begin() + b.offset, f.begin() + b.offset + b.cb);
        EXPECT_EQ(stored == plain->second, GetParam().crypt == 0);
        pstw::decodeBlock(stored, GetParam().crypt, b.bid);
        EXPECT_EQ(stored, plain->second);
    }
}

TEST_P(WriterFile, TreesHoldEveryBlockAndNodeSorted) {
    Sample s(options());
    const Positions& p = pos(GetParam().layout);
    TreeWalk bbt{s.file, p, 0x80};
    bbt.page(s.w.bbtRoot().bid, s.w.bbtRoot().ib, -1, ~0ull);
    ASSERT_EQ(bbt.leaves.size(), s.w.blocks().size());
    for (size_t i = 0; i < bbt.leaves.size(); ++i) {
        const auto& b = s.w.blocks()[i]; // added in increasing BID order
        const size_t at = bbt.leaves[i].offset;
        EXPECT_EQ(bbt.leaves[i].key, b.bid);
        EXPECT_EQ(le(s.file, at + p.id, p.id), b.offset);
        EXPECT_EQ(le(s.file, at + 2 * p.id, 2), b.cb);
        EXPECT_EQ(le(s.file, at + 2 * p.id + 2, 2), 2u); // cRef
    }
    TreeWalk nbt{s.file, p, 0x81};
    nbt.page(s.w.nbtRoot().bid, s.w.nbtRoot().ib, -1, ~0ull);
    ASSERT_EQ(nbt.leaves.size(), 42u);
    EXPECT_EQ(nbt.leaves.front().key, 0x21u);
    EXPECT_EQ(le(s.file, nbt.leaves[1].offset + 3 * p.id, 4), 0x122u); // nidParent
    EXPECT_EQ(bbt.pages + nbt.pages, int(s.w.pages().size()));
}

struct LevelCase {
    Layout layout;
    int perPage, nodes, rootLevel;
};

class WriterTreeLevels : public testing::TestWithParam<LevelCase> {};

INSTANTIATE_TEST_SUITE_P(
    Depths, WriterTreeLevels,
    testing::Values(LevelCase{Layout::Unicode, 0, 0, 0}, LevelCase{Layout::Unicode, 0, 15, 0},
                    LevelCase{Layout::Unicode, 0, 16, 1}, LevelCase{Layout::Unicode, 0, 300, 1},
                    LevelCase{Layout::Unicode, 0, 301, 2}, LevelCase{Layout::Ansi, 0, 31, 0},
                    LevelCase{Layout::Ansi, 0, 32, 1}, LevelCase{Layout::Unicode, 3, 9, 1},
                    LevelCase{Layout::Unicode, 3, 10, 2}, LevelCase{Layout::Ansi, 3, 28, 3},
                    LevelCase{Layout::Ansi, 1, 4, 2}));

TEST_P(WriterTreeLevels, IntermediateLevelsAppearWhenAPageOverflows) {
    const LevelCase c = GetParam();
    pstw::NdbWriter w({c.layout, 1, c.perPage});
    for (int i = c.nodes; i > 0; --i)
        w.addNode(0x21 + 32 * uint64_t(i), w.addBlock(pattern(10, i)), 0, 0);
    const Bytes f = w.finish();
    TreeWalk nbt{f, pos(c.layout), 0x81};
    nbt.page(w.nbtRoot().bid, w.nbtRoot().ib, -1, ~0ull);
    EXPECT_EQ(nbt.rootLevel, c.rootLevel);
    EXPECT_EQ(nbt.leaves.size(), size_t(c.nodes));
    // The root is laid out last: the highest page BID at the highest offset of its tree.
    for (const auto& pg : w.pages())
        if (pg.nbt) {
            EXPECT_LE(pg.bid, w.nbtRoot().bid);
        }
}

TEST(WriterDataTree, XBlockOverThreeDataBlocks) {
    for (Layout l : {Layout::Unicode, Layout::Ansi}) {
        pstw::NdbWriter w({l, 2});
        const size_t max = l == Layout::Unicode ? 8176 : 8180;
        const Bytes data = pattern(2 * max + 100, 5);
        const uint64_t bid = w.addDataTree(data);
        const Bytes f = w.finish();
        ASSERT_EQ(bid & 2, 2u);
        const auto x = *w.block(bid);
        const size_t id = pos(l).id;
        EXPECT_EQ(f[x.offset], 0x01);
        EXPECT_EQ(f[x.offset + 1], 0x01);
        EXPECT_EQ(le(f, x.offset + 2, 2), 3u);
        EXPECT_EQ(le(f, x.offset + 4, 4), data.size());
        EXPECT_EQ(x.cb, 8 + 3 * id);
        Bytes joined;
        for (int i = 0; i < 3; ++i) {
            const auto b = *w.block(le(f, x.offset + 8 + i * id, id));
            EXPECT_EQ(b.cb, i < 2 ? max : 100);
            Bytes part(f.begin() + b.offset, f.begin() + b.offset + b.cb);
            pstw::decodeBlock(part, 2, b.bid);
            joined.insert(joined.end(), part.begin(), part.end());
        }
        EXPECT_EQ(joined, data);
    }
}

TEST(WriterDataTree, SmallDataIsOneBlockAndLargeDataAnXXBlock) {
    pstw::Options o;
    o.maxBlockData = 100;
    o.maxEntriesPerInternalBlock = 3;
    pstw::NdbWriter w(o);
    EXPECT_EQ(w.addDataTree(pattern(100, 1)) & 2, 0u);
    const uint64_t xx = w.addDataTree(pattern(500, 2)); // 5 blocks under 2 XBLOCKs
    const Bytes f = w.finish();
    const auto b = *w.block(xx);
    EXPECT_EQ(f[b.offset], 0x01);
    EXPECT_EQ(f[b.offset + 1], 0x02);
    EXPECT_EQ(le(f, b.offset + 2, 2), 2u);
    EXPECT_EQ(le(f, b.offset + 4, 4), 500u);
    const auto last = *w.block(le(f, b.offset + 8 + 8, 8));
    EXPECT_EQ(f[last.offset + 1], 0x01);
    EXPECT_EQ(le(f, last.offset + 2, 2), 2u);
    EXPECT_EQ(le(f, last.offset + 4, 4), 200u);
    EXPECT_THROW(w.addDataTree(pattern(901, 3)), std::length_error);
    EXPECT_THROW(w.addBlock(pattern(8177, 3)), std::length_error);
}

TEST(WriterSubnodes, SlBlockSortedAndSiBlockWhenFull) {
    for (Layout l : {Layout::Unicode, Layout::Ansi}) {
        pstw::Options o;
        o.layout = l;
        o.maxEntriesPerInternalBlock = 3;
        pstw::NdbWriter w(o);
        const uint64_t data = w.addBlock(pattern(10, 1));
        const uint64_t sl = w.addSubnodeTree({{0x9F, data, 0}, {0x3F, data, 8}});
        const uint64_t si = w.addSubnodeTree(
            {{0x5F, data, 0}, {0x1F, data, 0}, {0x3F, data, 0}, {0x7F, data, 0}, {0x9F, data, 0}});
        const Bytes f = w.finish();
        const size_t id = pos(l).id, head = l == Layout::Unicode ? 8 : 4;
        const auto b = *w.block(sl);
        EXPECT_EQ(le(f, b.offset, 2), 0x0002u); // btype 2, cLevel 0
        EXPECT_EQ(le(f, b.offset + 2, 2), 2u);
        EXPECT_EQ(le(f, b.offset + head, id), 0x3Fu);
        EXPECT_EQ(le(f, b.offset + head + id, id), data);
        EXPECT_EQ(le(f, b.offset + head + 2 * id, id), 8u);
        EXPECT_EQ(le(f, b.offset + head + 3 * id, id), 0x9Fu);
        const auto s = *w.block(si);
        EXPECT_EQ(le(f, s.offset, 2), 0x0102u); // btype 2, cLevel 1
        EXPECT_EQ(le(f, s.offset + 2, 2), 2u);
        EXPECT_EQ(le(f, s.offset + head, id), 0x1Fu); // first NID of each SLBLOCK
        EXPECT_EQ(le(f, s.offset + head + 2 * id, id), 0x7Fu);
        const auto second = *w.block(le(f, s.offset + head + 3 * id, id));
        EXPECT_EQ(le(f, second.offset + 2, 2), 2u);
    }
}

TEST(WriterLayout, LargeFilesGetFurtherAMapsAndBlocksAvoidThem) {
    pstw::NdbWriter w({Layout::Ansi, 1});
    for (int i = 0; i < 100; ++i)
        w.addBlock(pattern(8180, i));
    const Bytes f = w.finish();
    ASSERT_EQ(w.amapOffsets().size(), 4u);
    EXPECT_EQ(w.pmapOffsets(), std::vector<uint64_t>{0x4600});
    EXPECT_EQ(f.size(), 0x4400u + 4 * 253952u);
    for (uint64_t a : w.amapOffsets()) {
        EXPECT_EQ(f[a + 500], 0x84);
        EXPECT_EQ(f[a + 4], 0xFF); // the AMap maps itself
        for (const auto& b : w.blocks())
            EXPECT_TRUE(b.offset >= a + 512 || b.offset + b.size <= a) << std::hex << b.offset;
    }
}

TEST(WriterReseal, RestoresChecksumsAfterDeliberateEdits) {
    Sample s({Layout::Unicode, 1});
    Bytes f = s.file;
    const uint64_t at = s.w.nbtRootOffset();
    f[at + 1] ^= 0x40;
    f[20] ^= 1;
    EXPECT_NE(le(f, at + 500, 4), bitCrc(f, at, 496));
    pstw::resealPage(f, at, Layout::Unicode);
    pstw::resealHeader(f, Layout::Unicode);
    EXPECT_EQ(le(f, at + 500, 4), bitCrc(f, at, 496));
    EXPECT_EQ(le(f, 4, 4), bitCrc(f, 8, 471));
    EXPECT_EQ(le(f, 524, 4), bitCrc(f, 8, 516));
}

// libpff opens the header, checks its CRC, reads the allocation maps and both B-trees.
TEST_P(WriterFile, PffinfoReadsHeaderAndAllocationTables) {
    if (std::system("command -v pffinfo >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "pffinfo (pff-tools) is not installed; independent reader check skipped";
    // No message store node: pffinfo would go on to read it as a property context.
    pstw::Options o = options();
    o.maxEntriesPerPage = 3;
    pstw::NdbWriter w(o);
    for (int i = 1; i <= 30; ++i)
        w.addNode(0x22 + 32 * uint64_t(i), w.addBlock(pattern(40 * i, i)), 0, 0);
    const uint64_t tree = w.addDataTree(pattern(30000, 3));
    w.addNode(0x8022, tree, w.addSubnodeTree({{0x1F, tree, 0}}), 0);
    const Bytes file = w.finish();
    const auto dir = std::filesystem::temp_directory_path();
    const std::string base = (dir / ("pstw_" + name({GetParam(), 0}))).string();
    pstw::writeFile(base + ".pst", file);
    const int rc = std::system(("pffinfo -a '" + base + ".pst' >'" + base + ".out' 2>&1").c_str());
    std::ifstream in(base + ".out");
    std::stringstream out;
    out << in.rdbuf();
    EXPECT_EQ(rc, 0) << out.str();
    EXPECT_EQ(out.str().find("unable"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find(GetParam().layout == Layout::Unicode ? "64-bit" : "32-bit"),
              std::string::npos);
    std::filesystem::remove(base + ".pst");
    std::filesystem::remove(base + ".out");
}

// [MS-PST] 2.2.2.7.4: the header's rgbFM stands for the first 128 AMaps; the 129th interval
// holds, after its AMap and PMap, the first FMap page, one byte per AMap from there on.
constexpr uint64_t kInterval = 253952;
constexpr uint64_t kFirstFMapInterval = 128;
constexpr uint64_t kFirstFMapOffset = 0x4400 + kFirstFMapInterval * kInterval + 1024;

// Longest run of clear bits in the AMap at `amap`, counted here from the page itself.
int longestFreeRun(const Bytes& f, uint64_t amap, size_t mapBits) {
    int best = 0, run = 0;
    for (size_t s = 0; s < 496 * 8; ++s) {
        const bool used = (f[amap + mapBits + s / 8] >> (7 - s % 8)) & 1;
        run = used ? 0 : run + 1;
        best = std::max(best, run);
    }
    return std::min(best, 255);
}

TEST(WriterLayout, FilesBeyond128AMapsGetAnFMapPage) {
    pstw::NdbWriter w({Layout::Ansi, 1});
    // 8192 bytes each in the file, 30 to an interval: just past the 129th AMap.
    for (size_t i = 0; i < 3875; ++i)
        w.addBlock(Bytes(8180, uint8_t(i)));
    const Bytes f = w.finish();
    const Positions& p = pos(Layout::Ansi);
    const size_t amaps = w.amapOffsets().size();
    ASSERT_GE(amaps, 130u);
    ASSERT_LT(amaps, 140u);
    ASSERT_EQ(w.fmapOffsets(), std::vector<uint64_t>{kFirstFMapOffset});
    EXPECT_EQ(w.pmapOffsets().size(), (amaps + 7) / 8);
    EXPECT_EQ(w.pmapOffsets().back(), kFirstFMapOffset - 512);
    const uint64_t at = kFirstFMapOffset;
    EXPECT_EQ(f[at + p.trailer], 0x82);
    EXPECT_EQ(f[at + p.trailer + 1], 0x82);
    EXPECT_EQ(le(f, at + p.trailer + 2, 2), 0u);
    EXPECT_EQ(le(f, at + p.pageBid, p.id), at);
    EXPECT_EQ(le(f, at + p.pageCrc, 4), bitCrc(f, at, p.trailer));
    // The interval's AMap claims its three map pages, and nothing else lies on them.
    const uint64_t amap = w.amapOffsets()[kFirstFMapInterval];
    EXPECT_EQ(le(f, amap + p.mapBits, 3), 0xFFFFFFu);
    for (const auto& b : w.blocks())
        EXPECT_TRUE(b.offset >= amap + 1536 || b.offset + b.size <= amap) << std::hex << b.offset;
    for (const auto& pg : w.pages())
        EXPECT_TRUE(pg.offset >= amap + 1536 || pg.offset < amap) << std::hex << pg.offset;
    EXPECT_TRUE(w.isMapPage(at));
    for (size_t k = 0; k + kFirstFMapInterval < amaps; ++k)
        EXPECT_EQ(f[at + p.mapBits + k],
                  longestFreeRun(f, w.amapOffsets()[kFirstFMapInterval + k], p.mapBits))
            << k;
    EXPECT_EQ(f[at + p.mapBits + amaps - kFirstFMapInterval], 0);       // no AMap there yet
    EXPECT_EQ(f[at + p.mapBits + amaps - kFirstFMapInterval - 1], 255); // the free tail
    EXPECT_EQ(le(f, p.root + 4, p.id), f.size());                       // ibFileEof
    EXPECT_EQ(le(f, p.root + 4 + p.id, p.id), w.amapOffsets().back());  // ibAMapLast
    EXPECT_EQ(std::count(f.begin() + 204, f.begin() + 460, 0xFF), 256); // rgbFM and rgbFP
}

// A mailbox of about 40 MB, beyond the first FMap, with attachments large enough for an
// XXBLOCK (Unicode) or a full XBLOCK (ANSI), written straight to disk.
class WriterLargeMailbox : public testing::TestWithParam<Param> {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("pstw_large_" + name({GetParam(), 0}) + "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        pstw::Folder inbox{"Inbox"};
        const size_t sizes[] = {14000000, 13000000, 12000000, 200000, 0};
        for (size_t i = 0; i < std::size(sizes); ++i) {
            pstw::Item item;
            item.subject = "Large " + std::to_string(i);
            item.senderName = "Alice";
            item.senderAddress = "alice@example.com";
            item.body = "Body " + std::to_string(i);
            if (sizes[i]) {
                pstw::Attachment a;
                a.longFileName = "part" + std::to_string(i) + ".bin";
                a.data = pattern(sizes[i], uint32_t(i + 11));
                pstw::writeFile((dir_ / a.longFileName).string(), a.data);
                item.attachments.push_back(std::move(a));
            }
            inbox.items.push_back(std::move(item));
        }
        mailbox_.ipmSubtree.folders.push_back(std::move(inbox));
        writer_ = std::make_unique<pstw::MailboxWriter>(
            pstw::Options{GetParam().layout, GetParam().crypt});
        file_ = dir_ / "large.pst";
        writer_->write(mailbox_, file_.string());
        fmaps_ = writer_->ndb().fmapOffsets();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // In one read: a stream iterator goes byte by byte, slow on 40 MB under the sanitizers.
    static Bytes readAll(const std::filesystem::path& p) {
        Bytes bytes(std::filesystem::file_size(p));
        std::ifstream(p, std::ios::binary)
            .read(reinterpret_cast<char*>(bytes.data()), bytes.size());
        return bytes;
    }
    int run(const std::string& command) {
        return std::system((command + " >'" + (dir_ / "log.txt").string() + "' 2>&1").c_str());
    }
    std::string log() const {
        std::ifstream in(dir_ / "log.txt");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::filesystem::path dir_, file_;
    pstw::Mailbox mailbox_;
    // Kept for the one test that builds the file again in memory: the others need not.
    std::unique_ptr<pstw::MailboxWriter> writer_;
    std::vector<uint64_t> fmaps_;
};

INSTANTIATE_TEST_SUITE_P(Layouts, WriterLargeMailbox,
                         testing::Values(Param{Layout::Unicode, 1}, Param{Layout::Ansi, 2}), name);

TEST_P(WriterLargeMailbox, StreamedFileMatchesTheInMemoryOneAndPffinfoAcceptsIt) {
    EXPECT_TRUE(writer_->ndb().finish() == readAll(file_));
    ASSERT_EQ(fmaps_, std::vector<uint64_t>{kFirstFMapOffset});
    EXPECT_GT(std::filesystem::file_size(file_), kFirstFMapOffset);
    if (std::system("command -v pffinfo >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "pffinfo (pff-tools) is not installed";
    EXPECT_EQ(run("pffinfo -a '" + file_.string() + "'"), 0) << log();
    EXPECT_EQ(log().find("unable"), std::string::npos) << log();
}

TEST_P(WriterLargeMailbox, PypffReadsEveryAttachmentWhole) {
    if (std::system("/usr/bin/python3 -c 'import pypff' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3-pypff is not installed";
    std::ofstream(dir_ / "read.py") << R"PY(
import os, sys, pypff
f = pypff.file()
f.open(sys.argv[1])
# pypff gives no attachment names; the sizes tell the expected files apart.
expected = {}
for n in os.listdir(sys.argv[2]):
    if n.endswith(".bin"):
        expected[os.path.getsize(os.path.join(sys.argv[2], n))] = n
def walk(folder):
    for m in folder.sub_messages:
        for i in range(m.number_of_attachments):
            a = m.get_attachment(i)
            data = a.read_buffer(a.size)
            n = expected.get(len(data), "?")
            want = open(os.path.join(sys.argv[2], n), "rb").read() if n != "?" else None
            print("%s %s %d" % ("OK" if data == want else "BAD", n, len(data)))
    for s in folder.sub_folders:
        walk(s)
walk(f.root_folder)
)PY";
    ASSERT_EQ(run("/usr/bin/python3 '" + (dir_ / "read.py").string() + "' '" + file_.string() +
                  "' '" + dir_.string() + "'"),
              0)
        << log();
    const std::string out = log();
    for (const char* line : {"OK part0.bin 14000000", "OK part1.bin 13000000",
                             "OK part2.bin 12000000", "OK part3.bin 200000"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
    EXPECT_EQ(out.find("BAD"), std::string::npos) << out;
}

TEST_P(WriterLargeMailbox, PffexportWritesEveryMessageAndAttachment) {
    if (std::system("command -v pffexport >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "pffexport (pff-tools) is not installed";
    const std::filesystem::path target = dir_ / "pff";
    ASSERT_EQ(run("pffexport -q -t '" + target.string() + "' '" + file_.string() + "'"), 0)
        << log();
    const auto inbox =
        std::filesystem::path(target.string() + ".export") / "Top of Personal Folders" / "Inbox";
    size_t messages = 0, matched = 0;
    for (const auto& m : std::filesystem::directory_iterator(inbox)) {
        ++messages;
        const auto atts = m.path() / "Attachments";
        if (!std::filesystem::is_directory(atts)) continue;
        for (const auto& a : std::filesystem::directory_iterator(atts)) {
            const std::string fn = a.path().filename().string();
            const std::string stored = fn.substr(fn.find('_') + 1);
            EXPECT_EQ(readAll(a.path()), readAll(dir_ / stored)) << fn;
            ++matched;
        }
    }
    EXPECT_EQ(messages, 5u);
    EXPECT_EQ(matched, 4u);
}

} // namespace

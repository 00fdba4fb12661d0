// Hand-made file images for engine tests that need one exact page or block:
// little-endian pokes into a byte vector, a minimal header, B-tree pages with
// their trailers, and a temporary file the engine can open.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/uPST64Format.h"

namespace testimg {

struct FileImage {
    std::vector<uint8_t> bytes;
    bool unicode = true;

    explicit FileImage(bool isUnicode, size_t size = 0x8000) : bytes(size, 0), unicode(isUnicode) {}

    void grow(size_t end) {
        if (bytes.size() < end) bytes.resize(end, 0);
    }
    void put8(size_t off, uint8_t v) {
        grow(off + 1);
        bytes[off] = v;
    }
    void put16(size_t off, uint16_t v) {
        for (int i = 0; i < 2; ++i)
            put8(off + i, uint8_t(v >> (8 * i)));
    }
    void put32(size_t off, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            put8(off + i, uint8_t(v >> (8 * i)));
    }
    void put64(size_t off, uint64_t v) {
        for (int i = 0; i < 8; ++i)
            put8(off + i, uint8_t(v >> (8 * i)));
    }
    // An identifier of the layout's width (4 or 8 bytes).
    void putId(size_t off, uint64_t v) { unicode ? put64(off, v) : put32(off, uint32_t(v)); }
    void putBytes(size_t off, const std::vector<uint8_t>& data) {
        grow(off + data.size());
        std::copy(data.begin(), data.end(), bytes.begin() + off);
    }

    // "!BDN", wVer and the header roots of the layout.
    void header(uint8_t crypt, uint64_t bidNBT, uint64_t ibNBT, uint64_t bidBBT, uint64_t ibBBT) {
        put32(0, 0x4E444221);
        put16(10, unicode ? 23 : 14);
        const theaderoffsets& h = unicode ? kUnicodeHeader : kAnsiHeader;
        put8(h.bCryptMethod, crypt);
        putId(h.bidNBT, bidNBT);
        putId(h.ibNBT, ibNBT);
        putId(h.bidBBT, bidBBT);
        putId(h.ibBBT, ibBBT);
        putId(h.ibFileEof, bytes.size());
    }

    // A B-tree page at `off`: entries are laid out by the caller through
    // entry(); this writes cEnt, cLevel, the type, the trailer BID and CRC.
    void page(size_t off, bool nbt, int level, int cEnt, uint64_t bid, int cEntMax = -1) {
        const tpageoffsets& po = PageOffsets(unicode);
        int entrySize = (nbt && level == 0) ? po.cbNbtEntry : po.cbBtEntry;
        put8(off + po.cEnt, uint8_t(cEnt));
        put8(off + po.cEntMax, uint8_t(cEntMax >= 0 ? cEntMax : (unicode ? 488 : 496) / entrySize));
        put8(off + po.cEnt + 2, uint8_t(entrySize));
        put8(off + po.cLevel, uint8_t(level));
        put8(off + po.trailer, nbt ? 0x81 : 0x80);
        put8(off + po.trailer + 1, nbt ? 0x81 : 0x80);
        putId(off + po.bid, bid);
        put32(off + po.crc, ComputeCrc(po.cbCrc, bytes.data() + off));
    }
    void resealPage(size_t off) {
        const tpageoffsets& po = PageOffsets(unicode);
        put32(off + po.crc, ComputeCrc(po.cbCrc, bytes.data() + off));
    }
    // BTENTRY i of an intermediate page.
    void btEntry(size_t page, int i, uint64_t key, uint64_t bid, uint64_t ib) {
        const tpageoffsets& po = PageOffsets(unicode);
        size_t e = page + size_t(i) * po.cbBtEntry;
        putId(e, key);
        putId(e + po.cbId, bid);
        putId(e + 2 * po.cbId, ib);
    }
    // BBTENTRY i of a BBT leaf page.
    void bbtEntry(size_t page, int i, uint64_t bid, uint64_t ib, uint16_t cb) {
        const tpageoffsets& po = PageOffsets(unicode);
        size_t e = page + size_t(i) * po.cbBtEntry;
        putId(e, bid);
        putId(e + po.cbId, ib);
        put16(e + 2 * po.cbId, cb);
        put16(e + 2 * po.cbId + 2, 1);
    }
    // NBTENTRY i of an NBT leaf page.
    void nbtEntry(size_t page, int i, uint64_t nid, uint64_t bidData, uint64_t bidSub,
                  uint32_t nidParent) {
        const tpageoffsets& po = PageOffsets(unicode);
        size_t e = page + size_t(i) * po.cbNbtEntry;
        putId(e, nid);
        putId(e + po.cbId, bidData);
        putId(e + 2 * po.cbId, bidSub);
        put32(e + 3 * po.cbId, nidParent);
    }

    std::string save(const std::string& name) const {
        std::string path = ::testing::TempDir() + "/" + name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }
};

// A unique file name for the running test.
inline std::string TestFileName(const char* suffix = ".pst") {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name() + suffix;
    for (char& c : name)
        if (c == '/') c = '_';
    return name;
}

// Opens the image as a file; the test fails if the open does.
inline void OpenImage(const FileImage& img, tpstfile& file) {
    std::string path = img.save(TestFileName());
    ASSERT_EQ(OpenPstFile(&file, path), 0);
}

inline tblockentry Block(int64_t bid, int64_t ib = 0, uint32_t cb = 0) {
    tblockentry e;
    e.bid = bid;
    e.ib = ib;
    e.cb = cb;
    return e;
}

inline std::unique_ptr<tnodeentry> Node(uint64_t nid, uint64_t nidParent) {
    auto n = std::make_unique<tnodeentry>();
    n->nid = nid;
    n->nidParent = nidParent;
    return n;
}

} // namespace testimg

// Hand-made heaps for the tests of the heap, property context, table context
// and named property map readers: heap pages with their page maps, PC and TC
// layouts, and a file image that places (and encodes) blocks for the engine.
#pragma once

#include <array>
#include <cstring>

#include "tests/engine/ndb/FileImage.h"

namespace ltpimg {

using bytes = std::vector<uint8_t>;

inline void Put16(bytes& b, size_t off, uint16_t v) {
    if (b.size() < off + 2) b.resize(off + 2);
    b[off] = uint8_t(v);
    b[off + 1] = uint8_t(v >> 8);
}
inline void Put32(bytes& b, size_t off, uint32_t v) {
    Put16(b, off, uint16_t(v));
    Put16(b, off + 2, uint16_t(v >> 16));
}
inline void Put64(bytes& b, size_t off, uint64_t v) {
    Put32(b, off, uint32_t(v));
    Put32(b, off + 4, uint32_t(v >> 32));
}
inline bytes U32(uint32_t v) {
    bytes b;
    Put32(b, 0, v);
    return b;
}
inline bytes U64(uint64_t v) {
    bytes b;
    Put64(b, 0, v);
    return b;
}
// UTF-16LE of an ASCII or BMP text given as code units.
inline bytes Utf16(std::u16string_view text) {
    bytes b;
    for (char16_t c : text) {
        b.push_back(uint8_t(c));
        b.push_back(uint8_t(c >> 8));
    }
    return b;
}

// The HID of allocation `index` (1-based) in heap page `page`.
inline uint32_t Hid(uint32_t page, uint32_t index) {
    return (page << 16) | (index << 5);
}

// One heap page: a header, allocations in order, then the page map.
class HeapPage {
public:
    // headerSize 12 for the first page (HNHDR), 2 for HNPAGEHDR, 66 for HNBITMAPHDR.
    HeapPage(uint32_t pageIndex, size_t headerSize = 12) : page_(pageIndex), data_(headerSize, 0) {}

    uint32_t Add(const bytes& alloc) {
        starts_.push_back(uint16_t(data_.size()));
        data_.insert(data_.end(), alloc.begin(), alloc.end());
        return Hid(page_, uint32_t(starts_.size()));
    }
    // HNHDR of the first page: bSig 0xEC, the client signature and hidUserRoot.
    void Header(uint8_t clientSig, uint32_t hidUserRoot) {
        data_[2] = 0xEC;
        data_[3] = clientSig;
        Put32(data_, 4, hidUserRoot);
    }
    bytes Build() const {
        bytes out = data_;
        const uint16_t end = uint16_t(out.size());
        if (out.size() % 2) out.push_back(0);
        uint16_t ibHnpm = uint16_t(out.size());
        Put16(out, 0, ibHnpm);
        Put16(out, ibHnpm, uint16_t(starts_.size()));
        Put16(out, ibHnpm + 2, 0);
        size_t at = ibHnpm + 4;
        for (uint16_t s : starts_) {
            Put16(out, at, s);
            at += 2;
        }
        Put16(out, at, end); // end of the last allocation
        return out;
    }

private:
    uint32_t page_;
    bytes data_;
    std::vector<uint16_t> starts_;
};

inline bytes BthHeader(uint8_t cbKey, uint8_t cbEnt, uint8_t levels, uint32_t hidRoot) {
    bytes b = {0xB5, cbKey, cbEnt, levels};
    Put32(b, 4, hidRoot);
    return b;
}

struct PcRecord {
    uint16_t id;
    uint16_t type;
    uint32_t field;
};

// A one-page property context: the records (sorted by the caller) and any
// allocations added before Build().
class PcHeap {
public:
    HeapPage page{0};
    std::vector<PcRecord> records;

    uint32_t Value(const bytes& b) { return page.Add(b); }
    void Add(uint16_t id, uint16_t type, uint32_t field) { records.push_back({id, type, field}); }
    bytes Build(uint8_t cbEnt = 6, uint8_t levels = 0, size_t trailing = 0) {
        bytes recs;
        for (const auto& r : records) {
            size_t at = recs.size();
            Put16(recs, at, r.id);
            Put16(recs, at + 2, r.type);
            Put32(recs, at + 4, r.field);
        }
        recs.resize(recs.size() + trailing, 0xAA);
        uint32_t root = page.Add(recs);
        uint32_t header = page.Add(BthHeader(2, cbEnt, levels, root));
        page.Header(0xBC, header);
        return page.Build();
    }
};

struct TcColumn {
    uint16_t type;
    uint16_t id;
    uint16_t ib;
    uint8_t cb;
};

inline bytes TcInfo(const std::vector<TcColumn>& cols, uint16_t rowWidth, uint32_t hidRowIndex,
                    uint32_t hnidRows) {
    bytes b = {0x7C, uint8_t(cols.size())};
    Put16(b, 2, rowWidth);
    Put16(b, 4, rowWidth);
    Put16(b, 6, rowWidth);
    Put16(b, 8, rowWidth);
    Put32(b, 10, hidRowIndex);
    Put32(b, 14, hnidRows);
    Put32(b, 18, 0);
    for (const auto& c : cols) {
        size_t at = b.size();
        Put16(b, at, c.type);
        Put16(b, at + 2, c.id);
        Put16(b, at + 4, c.ib);
        b.resize(at + 8);
        b[at + 6] = c.cb;
    }
    return b;
}

// TCROWID records: dwRowID and dwRowIndex (4 bytes Unicode, 2 bytes ANSI).
inline bytes RowIds(uint32_t rows, bool unicode) {
    bytes b;
    for (uint32_t r = 0; r < rows; ++r) {
        size_t at = b.size();
        Put32(b, at, 0x100 + r);
        if (unicode)
            Put32(b, at + 4, r);
        else
            Put16(b, at + 4, uint16_t(r));
    }
    return b;
}

// A file image whose blocks the engine finds through a hand-filled block
// index. External blocks are encoded with the file's method, as on disk.
class LtpFile {
public:
    explicit LtpFile(bool unicode, uint8_t crypt = 0) : img(unicode, 0x1000), crypt_(crypt) {}

    testimg::FileImage img;
    tpstfile file;

    uint64_t Place(uint64_t bid, bytes data, uint64_t cb = UINT64_MAX) {
        if (!IsInternalBid(bid)) Encode(data, bid);
        size_t ib = img.bytes.size();
        img.putBytes(ib, data);
        img.grow((img.bytes.size() + 63) / 64 * 64 + 64);
        blocks_.push_back({bid, ib, cb == UINT64_MAX ? data.size() : cb});
        return bid;
    }
    // An XBLOCK (internal) listing `bids`.
    uint64_t PlaceXBlock(uint64_t bid, const std::vector<uint64_t>& bids, int cEnt = -1) {
        bytes x = {0x01, 0x01};
        Put16(x, 2, uint16_t(cEnt >= 0 ? cEnt : int(bids.size())));
        Put32(x, 4, 0);
        for (uint64_t b : bids) {
            if (img.unicode)
                Put64(x, x.size(), b);
            else
                Put32(x, x.size(), uint32_t(b));
        }
        return Place(bid, x);
    }
    // Opens the image and fills the block index; the test fails if the open does.
    void Open() {
        img.header(crypt_, 0, 0, 0, 0);
        testimg::OpenImage(img, file);
        for (const auto& b : blocks_)
            InsertBlock(&file, testimg::Block(int64_t(b.bid), int64_t(b.ib), b.cb));
    }
    // A subnode list entry for `nid` whose data is block `bid`.
    std::unique_ptr<tsubnodeentry> Subnode(uint64_t nid, uint64_t bid,
                                           std::unique_ptr<tsubnodeentry> next = nullptr) {
        auto e = std::make_unique<tsubnodeentry>();
        e->nid = nid;
        e->pDataBlock = FindBlock(&file, bid);
        e->pNext = std::move(next);
        return e;
    }

private:
    struct Placed {
        uint64_t bid;
        size_t ib;
        uint64_t cb;
    };
    std::vector<Placed> blocks_;
    uint8_t crypt_;

    void Encode(bytes& data, uint64_t bid) const {
        if (crypt_ == 1)
            for (auto& b : data)
                b = mpbbR[b];
        else if (crypt_ == 2) // the cyclic method is its own inverse
            DecodeBlock(data.data(), int32_t(data.size()), 2, bid);
    }
};

// The value of set slot i as text (for string values).
inline std::string Text(const tpropvalue& v) {
    return std::string(reinterpret_cast<const char*>(v.Data.data()), v.Size);
}

// Finds the value with this tag in a set, or null.
inline const tpropvalue* Find(const tpropset& set, uint32_t tag) {
    for (int32_t i = 0; i < set.Count; ++i)
        if (set.Values[size_t(i)] && set.Values[size_t(i)]->Tag == tag)
            return set.Values[size_t(i)].get();
    return nullptr;
}

} // namespace ltpimg

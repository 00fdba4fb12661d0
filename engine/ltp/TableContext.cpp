// The table context branch of ReadContext ([MS-PST] 2.3.4): TCINFO, the row
// count from the row index BTH, and the row matrix read row by row into one
// set per row, the last row first.
#include <algorithm>
#include <new>

#include "engine/Limits.h"
#include "engine/ltp/Context.h"
#include "engine/ltp/NamedPropertyMap.h"
#include "engine/ltp/ValueDecoder.h"
#include "engine/ndb/BlockRead.h"
#include "engine/ndb/FormatOffsets.h"
#include "support/LittleEndian.h"

namespace {

inline constexpr uint8_t kTcInfoType = 0x7C;     // bTypeTC
inline constexpr uint16_t kRowIndexKey = 0x04B5; // bTypeBTH, 4-byte row IDs
inline constexpr size_t kTcInfoSize = 22;
inline constexpr size_t kColDescSize = 8;
inline constexpr uint16_t kXBlockWord = 0x0101;

struct ttcinfo {
    uint8_t cCols = 0;
    uint16_t rowWidth = 0; // rgib[TCI_bm]
    uint32_t hidRowIndex = 0;
    uint32_t hnidRows = 0;
    const uint8_t* descriptors = nullptr; // cCols TCOLDESCs, inside the allocation
};

bool ReadTcInfo(tvaluedecoder& decoder, thidrange& range, ttcinfo& info) {
    if (ResolveHnid(decoder.file, decoder.subnodes, *decoder.heap, range, decoder.heap->UserRoot) !=
            0 ||
        range.Length() < kTcInfoSize || range.Begin[0] != kTcInfoType)
        return false;
    info.cCols = range.Begin[1];
    info.rowWidth = LoadU16(range.Begin + 8);
    info.hidRowIndex = LoadU32(range.Begin + 10);
    info.hnidRows = LoadU32(range.Begin + 14);
    info.descriptors = range.Begin + kTcInfoSize;
    // Descriptors that do not fit make the table unreadable, not a read past it.
    return range.Length() >= kTcInfoSize + kColDescSize * info.cCols;
}

// Leaf records below `hid`, `level` index levels down. Each intermediate
// record is a key and the HID of the next level ([MS-PST] 2.3.2.2); a child
// that does not resolve counts no rows. False when the walk exceeds its budget.
bool CountLeafRecords(tvaluedecoder& decoder, const tbthheader& bth, uint32_t hid, int level,
                      uint64_t& budget, uint64_t& rows) {
    thidrange range;
    if (ResolveHnid(decoder.file, decoder.subnodes, *decoder.heap, range, hid) != 0) return true;
    if (level == 0) {
        rows += range.Length() / (size_t(bth.cbKey()) + bth.cbEnt());
        return true;
    }
    const size_t recordSize = size_t(bth.cbKey()) + 4;
    for (size_t off = 0; off + recordSize <= range.Length(); off += recordSize) {
        if (budget-- == 0) return false;
        uint32_t child = LoadU32(range.Begin + off + bth.cbKey());
        if (!CountLeafRecords(decoder, bth, child, level - 1, budget, rows)) return false;
    }
    return true;
}

// The row count: the TCROWID records of the row index. A one-level index is
// one flat array; deeper indexes are walked down to their leaves.
bool CountRows(tvaluedecoder& decoder, uint32_t hidRowIndex, uint64_t& rows) {
    tbthheader bth;
    if (!ReadBthHeader(decoder.file, decoder.subnodes, *decoder.heap, hidRowIndex, bth) ||
        bth.TypeKey != kRowIndexKey)
        return false;
    rows = 0;
    // An empty BTH has hidRoot 0 ([MS-PST] 2.3.2.1): a table without rows, not damage.
    if (bth.hidRoot == 0) return true;
    thidrange root;
    if (ResolveHnid(decoder.file, decoder.subnodes, *decoder.heap, root, bth.hidRoot) != 0)
        return false;
    if (bth.bIdxLevels() == 0) {
        rows = root.Length() / (4 + size_t(bth.EntLevels));
        return true;
    }
    if (bth.bIdxLevels() > ostrel::limits::kMaxBthIndexLevels) return false;
    uint64_t budget = ostrel::limits::kMaxBthIndexRecords;
    return CountLeafRecords(decoder, bth, bth.hidRoot, bth.bIdxLevels(), budget, rows);
}

// The row matrix: one range in the heap, or the data blocks of a subnode. In
// a subnode spread over several blocks each block holds a whole number of
// rows and leaves the rest unused ([MS-PST] 2.3.4.4), so rows are found
// block by block rather than in the concatenated data.
struct trowmatrix {
    thidrange heapRange;
    std::vector<tbuffer> blocks;
    bool perBlock = false;
    uint64_t rowsPerBlock = 1;
};

// The segment that holds row r and the row's offset in it.
struct trowplace {
    const uint8_t* segment = nullptr;
    uint64_t segmentSize = 0;
    uint64_t rowStart = 0;
};

trowplace PlaceRow(const trowmatrix& m, uint64_t r, uint64_t width) {
    trowplace place;
    if (m.heapRange.Begin) {
        place.segment = m.heapRange.Begin;
        place.segmentSize = m.heapRange.Length();
        place.rowStart = r * width;
        return place;
    }
    uint64_t block = m.perBlock ? r / m.rowsPerBlock : 0;
    place.rowStart = (m.perBlock ? r % m.rowsPerBlock : r) * width;
    if (block < m.blocks.size()) {
        place.segment = m.blocks[block].data();
        place.segmentSize = m.blocks[block].size();
    }
    return place;
}

bool ReadXBlockRows(tpstfile* file, const tblockentry& entry, tbuffer& xblock, trowmatrix& m) {
    const size_t width = file->fUnicode ? 8 : 4;
    const size_t cEnt = LoadU16(xblock.data() + 2);
    // An XBLOCK recorded shorter than its BIDs need is read again, as the
    // data tree reader does.
    const int32_t needed = int32_t(8 + cEnt * width);
    if (xblock.size() < size_t(needed) && !RereadBlockLonger(file, &entry, needed, xblock))
        return false;
    uint64_t total = 0;
    for (size_t i = 0; i < cEnt; ++i) {
        const uint8_t* p = xblock.data() + 8 + i * width;
        tbuffer data;
        int32_t count = ReadBlockDecoded(file, data, file->fUnicode ? LoadU64(p) : LoadU32(p));
        if (count <= 0) return false; // as for any data tree, a missing block fails the read
        total += uint64_t(count);
        if (total > ostrel::limits::kMaxDataTreeBytes) return false;
        data.resize(std::min<size_t>(data.size(), size_t(count)));
        m.blocks.push_back(std::move(data));
    }
    m.perBlock = true;
    return !m.blocks.empty();
}

bool ReadSubnodeRows(tvaluedecoder& decoder, uint32_t nid, uint16_t rowWidth, trowmatrix& m) {
    tsubnodeentry* entry = decoder.subnodes ? FindSubnode(decoder.subnodes, nid) : nullptr;
    if (!entry || !entry->pDataBlock) return false;
    const uint64_t bid = uint64_t(entry->pDataBlock->bid);
    tbuffer data;
    int32_t count = IsInternalBid(bid) ? ReadBlock(decoder.file, data, bid)
                                       : ReadBlockDecoded(decoder.file, data, bid);
    if (count <= 0) return false;
    data.resize(std::min<size_t>(data.size(), size_t(count)));
    if (IsInternalBid(bid) && data.size() >= 8 && LoadU16(data.data()) == kXBlockWord) {
        const uint64_t payload = PageOffsets(decoder.file->layout).cbMaxBlockData;
        m.rowsPerBlock = std::max<uint64_t>(1, rowWidth ? payload / rowWidth : payload);
        return ReadXBlockRows(decoder.file, *entry->pDataBlock, data, m);
    }
    m.blocks.push_back(std::move(data)); // one block; other internal blocks as stored
    return true;
}

bool ReadRowMatrix(tvaluedecoder& decoder, const ttcinfo& info, trowmatrix& m) {
    if (!IsSubnodeHnid(info.hnidRows))
        return ResolveHnid(decoder.file, decoder.subnodes, *decoder.heap, m.heapRange,
                           info.hnidRows) == 0;
    return ReadSubnodeRows(decoder, info.hnidRows, info.rowWidth, m);
}

// One row into one set: each column's cell as a value field, or as bytes
// when wider than 4; a cell beyond its segment reads as 0.
tdecoderesult ReadRow(const ttcinfo& info, const trowplace& place, tpropset& set, uint64_t position,
                      const tcellstore& store) {
    int32_t slot = 0;
    for (size_t c = 0; c < info.cCols; ++c) {
        const uint8_t* d = info.descriptors + c * kColDescSize;
        const uint16_t ibData = LoadU16(d + 4);
        const uint8_t cbData = d[6];
        uint32_t field = 0;
        tcell cell;
        if (place.segment && place.rowStart + ibData + cbData <= place.segmentSize) {
            const uint8_t* bytes = place.segment + place.rowStart + ibData;
            for (uint32_t i = 0; i < std::min<uint32_t>(cbData, 4); ++i)
                field |= uint32_t(bytes[i]) << (8 * i);
            if (cbData > 4) cell = tcell{bytes, cbData};
        }
        tdecoderesult result = store(set, slot, position, LoadU16(d + 2), LoadU16(d), field, cell);
        if (result == tdecoderesult::Unreadable) return result;
    }
    return tdecoderesult::Stored;
}

} // namespace

std::unique_ptr<tpropset> ReadTableRows(tvaluedecoder& decoder, std::unique_ptr<tpropset> list,
                                        const tcellstore& store) {
    thidrange tcinfo;
    ttcinfo info;
    uint64_t rows = 0;
    if (!ReadTcInfo(decoder, tcinfo, info) || !CountRows(decoder, info.hidRowIndex, rows))
        return nullptr;
    if (rows * std::max<uint64_t>(info.cCols, 1) > ostrel::limits::kMaxTableCells) return nullptr;
    if (rows == 0) {
        // A readable table without rows is one empty set, not a failure: a
        // message whose recipient table is empty must still show its
        // attachments, and only an unreadable table stops those.
        auto empty = std::make_unique<tpropset>();
        empty->Capacity = info.cCols;
        empty->Next = std::move(list);
        return empty;
    }
    trowmatrix matrix;
    if (!ReadRowMatrix(decoder, info, matrix)) return nullptr;
    for (uint64_t r = 0; r < rows; ++r) {
        auto set = std::make_unique<tpropset>();
        set->Count = set->Capacity = info.cCols;
        set->RowCount = int32_t(rows);
        set->Values.resize(info.cCols);
        set->Next = std::move(list);
        list = std::move(set);
        // Rows are prepended: the last row is the first set of the list.
        if (ReadRow(info, PlaceRow(matrix, r, info.rowWidth), *list, rows - 1 - r, store) ==
            tdecoderesult::Unreadable)
            return nullptr;
    }
    return list;
}

std::unique_ptr<tpropset> ReadTableContext(tvaluedecoder& decoder, std::unique_ptr<tpropset> list) {
    return ReadTableRows(decoder, std::move(list),
                         [&](tpropset& set, int32_t& slot, uint64_t, uint16_t propId,
                             uint16_t propType, uint32_t field, tcell cell) {
                             return StoreValue(decoder, set, slot, propId, propType, field, cell);
                         });
}

bool ReadTableColumnTags(tpstfile* file, tsubnodeentry* subnodes, uint64_t bid,
                         std::vector<uint32_t>& tags) {
    tags.clear();
    if (!file) return false;
    try {
        // The collections ask this of nearly every message: one heap per
        // thread takes every table's block in turn.
        thread_local theap heap;
        struct ttrim {
            ~ttrim() { TrimHeapForReuse(heap); }
        } trim;
        if (!LoadHeapInto(file, bid, heap) || heap.Signature != kHeapSigTableContext) return false;
        tvaluedecoder decoder{file, subnodes, &heap, 0};
        thidrange tcinfo;
        ttcinfo info;
        if (!ReadTcInfo(decoder, tcinfo, info)) return false;
        tags.reserve(info.cCols);
        for (size_t c = 0; c < info.cCols; ++c) {
            const uint8_t* d = info.descriptors + c * kColDescSize;
            // Cells of a type that is not decoded never reach a message.
            if (!IsDecodedType(LoadU16(d))) continue;
            tags.push_back(ConsultNamedPropertyMap(file->pNamedProps.get(), LoadU16(d + 2)).tag);
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

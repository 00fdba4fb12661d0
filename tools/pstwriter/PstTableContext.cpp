// Table context layout of the PST writer: column placement by size group, cell existence
// bits, HNID cells, row index and row matrix ([MS-PST] 2.3.4.1 to 2.3.4.4).
#include "tools/pstwriter/PstTableContext.h"

#include <algorithm>
#include <stdexcept>

#include "tools/pstwriter/PstFormat.h"
#include "tools/pstwriter/PstPropContext.h"

namespace pstw {

using detail::put;

namespace {

// Cells wider than 4 bytes are the 8-byte fixed types; every variable type takes an HNID.
uint8_t cellSize(uint16_t type) {
    const size_t fixed = fixedSize(type);
    return uint8_t(fixed ? fixed : 4);
}

TcLayout layoutColumns(std::vector<Column> columns) {
    std::erase_if(columns,
                  [](const Column& c) { return c.id == kPidLtpRowId || c.id == kPidLtpRowVer; });
    TcLayout layout;
    layout.cells.push_back({kPidLtpRowId, kPtypInteger32, 0, 4, 0});
    layout.cells.push_back({kPidLtpRowVer, kPtypInteger32, 4, 4, 1});
    uint16_t ib = 8;
    uint8_t bit = 2;
    // Size groups in row order: 8, 4, 2, 1 bytes; rgib records where each group ends.
    const uint8_t groups[] = {8, 4, 2, 1};
    for (int g = 0; g < 4; ++g) {
        for (const Column& c : columns) {
            if (cellSize(c.type) != groups[g]) continue;
            layout.cells.push_back({c.id, c.type, ib, groups[g], bit++});
            ib = uint16_t(ib + groups[g]);
        }
        if (g >= 1) layout.rgib[g - 1] = ib;
    }
    layout.rgib[3] = uint16_t(ib + (layout.cells.size() + 7) / 8);
    std::sort(layout.cells.begin(), layout.cells.end(), [](const auto& a, const auto& b) {
        return (uint32_t(a.id) << 16 | a.type) < (uint32_t(b.id) << 16 | b.type);
    });
    return layout;
}

const Prop* findCell(const TableRow& row, uint16_t id) {
    for (const Prop& p : row.cells)
        if (p.id == id) return &p;
    return nullptr;
}

std::vector<uint8_t> rowBytes(NdbWriter& w, HeapBuilder& heap, SubnodeSet& subs,
                              const TcLayout& layout, const TableRow& row) {
    std::vector<uint8_t> bytes(layout.rgib[3], 0);
    const size_t ceb = layout.rgib[2];
    for (const TcLayout::Cell& c : layout.cells) {
        const Prop* p = findCell(row, c.id);
        if (c.id == kPidLtpRowId) {
            put(bytes, c.ib, row.rowId, 4);
        } else if (!p) {
            continue;
        } else if (p->type != c.type) {
            throw std::invalid_argument("pstw: cell type differs from its column");
        } else if (fixedSize(c.type)) {
            std::copy_n(p->bytes.begin(), std::min<size_t>(c.cb, p->bytes.size()),
                        bytes.begin() + c.ib);
        } else {
            put(bytes, c.ib, storeValue(w, heap, subs, p->bytes, HeapBuilder::kMaxAllocation), 4);
        }
        bytes[ceb + c.iBit / 8] |= uint8_t(0x80 >> (c.iBit % 8));
    }
    return bytes;
}

std::vector<uint8_t> tcinfo(const TcLayout& layout) {
    std::vector<uint8_t> b(22 + 8 * layout.cells.size(), 0);
    b[0] = kClientSigTc;
    b[1] = uint8_t(layout.cells.size());
    for (int i = 0; i < 4; ++i)
        put(b, 2 + 2 * i, layout.rgib[i], 2);
    put(b, 10, layout.hidRowIndex, 4);
    put(b, 14, layout.hnidRows, 4);
    put(b, 18, 0, 4); // hidIndex: deprecated
    for (size_t i = 0; i < layout.cells.size(); ++i) {
        const TcLayout::Cell& c = layout.cells[i];
        const size_t at = 22 + 8 * i;
        put(b, at, c.type, 2);
        put(b, at + 2, c.id, 2);
        put(b, at + 4, c.ib, 2);
        b[at + 6] = c.cb;
        b[at + 7] = c.iBit;
    }
    return b;
}

} // namespace

TcResult buildTableContext(NdbWriter& w, std::vector<Column> columns,
                           const std::vector<TableRow>& rows, SubnodeSet& subs,
                           const TcOptions& options) {
    TcResult r{HeapBuilder(kClientSigTc, options.pageSize), layoutColumns(std::move(columns))};
    TcLayout& layout = r.layout;
    if (layout.cells.size() > 255) throw std::length_error("pstw: too many columns");
    const uint32_t info = r.heap.allocate(tcinfo(layout)); // filled in at the end
    // TCROWID: dwRowID key, dwRowIndex of 4 bytes (Unicode) or 2 (ANSI).
    const uint8_t cbIndex = w.unicode() ? 4 : 2;
    std::vector<BthRecord> index;
    for (size_t i = 0; i < rows.size(); ++i) {
        BthRecord rec{std::vector<uint8_t>(4, 0), std::vector<uint8_t>(cbIndex, 0)};
        put(rec.key, 0, rows[i].rowId, 4);
        put(rec.data, 0, i, cbIndex);
        index.push_back(std::move(rec));
    }
    const BthInfo bth =
        writeBth(r.heap, 4, cbIndex, std::move(index), {options.maxRowIndexRecordsPerNode});
    layout.hidRowIndex = bth.hidHeader;
    layout.rowIndexLevels = bth.indexLevels;

    std::vector<std::vector<uint8_t>> matrix;
    for (const TableRow& row : rows)
        matrix.push_back(rowBytes(w, r.heap, subs, layout, row));
    const size_t width = layout.rgib[3];
    const size_t total = width * rows.size();
    if (rows.empty()) {
        layout.hnidRows = 0;
    } else if (!options.matrixInSubnode && total <= HeapBuilder::kMaxAllocation) {
        std::vector<uint8_t> flat;
        for (const auto& m : matrix)
            flat.insert(flat.end(), m.begin(), m.end());
        layout.hnidRows = r.heap.allocate(flat);
    } else {
        // Rows never straddle blocks: each block takes as many whole rows as fit.
        const size_t blockBytes = options.blockBytes ? options.blockBytes : w.maxBlockData();
        layout.rowsPerBlock = std::max<size_t>(1, blockBytes / width);
        std::vector<std::vector<uint8_t>> blocks;
        for (size_t i = 0; i < matrix.size(); ++i) {
            if (i % layout.rowsPerBlock == 0) blocks.emplace_back();
            blocks.back().insert(blocks.back().end(), matrix[i].begin(), matrix[i].end());
        }
        layout.hnidRows = subs.addBlocks(w, blocks);
    }
    const std::vector<uint8_t> infoBytes = tcinfo(layout);
    std::span<uint8_t> slot = r.heap.at(info);
    std::copy(infoBytes.begin(), infoBytes.end(), slot.begin());
    r.heap.setUserRoot(info);
    return r;
}

uint64_t writeTableContext(NdbWriter& w, std::vector<Column> columns,
                           const std::vector<TableRow>& rows, SubnodeSet& subs,
                           const TcOptions& options) {
    return buildTableContext(w, std::move(columns), rows, subs, options).heap.write(w);
}

} // namespace pstw

// Table context builder of the PST writer ([MS-PST] 2.3.4): TCINFO with its column
// descriptors and the four size-group offsets, the row index BTH, and the row matrix, in the
// heap when small or in a subnode whose blocks each hold whole rows.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "tools/pstwriter/PstBth.h"
#include "tools/pstwriter/PstNodeData.h"
#include "tools/pstwriter/PstProperty.h"

namespace pstw {

constexpr uint16_t kPidLtpRowId = 0x67F2, kPidLtpRowVer = 0x67F3;

struct Column {
    uint16_t id;
    uint16_t type;
};

struct TableRow {
    uint32_t rowId = 0;      // PidTagLtpRowId: the NID the row stands for
    std::vector<Prop> cells; // by ID; columns without a cell are absent (CEB bit clear)
};

struct TcOptions {
    size_t pageSize = 8176;
    bool matrixInSubnode = false; // even when the rows would fit the heap
    size_t blockBytes = 0;        // row matrix bytes per block; 0 = the layout's block maximum
    size_t maxRowIndexRecordsPerNode = 0; // > 0 forces index levels in the row index
};

// The positions the builder chose, for tests that look at the bytes.
struct TcLayout {
    struct Cell {
        uint16_t id, type, ib;
        uint8_t cb, iBit;
    };
    std::vector<Cell> cells;         // in TCOLDESC order (sorted by tag)
    uint16_t rgib[4] = {0, 0, 0, 0}; // TCI_4b, TCI_2b, TCI_1b, TCI_bm
    uint32_t hidRowIndex = 0;
    uint32_t hnidRows = 0;
    uint8_t rowIndexLevels = 0;
    size_t rowsPerBlock = 0; // when the matrix is in a subnode
};

struct TcResult {
    HeapBuilder heap;
    TcLayout layout;
};

// Columns 0x67F2 and 0x67F3 are always present at offsets 0 and 4. Rows keep their order.
TcResult buildTableContext(NdbWriter& w, std::vector<Column> columns,
                           const std::vector<TableRow>& rows, SubnodeSet& subs,
                           const TcOptions& options = {});
uint64_t writeTableContext(NdbWriter& w, std::vector<Column> columns,
                           const std::vector<TableRow>& rows, SubnodeSet& subs,
                           const TcOptions& options = {});

} // namespace pstw

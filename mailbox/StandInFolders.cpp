// Folders the lists and the export show although no folder object of the
// file stands behind them: a node that holds others but whose own object
// cannot be built, named from its parent's hierarchy table ([MS-PST]
// 2.4.4.4: one row per subfolder, dwRowID its NID), and the folders the open
// made for the nodes whose parent is gone.
#include "mailbox/uPST64File.h"

#include "engine/ltp/Context.h"
#include "support/LittleEndian.h"

namespace {

// [MS-PST] 2.2.2.1 NID types.
constexpr uint64_t kNidTypeMask = 0x1F;
constexpr uint64_t kNidTypeFolder = 0x02;
constexpr uint64_t kNidTypeSearchFolder = 0x03;
constexpr uint64_t kNidTypeHierarchyTable = 0x0D;
constexpr uint16_t kTagLtpRowId = 0x67F2;
constexpr uint64_t kRootFolderNid = 0x122;

bool IsFolderNidType(uint64_t nid) {
    uint64_t type = nid & kNidTypeMask;
    return type == kNidTypeFolder || type == kNidTypeSearchFolder;
}

std::optional<uint32_t> RowId(const tpropset& row) {
    for (int32_t i = 0; i < row.Count && size_t(i) < row.Values.size(); ++i) {
        const tpropvalue* v = row.Values[size_t(i)].get();
        if (v && v->Tag == kTagLtpRowId && v->Data.size() >= 4) return LoadU32(v->Data.data());
    }
    return std::nullopt;
}

// The row of `child` in the hierarchy table of `parentNid`, applied to an
// object as the folder's own properties would be; null when the table or
// the row cannot be read.
std::unique_ptr<tpstmessage> HierarchyRow(tpstfile* file, uint64_t parentNid, uint64_t child) {
    tnodeentry* table = FindNode(file, (parentNid & ~kNidTypeMask) | kNidTypeHierarchyTable);
    if (!table || !table->pDataBlock) return nullptr;
    std::unique_ptr<tsubnodeentry> subnodes;
    if (table->pSubBlock) subnodes = BuildSubnodeTree(file, table->pSubBlock);
    std::unique_ptr<tpropset> rows =
        ReadContext(file, subnodes.get(), nullptr, uint64_t(table->pDataBlock->bid));
    std::unique_ptr<tpstmessage> found;
    for (tpropset* row = rows.get(); row && !found; row = row->Next.get()) {
        if (RowId(*row) != child) continue;
        // One row alone: ApplyProperties walks the chain it is given.
        std::unique_ptr<tpropset> rest = std::move(row->Next);
        found = std::make_unique<tpstmessage>();
        ApplyProperties(row, found.get(), nullptr);
        row->Next = std::move(rest);
    }
    return found;
}

std::unique_ptr<tpstmessage> FolderObject(std::string name, int32_t kind) {
    auto folder = std::make_unique<tpstmessage>();
    folder->DisplayName = std::move(name);
    folder->FolderCounts = std::make_unique<tfolderinfo>();
    folder->Kind = kind;
    return folder;
}

} // namespace

std::unique_ptr<tpstmessage> TPst64File::ReadObject(tnodeentry* node) {
    if (!node) return nullptr;
    std::unique_ptr<tpstmessage> own = BuildMessage(&Engine, node, nullptr);
    return own ? std::move(own) : StandInFolder(node);
}

std::unique_ptr<tpstmessage> TPst64File::ReadObjectFields(tnodeentry* node,
                                                          std::span<const char* const> fields) {
    if (!node) return nullptr;
    std::unique_ptr<tpstmessage> own = ProbeMessage(&Engine, node, fields);
    return own ? std::move(own) : StandInFolder(node);
}

std::unique_ptr<tpstmessage> TPst64File::StandInFolder(tnodeentry* node) {
    if (!node) return nullptr;
    auto made = gathering_.find(node);
    if (made != gathering_.end()) return FolderObject(made->second.Name, made->second.Kind);
    // A node that holds nothing is shown only when it is a folder its
    // parent still names.
    bool holds = node->pFirstChild != nullptr;
    if (!holds && !IsFolderNidType(node->nid)) return nullptr;
    // The root folder keeps the empty name of an intact one: the lists and
    // the export name it after the file and the store.
    if (node->nid == kRootFolderNid) return holds ? FolderObject("", kKindNone) : nullptr;
    std::unique_ptr<tpstmessage> row;
    if (node->nidParent != node->nid) row = HierarchyRow(&Engine, node->nidParent, node->nid);
    if (!row && !holds) return nullptr;
    std::string name = row ? TextOf(row->DisplayName) : std::string();
    if (name.empty()) name = "Folder" + std::to_string(node->nid);
    int32_t kind = row && IsListedFolderKind(row->Kind) ? row->Kind : kKindMail;
    return FolderObject(std::move(name), kind);
}

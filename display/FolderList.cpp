// The folder rows of the main window, from the folder collection.
#include "display/FolderList.h"

#include "support/EventPump.h"

namespace {

bool AcceptFolder(const tpstmessage* object) {
    if (!object || !IsListedFolderKind(object->Kind) || !object->DisplayName ||
        !object->FolderCounts)
        return false;
    return object->DisplayName->compare(0, 4, "IPM_") != 0;
}

// The last row (searching from the end) whose node is the folder's parent.
// By the node, not its NID: a folder the open moved among the orphaned items
// keeps the NID of the parent it lost.
size_t ParentRow(const std::vector<tfolderrow>& rows, const tnodeentry* folder) {
    for (size_t i = rows.size(); i-- > 1;)
        if (rows[i].Node && rows[i].Node == folder->pParent) return i;
    return 0;
}

// The top-level node that holds the orphaned items, when the walk from the
// mailbox's start node does not reach it (offline stores start below the root).
tnodeentry* UnwalkedOrphans(TPst64File& pst) {
    tnodeentry* orphans = pst.OrphanedItems();
    if (!orphans) return nullptr;
    for (tnodeentry* n = pst.CurrentNode; n; n = n->pNext)
        if (n == orphans) return nullptr;
    return orphans;
}

} // namespace

std::string LoadingStatusText(const std::string& fileName) {
    return "Loading " + fileName + " ...";
}

std::string FolderStatusText(size_t folderRows, const std::string& fileName) {
    return "folder items: " + std::to_string(folderRows) + ", file: " + fileName;
}

std::string UnreadableStatusText(const std::string& fileName, const std::string& reason) {
    return "cannot read " + fileName + ": " + reason;
}

std::vector<tfolderrow> BuildFolderRows(TPst64File& pst, const std::string& fileName) {
    pst.Enumerating = true;
    pst.ClearItemList();
    tnodeentry* orphans = UnwalkedOrphans(pst);
    pst.CollectItems(pst.CurrentNode, kKindFolder, 0);
    if (orphans && pst.Enumerating) pst.CollectItems(orphans, kKindFolder, 0);
    ostrel::PumpEvents();

    std::vector<tfolderrow> rows;
    rows.push_back({"Outlook", fileName, nullptr, 0});
    tnodeentry* node = pst.CurrentNode;
    while (node && pst.Enumerating) {
        ostrel::PumpEvents();
        tnodeentry* next = nullptr;
        int32_t result = pst.GetNextItem(node, kKindFolder, next, pst.CurrentObject);
        pst.CurrentNode = next;
        if (AcceptFolder(pst.CurrentObject.get())) {
            size_t parent = ParentRow(rows, node);
            tfolderrow row;
            std::string name = TextOf(pst.CurrentObject->DisplayName);
            row.Caption = name;
            row.Path = rows[parent].Path + "\\" + name;
            row.Node = node;
            row.Depth = rows[parent].Depth + 1;
            if (node->cItems > 0) row.Caption += "(" + std::to_string(node->cItems) + ")";
            // Each row goes right below its parent's, but the orphaned
            // items close the list: nothing the walk meets after them lies
            // outside their folder.
            size_t at = node == pst.OrphanedItems() ? rows.size() : parent + 1;
            rows.insert(rows.begin() + std::ptrdiff_t(at), std::move(row));
        }
        if (result != 0) break;
        node = next;
    }
    pst.Enumerating = false;
    pst.ClearItemList();
    return rows;
}

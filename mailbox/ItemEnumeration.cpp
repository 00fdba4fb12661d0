// Walking the mailbox: a cursor over ItemList (or over the node tree when
// there is none), random access for a virtual list, and clearing the list.
#include "mailbox/uPST64File.h"

namespace {

// Does a child of kind `itemKind` match the kind argument of GetNextItem?
bool KindMatches(int32_t wanted, int32_t itemKind) {
    if (wanted == kKindFolder) return itemKind == kKindMail || IsViewerKind(itemKind);
    return itemKind == wanted;
}

} // namespace

std::optional<size_t> TPst64File::PositionInList(tnodeentry* node) {
    auto it = itemPositions_.find(node);
    if (it == itemPositions_.end()) return std::nullopt;
    return it->second;
}

void TPst64File::ClearItemList() {
    ItemList.reset();
    itemPositions_.clear();
}

int32_t TPst64File::GetNextItem(tnodeentry* node, int32_t kind, tnodeentry*& next,
                                std::unique_ptr<tpstmessage>& object) {
    next = nullptr;
    FreeMessage(object);
    if (!node) return -1;

    if (ItemList) {
        std::optional<size_t> p = PositionInList(node);
        if (!p) {
            next = ItemList->empty() ? nullptr : ItemList->front();
            return 0;
        }
        object = BuildObject(node);
        if (*p + 1 >= ItemList->size()) return 1;
        next = (*ItemList)[*p + 1];
        return 0;
    }

    object = BuildObject(node);
    if (object && object->FolderCounts && node->pFirstChild) {
        if (kind == kAnyKind) {
            next = node->pFirstChild;
        } else {
            for (tnodeentry* child = node->pFirstChild; child && !next; child = child->pNext) {
                std::unique_ptr<tpstmessage> probe = BuildObject(child);
                if (probe && KindMatches(kind, probe->Kind)) next = child;
                FreeMessage(probe);
            }
        }
    } else if (node->pNext) {
        next = node->pNext;
    } else if (node->pParent) {
        next = node->pParent->pNext;
    }
    if (!object) return -1;
    return next ? 0 : 1;
}

int32_t TPst64File::GetItemByIndex(int32_t index, tnodeentry*& node, tnodeentry*& next,
                                   std::unique_ptr<tpstmessage>& object) {
    FreeMessage(object);
    if (!ItemList || index < 0 || size_t(index) >= ItemList->size()) return -2;
    node = (*ItemList)[size_t(index)];
    object = BuildObject(node);
    if (size_t(index) + 1 == ItemList->size()) {
        next = nullptr;
        return 1;
    }
    next = (*ItemList)[size_t(index) + 1];
    return 0;
}

int32_t TPst64File::GetItemFieldsByIndex(int32_t index, tnodeentry*& node,
                                         std::unique_ptr<tpstmessage>& object,
                                         std::span<const char* const> fields) {
    FreeMessage(object);
    if (!ItemList || index < 0 || size_t(index) >= ItemList->size()) return -2;
    node = (*ItemList)[size_t(index)];
    object = ReadObjectFields(node, fields);
    return size_t(index) + 1 == ItemList->size() ? 1 : 0;
}

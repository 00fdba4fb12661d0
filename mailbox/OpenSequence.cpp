// The mailbox object's life and its open sequence: engine open, root search,
// index load, named property map, recovery, the store object with an
// encoding fallback, and the IPM subtree (re-shaped for offline stores).
#include "mailbox/uPST64File.h"

TPst64File::TPst64File(const std::string&) {}

std::unique_ptr<TPst64File> TPst64File::Create(const std::string& unused) {
    return std::make_unique<TPst64File>(unused);
}

TPst64File::~TPst64File() {
    FreeMessage(CurrentObject);
    ClosePstFile(&Engine);
}

std::unique_ptr<tpstmessage> TPst64File::BuildObject(tnodeentry* node) {
    if (!node) return nullptr;
    return BuildMessage(&Engine, node, nullptr);
}

void TPst64File::Open(const std::string& path) {
    // 1. The header.
    if (OpenPstFile(&Engine, path) != 0) {
        ClearItemList();
        return;
    }
    // 2-5. Roots from the page scan, the indexes, the name map, the recovery.
    FindIndexRoots();
    BuildIndexes(&Engine);
    LoadNamedPropertyMap(&Engine);
    RecoverIndexEntries();

    // 6. An encoding byte of no known method is taken for the permutation,
    // the usual one. The cyclic method (2) is kept: taking it for the
    // permutation too would leave nothing of a cyclic file readable.
    if (Engine.bCryptMethod > 2) Engine.bCryptMethod = 1;

    // 7. The root object, with the other encoding if the first gives nothing:
    // none and permutation stand for each other, and a file that claims the
    // cyclic method without using it is tried with the permutation.
    CurrentNode = Engine.pNodeFirst;
    FreeMessage(CurrentObject);
    CurrentObject = BuildObject(CurrentNode);
    if (!CurrentObject) {
        Engine.bCryptMethod = Engine.bCryptMethod == 2 ? 1 : uint8_t(1 - Engine.bCryptMethod);
        CurrentObject = BuildObject(CurrentNode);
    }

    // 8. A root object without store information gets an empty one.
    if (!CurrentObject) return;
    if (!CurrentObject->StoreInfo) CurrentObject->StoreInfo = std::make_unique<tstoreinfo>();

    // 9. The IPM subtree; a store without its entry ID is an offline store.
    if (!CurrentObject->StoreInfo->IpmSubtreeEntryId) Engine.fOffline = 1;
    if (!FindOrAddNode(&Engine, CurrentObject.get())) {
        FreeMessage(CurrentObject);
        return;
    }

    // 10. Offline stores keep their folders beside the subtree: move them in.
    if (Engine.fOffline) ReshapeOfflineTree();

    // 11.
    ClearItemList();
}

void TPst64File::ReshapeOfflineTree() {
    tnodeentry* root = FindNode(&Engine, 0x122);
    tnodeentry* subtree = FindNode(&Engine, 0x2142);
    if (!subtree) return;
    CurrentNode = subtree;
    if (!subtree->pParent || !root) return;
    // A crafted file may hang the root folder below the subtree; then the
    // subtree cannot move under it, and nothing is moved.
    if (IsAncestorOrSelf(subtree, root)) return;
    subtree->nidParent = root->nid;
    AppendChild(&Engine, root, subtree);

    // Every other child of the root moves under the subtree, in order.
    tnodeentry* child = root->pFirstChild;
    while (child) {
        if (child->nid == subtree->nid) {
            child = child->pNext;
            continue;
        }
        if (IsAncestorOrSelf(child, subtree)) {
            child = child->pNext; // would make a cycle: leave it in place
            continue;
        }
        child->nidParent = subtree->nid;
        AppendChild(&Engine, subtree, child);
        child = root->pFirstChild;
    }
}

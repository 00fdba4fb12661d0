// The mailbox object's life and its open sequence: engine open, root search,
// index load, named property map, recovery, the store object with an
// encoding fallback, the IPM subtree (re-shaped for offline stores) and the
// gathering of nodes whose parent is gone.
#include "mailbox/uPST64File.h"

#include "mailbox/FileCheck.h"
#include "support/MemoryHint.h"

namespace {

constexpr uint64_t kStoreNid = 0x21;
constexpr uint64_t kRootFolderNid = 0x122;

} // namespace

TPst64File::TPst64File(const std::string&) {}

std::unique_ptr<TPst64File> TPst64File::Create(const std::string& unused) {
    return std::make_unique<TPst64File>(unused);
}

TPst64File::~TPst64File() {
    FreeMessage(CurrentObject);
    ClosePstFile(&Engine);
}

std::unique_ptr<tpstmessage> TPst64File::BuildObject(tnodeentry* node) {
    return ReadObject(node);
}

uint8_t TPst64File::EncodingOfRootFolder(uint8_t claimed, uint8_t other) {
    tnodeentry* root = FindNode(&Engine, kRootFolderNid);
    for (uint8_t method : {claimed, other}) {
        Engine.bCryptMethod = method;
        if (BuildMessage(&Engine, root, nullptr)) return method;
    }
    return claimed;
}

void TPst64File::Shut() {
    ClearItemList();
    FreeMessage(CurrentObject);
    CurrentNode = nullptr;
    ClosePstFile(&Engine);
}

void TPst64File::Open(const std::string& path) {
    recovered_.clear();
    gathering_.clear();
    orphanedItems_ = nullptr;
    Unreadable.clear();
    // 1. The header. A file that cannot be a mailbox stops here, with the reason.
    tfilefacts facts = ReadFileFacts(path);
    Unreadable = FatalHeaderFault(facts);
    if (!Unreadable.empty() || OpenPstFile(&Engine, path) != 0) {
        if (Unreadable.empty()) Unreadable = "cannot open the file";
        Shut();
        return;
    }
    ostrel::ExpectMailboxOf(facts.Size > 0 ? uint64_t(facts.Size) : 0);
    // 2-5. Roots from the page scan, the indexes, the recovery, the name map.
    // The map comes last: its node's blocks may be known only from the
    // recovery, as in a file whose whole BBT is one leaf page, which leaves
    // the root scan no intermediate page to choose.
    FindIndexRoots();
    BuildIndexes(&Engine);
    RecoverIndexEntries();
    LoadNamedPropertyMap(&Engine);
    if (!Engine.pNodeFirst) {
        // Nothing at all was found: say which fault of the header explains it.
        facts.FoundRoots = Engine.ibNBT != 0 || Engine.ibBBT != 0;
        Unreadable = EmptyOpenReason(facts);
        Shut();
        return;
    }

    // 6. An encoding byte of no known method is taken for the permutation,
    // the usual one. The cyclic method (2) is kept: taking it for the
    // permutation too would leave nothing of a cyclic file readable.
    if (Engine.bCryptMethod > 2) Engine.bCryptMethod = 1;

    // 7. The root object, with the other encoding if the first gives nothing:
    // none and permutation stand for each other, and a file that claims the
    // cyclic method without using it is tried with the permutation.
    // The store is node 0x21; the first top-level node stands in for it only
    // when there is none, since recovered nodes join the top level late.
    CurrentNode = Engine.pNodeFirst;
    tnodeentry* store = FindNode(&Engine, kStoreNid);
    if (!store) store = CurrentNode;
    FreeMessage(CurrentObject);
    CurrentObject = BuildMessage(&Engine, store, nullptr);
    const uint8_t claimed = Engine.bCryptMethod;
    const uint8_t other = claimed == 2 ? 1 : uint8_t(1 - claimed);
    if (!CurrentObject) {
        Engine.bCryptMethod = other;
        CurrentObject = BuildMessage(&Engine, store, nullptr);
    }
    // A store object lost in both encodings says nothing about the
    // encoding: the root folder decides, and the header's claim stands
    // when that is lost too.
    if (!CurrentObject) Engine.bCryptMethod = EncodingOfRootFolder(claimed, other);

    // 8. A store object that cannot be built ends nothing: the mailbox goes
    // on with an empty store record, and the folder collection walks every
    // top-level node (the root folder among them) as it does for any PST.
    // Its IPM subtree is not guessed: an empty record would pass for an
    // offline store and have the root folder's children moved.
    if (!CurrentObject) {
        CurrentObject = std::make_unique<tpstmessage>();
        CurrentObject->StoreInfo = std::make_unique<tstoreinfo>();
        GatherOrphans();
        ClearItemList();
        return;
    }
    if (!CurrentObject->StoreInfo) CurrentObject->StoreInfo = std::make_unique<tstoreinfo>();

    // 9. The IPM subtree; a store without its entry ID is an offline store.
    if (!CurrentObject->StoreInfo->IpmSubtreeEntryId) Engine.fOffline = 1;
    if (!FindOrAddNode(&Engine, CurrentObject.get())) {
        FreeMessage(CurrentObject);
        return;
    }

    // 10. Offline stores keep their folders beside the subtree: move them in.
    if (Engine.fOffline) ReshapeOfflineTree();

    // 11. Nodes whose parent is gone go to the "Orphaned items" folders.
    GatherOrphans();

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

// The "Orphaned items" folder: nodes whose parent entry is gone stand at the
// top of the node tree, where no folder lists them. The open moves them into
// one folder made for them, after every other top-level node, and keeps them
// by kind as any mailbox does: mail in the folder itself, each other kind in
// a subfolder of its own, folders (with all they hold) below it as well.
#include "mailbox/uPST64File.h"

#include <vector>

namespace {

// [MS-PST] 2.2.2.1 NID types.
constexpr uint64_t kNidTypeMask = 0x1F;
constexpr uint64_t kNidTypeFolder = 0x02;
constexpr uint64_t kNidTypeSearchFolder = 0x03;
constexpr uint64_t kNidTypeNormalMessage = 0x04;
constexpr uint64_t kRootFolderNid = 0x122;
// Made folders take NIDs no 32-bit NID of a file can have, of the folder type.
constexpr uint64_t kFirstGatheringNid = 0xFFFF'FFF0'0000'0002ull;
constexpr uint64_t kGatheringNidStep = 0x20;

const char* const kOrphanedItems = "Orphaned items";

struct tkindfolder {
    int32_t Kind;
    const char* Name;
};
constexpr tkindfolder kKindFolders[] = {{kKindAppointment, "Calendar"},
                                        {kKindContact, "Contacts"},
                                        {kKindJournal, "Journal"},
                                        {kKindStickyNote, "Notes"},
                                        {kKindTask, "Tasks"}};

// Folders and normal messages ([MS-PST] 2.2.2.1 NID types 0x02, 0x03, 0x04),
// and anything that holds others. Tables, associated contents and the
// store's internal nodes have no place in a folder list.
bool MayBeGathered(const tnodeentry* node) {
    uint64_t type = node->nid & kNidTypeMask;
    return type == kNidTypeFolder || type == kNidTypeSearchFolder ||
           type == kNidTypeNormalMessage || node->pFirstChild;
}

// A top-level node whose parent entry is missing. The children of a missing
// root folder are the mailbox's top folders and stay where they are.
bool IsOrphan(tpstfile* file, const tnodeentry* node) {
    if (node->nidParent == 0 || node->nidParent == node->nid) return false;
    if (node->nidParent == kRootFolderNid && !FindNode(file, kRootFolderNid)) return false;
    return !FindNode(file, node->nidParent);
}

} // namespace

tnodeentry* TPst64File::AddGatheringFolder(tnodeentry* parent, const std::string& name,
                                           int32_t kind) {
    auto node = std::make_unique<tnodeentry>();
    node->nid = kFirstGatheringNid + nextGatheringNid_++ * kGatheringNidStep;
    node->nidParent = parent ? parent->nid : node->nid;
    tnodeentry* made = InsertNode(&Engine, std::move(node));
    if (parent) AppendChild(&Engine, parent, made);
    gathering_[made] = {name, kind};
    return made;
}

void TPst64File::GatherOrphans() {
    // The node the folder walk starts from stays where it is: gathered, it
    // would be walked twice or not at all.
    std::vector<tnodeentry*> orphans;
    for (tnodeentry* node = Engine.pNodeFirst; node; node = node->pNext)
        if (node != CurrentNode && MayBeGathered(node) && IsOrphan(&Engine, node))
            orphans.push_back(node);
    if (orphans.empty()) return;

    tnodeentry* gathering = AddGatheringFolder(nullptr, kOrphanedItems, kKindMail);
    orphanedItems_ = gathering;
    std::unordered_map<int32_t, tnodeentry*> byKind;
    std::vector<tnodeentry*> folders;
    for (tnodeentry* node : orphans) {
        std::unique_ptr<tpstmessage> object = BuildMessage(&Engine, node, nullptr);
        if (!object || object->FolderCounts || node->pFirstChild) {
            folders.push_back(node);
            continue;
        }
        tnodeentry* into = gathering;
        for (const tkindfolder& k : kKindFolders) {
            if (object->Kind != k.Kind) continue;
            tnodeentry*& sub = byKind[k.Kind];
            if (!sub) sub = AddGatheringFolder(gathering, k.Name, k.Kind);
            into = sub;
        }
        AppendChild(&Engine, into, node);
    }
    // Folders after the kinds' folders, in the order they were found.
    for (tnodeentry* node : folders)
        AppendChild(&Engine, gathering, node);
}

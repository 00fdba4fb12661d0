// The "Orphaned items" folder: nodes whose parent entry is gone stand at the
// top of the node tree, where no folder lists them. The open moves them into
// one folder made for them, after every other top-level node, and keeps them
// by kind as any mailbox does: mail in the folder itself, each other kind in
// a subfolder of its own, folders (with all they hold) below it as well.
#include "mailbox/uPST64File.h"

#include <vector>

#include "mailbox/KindRecords.h"
#include "support/EventPump.h"
#include "support/Parallel.h"

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

// What the gathering asks of an orphan's object.
struct torphanread {
    bool exists = false;
    bool folder = false; // it has folder counts
    int32_t kind = kKindNone;
    bool failed = false; // the read threw: read again on the calling thread
};

torphanread ReadOrphan(tpstfile* file, tnodeentry* node, bool cheap) {
    std::unique_ptr<tpstmessage> object =
        cheap ? ProbeMessage(file, node) : BuildMessage(file, node, nullptr);
    if (cheap) kindrecords::KeepRead(node, object.get());
    torphanread read{object != nullptr, object && object->FolderCounts,
                     object ? object->Kind : kKindNone};
    FreeMessage(object);
    return read;
}

constexpr size_t kOrphansPerChunk = 256;

// Each orphan's object, as the collections read it: the cheap read on every
// core, kept in the nodes so that the folder collection does not read them
// again (a large folder whose entry is lost leaves hundreds of thousands of
// orphans). Reads that the collections' reference mode wants whole are
// made here whole too.
std::vector<torphanread> ReadOrphans(tpstfile* file, const std::vector<tnodeentry*>& orphans,
                                     bool cheap) {
    std::vector<torphanread> reads(orphans.size(), torphanread{false, false, kKindNone, true});
    if (cheap) {
        ostrel::ForChunksOnCores(
            orphans.size(), kOrphansPerChunk,
            [&](size_t first, size_t end) {
                for (size_t i = first; i < end; ++i) {
                    try {
                        reads[i] = ReadOrphan(file, orphans[i], true);
                    } catch (const std::exception&) {
                        reads[i].failed = true;
                    }
                }
            },
            [] {
                ostrel::PumpEvents();
                return true; // the open needs every orphan placed
            });
    }
    for (size_t i = 0; i < orphans.size(); ++i)
        if (reads[i].failed) reads[i] = ReadOrphan(file, orphans[i], false);
    return reads;
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
    const std::vector<torphanread> reads = ReadOrphans(&Engine, orphans, CheapCollections);
    for (size_t i = 0; i < orphans.size(); ++i) {
        tnodeentry* node = orphans[i];
        const torphanread& read = reads[i];
        if (!read.exists || read.folder || node->pFirstChild) {
            folders.push_back(node);
            continue;
        }
        tnodeentry* into = gathering;
        for (const tkindfolder& k : kKindFolders) {
            if (read.kind != k.Kind) continue;
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

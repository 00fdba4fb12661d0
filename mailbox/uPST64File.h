// The mailbox: one opened PST/OST file with its open sequence (page scans,
// index load, recovery, the store object), the folder and item collections,
// item access, and the EML export's entry points (declared here on the
// mailbox, written in export/ and linked from ostrel_export). The user
// interface and the command line drive it; it reports through its state,
// never to the user.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/uPST64Format.h"

// The EML export's records, declared in export/EmlExport.h: the mailbox only
// names them, so that the model does not depend on the export.
struct temlcounts;
struct temloptions;
struct temlrun;

// The kind argument of GetNextItem that takes every child.
inline constexpr int32_t kAnyKind = 0;

class TPst64File {
public:
    tpstfile Engine;
    // The last collection's result; none before a collection and after ClearItemList.
    std::optional<std::vector<tnodeentry*>> ItemList;
    bool Enumerating = false;
    tnodeentry* CurrentNode = nullptr;
    std::unique_ptr<tpstmessage> CurrentObject;

    // The argument is not used; it is kept for the callers' sake.
    explicit TPst64File(const std::string& unused = {});
    static std::unique_ptr<TPst64File> Create(const std::string& unused = {});
    ~TPst64File(); // Destroy: releases CurrentObject and any kept index, closes the engine
    TPst64File(const TPst64File&) = delete;
    TPst64File& operator=(const TPst64File&) = delete;

    // The whole open sequence; the outcome shows in CurrentNode and CurrentObject.
    void Open(const std::string& path);
    // Why the last Open found nothing to show ("not an Outlook data file ...");
    // empty when it opened a mailbox.
    std::string Unreadable;

    // The object of a node as the lists and the export see it: the node's
    // own, or the stand-in folder of a node that holds others (the
    // "Orphaned items" folders, a folder whose own object is damaged); null
    // when there is neither.
    std::unique_ptr<tpstmessage> ReadObject(tnodeentry* node);
    // ReadObject where only the kind, the records and `fields` are wanted
    // (see ProbeMessage): those as ReadObject gives them, read cheaply.
    std::unique_ptr<tpstmessage> ReadObjectFields(tnodeentry* node,
                                                  std::span<const char* const> fields);
    // The stand-in folder alone: named from the parent's hierarchy table,
    // else "Folder" and the NID; null for a node that needs none.
    std::unique_ptr<tpstmessage> StandInFolder(tnodeentry* node);
    // Did the recovery of leaf entries bring the node back from a deleted
    // entry: a leaf slot beyond the page's count, or an old leaf page that
    // the allocation map marks free? Nodes found below a damaged index page
    // are live and not marked.
    bool IsRecovered(const tnodeentry* node) const { return recovered_.count(node) != 0; }
    // The "Orphaned items" folder the open made, the last top-level node;
    // null when no node had lost its parent.
    tnodeentry* OrphanedItems() const { return orphanedItems_; }

    // Chooses the B-tree roots by scanning every page of the file.
    void FindIndexRoots();
    // Adds every entry of every valid leaf page that the indexes lack.
    void RecoverIndexEntries();

    // Appends the kept nodes from `start` and its siblings to ItemList; the
    // number appended. kKindFolder collects folders, kKindMail and
    // kKindAppointment to kKindTask items.
    int32_t CollectItems(tnodeentry* start, int32_t kind, int32_t depth);
    // The collections read each node with the cheap read and pass by nodes
    // that cannot change their result. False: every node's whole object, as
    // a reference for the tests that prove both ways agree.
    bool CheapCollections = true;
    // Whether the folder collection counts each folder's items (cItems, the
    // counts of the folder list's captions). False where no count is shown,
    // as in `ostrel items`: the folders, their kinds and their order are the
    // same, and no item of the mailbox is read for them. Cheap collections only.
    bool CountFolderItems = true;

    // Result codes: 0 delivered with more to come, 1 delivered and last,
    // -1 nothing delivered, -2 index out of range.
    int32_t GetNextItem(tnodeentry* node, int32_t kind, tnodeentry*& next,
                        std::unique_ptr<tpstmessage>& object);
    int32_t GetItemByIndex(int32_t index, tnodeentry*& node, tnodeentry*& next,
                           std::unique_ptr<tpstmessage>& object);
    // GetItemByIndex with the object read by ReadObjectFields.
    int32_t GetItemFieldsByIndex(int32_t index, tnodeentry*& node,
                                 std::unique_ptr<tpstmessage>& object,
                                 std::span<const char* const> fields);
    void ClearItemList();

    // Writes every exportable message below `dir` (which must exist), one
    // directory per folder. Failures go to options.OnError; the counts say
    // what was written.
    temlcounts SaveAllToEml(const std::string& dir);
    temlcounts SaveAllToEml(const std::string& dir, temloptions options);
    // The walk of one sibling chain from `first`, into `dir`.
    void SaveNodesToEml(tpstfile* engine, tnodeentry* first, const std::string& dir, temlrun& run);
    // One message as an .eml file at `path` (created or overwritten), its
    // embedded messages opened in `file` (none: written as raw bytes). 0, or
    // -1 with the reason in `error`.
    static int32_t SaveMessageToEml(const tpstmessage& message, const std::string& path,
                                    std::string* error = nullptr, tpstfile* file = nullptr);

private:
    bool AppendItem(tnodeentry* node);
    bool AddsNothingToFolderList(const tnodeentry* node) const;
    struct tkindread {
        bool exists = false;  // the node has an object, or a stand-in folder
        bool standIn = false; // the stand-in
        int32_t kind = 0;
        uint8_t records = 0; // kindrecords bits
    };
    tkindread ReadKind(tnodeentry* node);
    // The cheap reads of every node the folder collection may ask for, or
    // with `items`, of `items` and its siblings, on every core, kept in the
    // nodes for ReadKind.
    void ReadKindsAhead(tnodeentry* items = nullptr);
    std::vector<tnodeentry*> NodesToReadAhead() const;
    static std::vector<tnodeentry*> SiblingsToReadAhead(tnodeentry* first);
    std::optional<size_t> PositionInList(tnodeentry* node);
    std::unique_ptr<tpstmessage> BuildObject(tnodeentry* node);
    void ReshapeOfflineTree();
    void GatherOrphans();
    // Notes a valid leaf page of either B-tree met by a scan, for the recovery.
    void RememberLeafPage(const uint8_t* page, int64_t ib, const tpageoffsets& po);
    // The encoding (of the two given) in which the root folder can be built.
    uint8_t EncodingOfRootFolder(uint8_t claimed, uint8_t other);
    // After an open that found nothing: no node, no object, the file closed.
    void Shut();
    tnodeentry* AddGatheringFolder(tnodeentry* parent, const std::string& name, int32_t kind);
    std::unique_ptr<tpstmessage> BuildForExport(tpstfile* engine, tnodeentry* node, temlrun& run);
    std::string FolderDirectoryName(tpstfile* engine, tnodeentry* node, const tpstmessage& folder,
                                    temlrun& run);
    void SaveFolderToEml(tpstfile* engine, tnodeentry* node, const std::string& name,
                         const std::string& dir, temlrun& run);
    void SaveItemToEml(tnodeentry* node, const tpstmessage& item, const std::string& dir,
                       temlrun& run);
    // The item's .vcf or .ics (see export/CompanionFiles.h), if it has one.
    void SaveCompanion(tpstfile* engine, tnodeentry* node, const tpstmessage& item,
                       const std::string& dir, temlrun& run);

    // First position of each node in ItemList, for GetNextItem's lookup.
    std::unordered_map<const tnodeentry*, size_t> itemPositions_;
    // Nodes the leaf recovery added, and the folders the open made to hold
    // the orphans (name and kind), all owned by the engine's node tree.
    std::unordered_set<const tnodeentry*> recovered_;
    struct tgathering {
        std::string Name;
        int32_t Kind;
    };
    std::unordered_map<const tnodeentry*, tgathering> gathering_;
    uint64_t nextGatheringNid_ = 0;
    // The valid leaf pages of the index B-trees that the root scan met, by
    // offset in file order: the recovery reads these alone instead of
    // scanning the file twice more.
    struct tleafpages {
        bool Known = false;
        std::vector<int64_t> Blocks, Nodes;
    };
    tleafpages leafPages_;
    tnodeentry* orphanedItems_ = nullptr;
};

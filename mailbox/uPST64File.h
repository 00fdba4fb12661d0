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
#include <string>
#include <unordered_map>
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
    ~TPst64File(); // Destroy: releases CurrentObject, closes the engine
    TPst64File(const TPst64File&) = delete;
    TPst64File& operator=(const TPst64File&) = delete;

    // The whole open sequence; the outcome shows in CurrentNode and CurrentObject.
    void Open(const std::string& path);

    // Chooses the B-tree roots by scanning every page of the file.
    void FindIndexRoots();
    // Adds every entry of every valid leaf page that the indexes lack.
    void RecoverIndexEntries();

    // Appends the kept nodes from `start` and its siblings to ItemList; the
    // number appended. kKindFolder collects folders, kKindMail and
    // kKindAppointment to kKindTask items.
    int32_t CollectItems(tnodeentry* start, int32_t kind, int32_t depth);

    // Result codes: 0 delivered with more to come, 1 delivered and last,
    // -1 nothing delivered, -2 index out of range.
    int32_t GetNextItem(tnodeentry* node, int32_t kind, tnodeentry*& next,
                        std::unique_ptr<tpstmessage>& object);
    int32_t GetItemByIndex(int32_t index, tnodeentry*& node, tnodeentry*& next,
                           std::unique_ptr<tpstmessage>& object);
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
    void AppendItem(tnodeentry* node);
    std::optional<size_t> PositionInList(tnodeentry* node);
    std::unique_ptr<tpstmessage> BuildObject(tnodeentry* node);
    void ReshapeOfflineTree();
    std::unique_ptr<tpstmessage> BuildForExport(tpstfile* engine, tnodeentry* node, temlrun& run);
    std::string FolderDirectoryName(tpstfile* engine, tnodeentry* node, const tpstmessage& folder,
                                    temlrun& run);
    void SaveFolderToEml(tpstfile* engine, tnodeentry* node, const std::string& name,
                         const std::string& dir, temlrun& run);
    void SaveItemToEml(tnodeentry* node, const tpstmessage& item, const std::string& dir,
                       temlrun& run);

    // First position of each node in ItemList, for GetNextItem's lookup.
    std::unordered_map<const tnodeentry*, size_t> itemPositions_;
};

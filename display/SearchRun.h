// The search of a mailbox: the items of the chosen folders, each read once,
// matched against a query (SearchItem.h); every match is handed to a
// callback as soon as it is found, with its row as the item list shows it.
// A stop flag ends the walk between two items. The walk reads the node tree
// directly and leaves the mailbox's item list (the window's open folder)
// alone.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "display/FolderList.h"
#include "display/ItemRows.h"
#include "display/SearchItem.h"

namespace ostrel::search {

struct tsearchfolder {
    tnodeentry* Node = nullptr;
    std::string Path; // as the folder list shows it
};

// Every listed folder of `rows` (BuildFolderRows), or, with `top`, that
// folder and the folders below it.
std::vector<tsearchfolder> SearchFolders(const std::vector<tfolderrow>& rows,
                                         const tnodeentry* top = nullptr);

struct tsearchhit {
    const tsearchfolder* Folder = nullptr;
    const tpstmessage* Item = nullptr; // valid during the callback only
    titemrow Row;                      // as `ostrel items` and the item list show it
};

struct tsearchevents {
    std::function<void(const tsearchhit&)> OnHit;
    // Every kProgressItems items and at the end: items looked at, and the
    // number of nodes below the folders (the most there can be; at the end
    // of a search that was not stopped, the items looked at).
    std::function<void(uint64_t examined, uint64_t total)> OnProgress;
    const std::atomic<bool>* Stop = nullptr;
};

inline constexpr uint64_t kProgressItems = 32;

struct tsearchoutcome {
    uint64_t Examined = 0;
    uint64_t Found = 0;
    bool Stopped = false;
};

tsearchoutcome SearchMailbox(TPst64File& pst, const std::vector<tsearchfolder>& folders,
                             const tsearchquery& query, const tsearchevents& events);

// The last line of `ostrel search` and the window's status line after a search.
std::string SearchStatusText(const tsearchoutcome& outcome);

} // namespace ostrel::search

// What one run of the EML or mbox export is given and what it keeps while it
// walks: the error report, an optional progress report, the counts, and the
// directories and files this run has already written.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>

#include "engine/uPST64Format.h"
#include "export/WriteQueue.h"

struct temlcounts {
    uint32_t FoldersWritten = 0; // directories created, or found and used
    uint32_t FoldersFailed = 0;  // directories that could not be made: subtree skipped
    uint32_t MessagesWritten = 0;
    uint32_t MessagesFailed = 0;
};

// What the walk writes for each message: one .eml file, or one entry of the
// folder's mbox file (MboxWriter.h).
enum class texportformat { Eml, Mbox };

struct temloptions {
    texportformat Format = texportformat::Eml;
    // Receives "Error: " ... " $" NID for every folder or message that could
    // not be written; the export goes on afterwards.
    std::function<void(const std::string& text)> OnError;
    // Called after every folder and message with the counts so far.
    std::function<void(const temlcounts& counts)> OnProgress;
    // Builds a node's object; empty: BuildMessage on the mailbox's engine.
    std::function<std::unique_ptr<tpstmessage>(tnodeentry* node)> Build;
};

// What a run wrote and what failed, for the end of an export:
// "12 messages in 4 folders written, 1 failed".
std::string ExportSummary(const temlcounts& counts);

struct temlrun {
    temloptions Options;
    temlcounts Counts;
    // Paths this run has written to: a second folder or message of the same
    // name takes the next free " (n)" name instead of overwriting the first.
    std::set<std::string> Used;
    // For each "parent/name" of a directory: the n of " (n)" to try first,
    // the last one taken (the ones below it are all taken), so that many
    // folders of one name do not each try every name before theirs.
    std::map<std::string, int> FirstFreeNumber;
    // Directories this run made: empty when made, so a name in one of them
    // that is not in Used is free without asking the file system (a lookup
    // of each file's name before its creation, which also waits for the
    // writing thread's hold on the directory).
    std::unordered_set<std::string> Made;
    // Name of the root folder's directory, once looked up in the store object.
    std::optional<std::string> StoreName;
    // mbox files this run has begun: later messages are appended to them.
    std::set<std::string> MboxStarted;
    // The .eml files go to disk on a thread of their own; none: at once.
    std::unique_ptr<twritequeue> Writes;
};

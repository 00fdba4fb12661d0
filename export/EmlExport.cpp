// The walk of the EML and mbox exports: which nodes are written, the
// directory of each folder (made safe, never outside the chosen directory,
// never losing a folder to a sibling of the same name), and the file of each
// message, or its entry in the folder's mbox file.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

#include "engine/messaging/Subject.h"
#include "export/CompanionFiles.h"
#include "export/EmlExport.h"
#include "export/EmlMessage.h"
#include "export/EmlNames.h"
#include "export/MboxWriter.h"
#include "mailbox/uPST64File.h"
#include "support/EventPump.h"

namespace {

constexpr uint64_t kStoreNid = 0x21;
constexpr uint64_t kRootFolderNid = 0x122;
// [MS-PST] 2.2.2.1 NID types.
constexpr uint64_t kNidTypeMask = 0x1F;
constexpr uint64_t kNidTypeFolder = 0x02;
constexpr uint64_t kNidTypeSearchFolder = 0x03;
// How far " (n)" counts before a name is given up as taken.
constexpr int kMostSameNames = 10000;

enum class tpathstate { Missing, Directory, File, Other };

tpathstate StateOf(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return tpathstate::Missing;
    if (S_ISDIR(st.st_mode)) return tpathstate::Directory;
    if (S_ISREG(st.st_mode)) return tpathstate::File;
    return tpathstate::Other; // a link among them: it could lead anywhere
}

// The store's own nodes (name map, tables, queues) stand at the top with
// parent 0. A folder whose entry lost its parent NID stands there too, and
// the folder list shows it: it and anything holding others are written.
bool IsInternalTopNode(const tnodeentry* node) {
    if (node->nidParent != 0 || node->nid == kStoreNid) return false;
    uint64_t type = node->nid & kNidTypeMask;
    bool folder = type == kNidTypeFolder || type == kNidTypeSearchFolder;
    return !folder && !node->pFirstChild;
}

// Reports (delivery and read receipts) are mail too: they go out like it.
bool IsExportedKind(int32_t kind) {
    return kind == kKindMail || kind == kKindAppointment || kind == kKindJournal ||
           kind == kKindStickyNote || kind == kKindTask || kind == kKindPost || kind == kKindReport;
}

void Report(temlrun& run, const std::string& what, uint64_t nid) {
    if (run.Options.OnError) run.Options.OnError("Error: " + what + " $" + NidHex(nid));
}

// Files the queue could not write: counted failed instead of written, and reported.
void TakeWriteFailures(temlrun& run) {
    if (!run.Writes) return;
    for (const twritequeue::tfailure& f : run.Writes->TakeFailures()) {
        if (run.Counts.MessagesWritten > 0) --run.Counts.MessagesWritten;
        ++run.Counts.MessagesFailed;
        Report(run, f.Error, f.Nid);
    }
}

void Progress(temlrun& run) {
    if (run.Options.OnProgress) run.Options.OnProgress(run.Counts);
}

// The directory for a folder: a new one, or one that existed before this
// run; one that this run made for a sibling, or a name taken by something
// that is not a directory, moves on to "NAME (2)", "NAME (3)", ...
std::optional<std::string> MakeDirectory(const std::string& parent, const std::string& name,
                                         temlrun& run, std::string& error) {
    int& first = run.FirstFreeNumber[parent + "/" + name];
    for (int n = std::max(first, 1); n <= kMostSameNames; ++n) {
        std::string path = parent + "/" + (n == 1 ? name : NumberedName(name, "", n));
        if (run.Used.count(path)) continue;
        if (::mkdir(path.c_str(), 0777) == 0) {
            run.Used.insert(path);
            run.Made.insert(path);
            first = n;
            return path;
        }
        if (errno != EEXIST) {
            error = "cannot create directory " + path + ": " + std::strerror(errno);
            return std::nullopt;
        }
        if (StateOf(path) == tpathstate::Directory) {
            run.Used.insert(path);
            first = n;
            return path;
        }
    }
    error = "no free directory name for " + parent + "/" + name;
    return std::nullopt;
}

// The path for a message file: an existing regular file is overwritten,
// unless this run wrote it already for another message.
std::optional<std::string> FreeFilePath(const std::string& dir, const std::string& name,
                                        temlrun& run) {
    for (int n = 1; n <= kMostSameNames; ++n) {
        std::string path = dir + "/" + (n == 1 ? name : NumberedName(name, ".eml", n));
        if (run.Used.count(path)) continue;
        tpathstate state = run.Made.count(dir) ? tpathstate::Missing : StateOf(path);
        if (state == tpathstate::Missing || state == tpathstate::File) {
            run.Used.insert(path);
            return path;
        }
    }
    return std::nullopt;
}

// Lets go of what the run kept of the names inside `dir`, whose folder is
// written: a name clashes only with names in its own directory, and the walk
// never comes back to this one (each directory is given to one folder). The
// name of `dir` itself stays, for its siblings. Without this a run kept
// every path it wrote, a few hundred bytes each (160 MiB for a million).
void ForgetBelow(temlrun& run, const std::string& dir) {
    // The paths below `dir` sort between "dir/" and "dir0" ('0' follows '/').
    const std::string from = dir + "/", to = dir + "0";
    run.Used.erase(run.Used.lower_bound(from), run.Used.lower_bound(to));
    run.FirstFreeNumber.erase(run.FirstFreeNumber.lower_bound(from),
                              run.FirstFreeNumber.lower_bound(to));
    run.MboxStarted.erase(run.MboxStarted.lower_bound(from), run.MboxStarted.lower_bound(to));
}

// The mbox file of the folder whose directory is `dir`: "<dir>/<name>.mbox",
// named after the folder's directory. Thunderbird's ImportExportTools and
// mutt (`mutt -f`) take a folder's name from its file name, so an import of
// the file gives a folder of the right name; one fixed name such as "mbox"
// would import every folder as "mbox". It sits inside the folder's directory
// so that the tree is the same as the EML export's.
std::string MboxPath(const std::string& dir) {
    size_t slash = dir.find_last_of('/');
    std::string name = slash == std::string::npos ? dir : dir.substr(slash + 1);
    if (name.empty()) name = "mailbox";
    return dir + "/" + name + ".mbox";
}

// The message as the next entry of its folder's mbox file; the error, or empty.
std::string AppendToMbox(const tpstmessage& item, const std::string& dir,
                         const std::string& leading, const temlsource& source, temlrun& run) {
    static std::mt19937 random{std::random_device{}()};
    std::string path = MboxPath(dir);
    bool start = run.MboxStarted.insert(path).second;
    if (start && StateOf(path) != tpathstate::Missing && StateOf(path) != tpathstate::File)
        return path + " is not a regular file";
    std::string text = leading + ComposeEml(item, random, source);
    // The last "." line of an .eml file has no place in an mbox entry.
    constexpr std::string_view kLastLine = ".\r\n";
    if (text.size() >= kLastLine.size() &&
        text.compare(text.size() - kLastLine.size(), kLastLine.size(), kLastLine) == 0)
        text.resize(text.size() - kLastLine.size());
    std::string error;
    if (AppendMboxEntry(path, MboxEntry(text, EmlDateSeconds(item)), start, &error) != 0)
        return error.empty() ? "cannot write " + path : error;
    return {};
}

// The message as its own .eml file in `dir`; the error, or empty.
std::string WriteEml(const tpstmessage& item, uint64_t nid, const std::string& dir,
                     const std::string& leading, const temlsource& source, temlrun& run) {
    std::optional<std::string> path = FreeFilePath(dir, EmlFileName(SubjectText(item), nid), run);
    if (!path) return "no free file name in " + dir;
    if (run.Writes) {
        // Counted as written now; a failure comes back from the queue later.
        run.Writes->Write(*path, ComposeEmlText(item, leading, source), nid);
        return {};
    }
    std::string error;
    if (WriteEmlFile(item, *path, leading, &error, source) == 0) return {};
    return error.empty() ? "cannot write " + *path : error;
}

} // namespace

std::string ExportSummary(const temlcounts& c) {
    auto count = [](uint32_t n, const char* one, const char* many) {
        return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    std::string out = count(c.MessagesWritten, "message", "messages") + " in " +
                      count(c.FoldersWritten, "folder", "folders") + " written";
    uint32_t failed = c.MessagesFailed + c.FoldersFailed;
    if (failed == 0) return out + ", none failed";
    out += ", " + count(c.MessagesFailed, "message", "messages") + " failed";
    if (c.FoldersFailed) out += ", " + count(c.FoldersFailed, "folder", "folders") + " failed";
    return out;
}

temlcounts TPst64File::SaveAllToEml(const std::string& dir) {
    return SaveAllToEml(dir, temloptions{});
}

temlcounts TPst64File::SaveAllToEml(const std::string& dir, temloptions options) {
    temlrun run;
    run.Options = std::move(options);
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        if (run.Options.OnError) run.Options.OnError("Error: " + dir + " is not a directory");
        return run.Counts;
    }
    std::string base = dir;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    if (run.Options.Format == texportformat::Eml) run.Writes = std::make_unique<twritequeue>();
    SaveNodesToEml(&Engine, Engine.pNodeFirst, base == "/" ? "" : base, run);
    if (run.Writes) {
        run.Writes->Finish();
        TakeWriteFailures(run);
        Progress(run);
    }
    return run.Counts;
}

std::unique_ptr<tpstmessage> TPst64File::BuildForExport(tpstfile* engine, tnodeentry* node,
                                                        temlrun& run) {
    try {
        std::unique_ptr<tpstmessage> own =
            run.Options.Build ? run.Options.Build(node) : BuildMessage(engine, node, nullptr);
        // A node that holds others without an object of its own is written
        // as the folder the lists show for it, with what it holds.
        if (!own && engine == &Engine) return StandInFolder(node);
        return own;
    } catch (const std::exception&) {
        return nullptr; // as for any node whose object cannot be built
    }
}

void TPst64File::SaveNodesToEml(tpstfile* engine, tnodeentry* first, const std::string& dir,
                                temlrun& run) {
    for (tnodeentry* node = first; node; node = node->pNext) {
        ostrel::PumpEvents();
        if (IsInternalTopNode(node)) continue;
        std::unique_ptr<tpstmessage> object = BuildForExport(engine, node, run);
        if (!object) continue;
        if (object->FolderCounts) {
            std::string name = FolderDirectoryName(engine, node, *object, run);
            // One object at a time: the folder's goes before its children's.
            FreeMessage(object);
            if (!name.empty()) SaveFolderToEml(engine, node, name, dir, run);
            continue;
        }
        if (object->MailInfo && IsExportedKind(object->Kind) && int64_t(node->nid) > 0xFFFF)
            SaveItemToEml(node, *object, dir, run);
        if (int64_t(node->nid) > 0xFFFF) SaveCompanion(engine, node, *object, dir, run);
        FreeMessage(object);
    }
}

void TPst64File::SaveCompanion(tpstfile* engine, tnodeentry* node, const tpstmessage& item,
                               const std::string& dir, temlrun& run) {
    tcompanion kind = CompanionOf(item);
    if (kind == tcompanion::None) return;
    // A meeting's attendees, with their addresses, are its recipients.
    trecipienttable recipients;
    if (kind == tcompanion::Event) recipients = ReadRecipientTable(engine, node);
    if (std::string e; WriteCompanionFile(item, node->nid, dir, &e, &recipients) < 0)
        Report(run, e, node->nid);
}

std::string TPst64File::FolderDirectoryName(tpstfile* engine, tnodeentry* node,
                                            const tpstmessage& folder, temlrun& run) {
    std::string name = TextOf(folder.DisplayName);
    if (name.empty() && node->nid == kRootFolderNid) {
        if (!run.StoreName) {
            run.StoreName = "";
            for (tnodeentry* top = engine->pNodeFirst; top; top = top->pNext) {
                if (top->nid != kStoreNid || top->nidParent != 0) continue;
                std::unique_ptr<tpstmessage> store = BuildForExport(engine, top, run);
                if (!store || !store->StoreInfo) continue;
                std::string storeName = TextOf(store->DisplayName);
                run.StoreName = storeName.empty() ? "Offline root folders" : storeName;
                break;
            }
        }
        name = *run.StoreName;
    }
    // Also the root folder of a store whose object is lost: an empty name
    // would drop the folder and everything below it.
    if (name.empty()) name = "Folder" + std::to_string(node->nid);
    return SafeDirectoryName(name);
}

void TPst64File::SaveFolderToEml(tpstfile* engine, tnodeentry* node, const std::string& name,
                                 const std::string& dir, temlrun& run) {
    std::string error;
    std::optional<std::string> path = MakeDirectory(dir, name, run, error);
    if (!path) {
        ++run.Counts.FoldersFailed;
        Report(run, error, node->nid);
        Progress(run);
        return;
    }
    ++run.Counts.FoldersWritten;
    Progress(run);
    // A subfolder of the same name as the folder's mbox file moves aside.
    if (run.Options.Format == texportformat::Mbox) run.Used.insert(MboxPath(*path));
    if (node->pFirstChild) SaveNodesToEml(engine, node->pFirstChild, *path, run);
    ForgetBelow(run, *path);
}

void TPst64File::SaveItemToEml(tnodeentry* node, const tpstmessage& item, const std::string& dir,
                               temlrun& run) {
    std::string error;
    try {
        // Each person's address comes from the recipient table when it can be read.
        trecipienttable recipients = ReadRecipientTable(&Engine, node);
        temlsource source{&Engine, 0, &recipients};
        std::string leading = RecoveredHeaderField(IsRecovered(node));
        error = run.Options.Format == texportformat::Mbox
                    ? AppendToMbox(item, dir, leading, source, run)
                    : WriteEml(item, node->nid, dir, leading, source, run);
    } catch (const std::exception& e) {
        error = e.what();
    }
    if (error.empty()) {
        ++run.Counts.MessagesWritten;
    } else {
        ++run.Counts.MessagesFailed;
        Report(run, error, node->nid);
    }
    TakeWriteFailures(run);
    Progress(run);
}

int32_t TPst64File::SaveMessageToEml(const tpstmessage& message, const std::string& path,
                                     std::string* error, tpstfile* file) {
    return WriteEmlFile(message, path, error, {file, 0});
}

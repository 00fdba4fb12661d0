// `ostrel search`: the items of the mailbox (or of one folder and those below
// it) that hold a text, one line each as they are found: folder path, NID,
// then the item's row as `ostrel items` prints it; then a status line with
// the count. What matches is decided in display/SearchItem.
#include <cstdio>
#include <ctime>
#include <iostream>
#include <optional>

#include "cli/Commands.h"
#include "cli/OpenMailbox.h"
#include "display/FolderList.h"
#include "display/SearchRun.h"

namespace ostrel::cli {
namespace {

std::string NidText(uint64_t nid) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(nid));
    return text;
}

constexpr int64_t kFileTimeEpochOffset = 11644473600LL; // seconds from 1601 to 1970
constexpr uint64_t kFileTimeUnitsPerSecond = 10000000;
constexpr int kTmFirstYear = 1900;

// The FILETIME where the local day "YYYY-MM-DD" (plus `days`) begins; none when malformed.
std::optional<uint64_t> LocalDayStart(const std::string& text, int days) {
    int year = 0, month = 0, day = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &rest) != 3 || month < 1 ||
        month > 12 || day < 1 || day > 31 || year < 1601)
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = year - kTmFirstYear;
    tm.tm_mon = month - 1;
    tm.tm_mday = day + days;
    tm.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&tm);
    if (seconds == std::time_t(-1) || seconds + kFileTimeEpochOffset < 0) return std::nullopt;
    return uint64_t(seconds + kFileTimeEpochOffset) * kFileTimeUnitsPerSecond;
}

// Sets the query's bounds from --from and --to; false for a malformed date.
bool SetDates(const tsearchoptions& options, search::tsearchquery& query) {
    if (!options.From.empty() && !(query.From = LocalDayStart(options.From, 0))) return false;
    if (!options.To.empty() && !(query.Before = LocalDayStart(options.To, 1))) return false;
    return true;
}

void PrintHit(std::ostream& out, const search::tsearchhit& hit) {
    out << hit.Folder->Path << "\t" << NidText(hit.Row.Node->nid);
    for (const std::string& cell : hit.Row.Cells)
        out << "\t" << cell;
    if (hit.Row.Recovered) out << "\t" << kRecoveredMarker;
    out << "\n";
}

} // namespace

int Search(const std::string& file, const std::string& text, const tsearchoptions& options,
           std::ostream& out) {
    std::optional<unsigned> fields = search::ParseFields(options.Fields);
    if (!fields) {
        std::cerr << "ostrel: --in takes subject, people, body, attachments, separated by commas\n";
        return kUnreadableStatus;
    }
    TPst64File pst;
    if (!OpenMailbox(pst, file, std::cerr)) return kUnreadableStatus;
    std::vector<tfolderrow> rows = BuildFolderRows(pst, file);
    const tnodeentry* top = nullptr;
    if (!options.FolderPath.empty()) {
        for (const tfolderrow& row : rows)
            if (row.Path == options.FolderPath && row.Node) top = row.Node;
        if (!top) {
            std::cerr << "ostrel: no folder with the path " << options.FolderPath << "\n";
            return 1;
        }
    }
    search::tsearchquery query = search::MakeQuery(text, *fields);
    query.WholeWords = options.WholeWords;
    if (!SetDates(options, query)) {
        std::cerr << "ostrel: --from and --to take dates as YYYY-MM-DD\n";
        return kUnreadableStatus;
    }
    search::tsearchevents events;
    events.OnHit = [&out](const search::tsearchhit& hit) { PrintHit(out, hit); };
    search::tsearchoutcome outcome =
        search::SearchMailbox(pst, search::SearchFolders(rows, top), query, events);
    out << search::SearchStatusText(outcome) << "\n";
    return outcome.Found ? 0 : 1;
}

} // namespace ostrel::cli

// Column sets, row cells and texts of the item list.
#include "display/ItemRows.h"

#include <algorithm>
#include <ctime>
#include <string_view>
#include <vector>

#include "display/AddressTexts.h"
#include "engine/messaging/FileTime.h"
#include "engine/messaging/Subject.h"
#include "mailbox/FileOrder.h"
#include "support/EventPump.h"
#include "support/Parallel.h"

namespace {

const char* const kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// The fields the cells of each kind read, as the field list names them.
// Only these are read for a row: the contact's name (0x3001), for one, is a
// column of every recipient table, and asking it of a mail item would read
// that table too.
constexpr const char* kMailRowFields[] = {
    "tmailinfo::SentRepresentingName", "tmailinfo::SentRepresentingEmail", "tmailinfo::DisplayTo",
    "tmailinfo::Subject", "tmailinfo::ClientSubmitTime"};
constexpr const char* kAppointmentRowFields[] = {"tmailinfo::Subject", "tappointmentinfo::Location",
                                                 "tappointmentinfo::StartTime",
                                                 "tappointmentinfo::EndTime"};
constexpr const char* kContactRowFields[] = {
    "tcontactinfo::FileUnder", "tcontactinfo::Email1DisplayName",       "tcontactinfo::CompanyName",
    "tcontactinfo::JobTitle",  "tcontactinfo::BusinessTelephoneNumber", "tpstmessage::DisplayName"};
constexpr const char* kJournalRowFields[] = {"tmailinfo::Subject",
                                             "tjournalinfo::LogTypeDescription",
                                             "tjournalinfo::StartTime", "tjournalinfo::EndTime"};
constexpr const char* kNoteRowFields[] = {"tmailinfo::Subject", "tmailinfo::Body",
                                          "tpstmessage::LastModificationTime"};
constexpr const char* kTaskRowFields[] = {"tmailinfo::Subject", "tmailinfo::ClientSubmitTime"};
constexpr const char* kNoteBody = "tmailinfo::Body";

std::string Or(const ttext& value, const char* fallback) {
    return value ? TextOf(value) : std::string(fallback);
}

void MailCells(const tpstmessage& m, titemrow& row) {
    const tmailinfo& mi = *m.MailInfo;
    row.Cells.push_back(SenderText(mi.SentRepresentingName, mi.SentRepresentingEmail));
    row.Cells.push_back(mi.DisplayTo ? StripClosingTags(mi.DisplayTo->c_str())
                                     : std::string("<Uknown recipient>"));
    row.Cells.push_back(HasSubject(m) ? SubjectText(m) : std::string("<No subject>"));
    if (!mi.ClientSubmitTime.empty()) row.Cells.push_back(FormatListDate(mi.ClientSubmitTime));
    row.Icon = kMailIcon;
}

void AppointmentCells(const tpstmessage& m, titemrow& row) {
    std::string caption = SubjectText(m);
    if (m.Appointment && m.Appointment->Location)
        caption += "( " + std::string(m.Appointment->Location->c_str()) + ")";
    row.Cells.push_back(caption);
    row.Cells.push_back(m.Appointment ? FormatListDate(m.Appointment->StartTime) : "");
    row.Cells.push_back(m.Appointment ? FormatListDate(m.Appointment->EndTime) : "");
    row.Icon = kCalendarIcon;
}

void ContactCells(const tpstmessage& m, titemrow& row) {
    const tcontactinfo& c = *m.Contact;
    row.Cells.push_back(c.FileUnder ? Or(c.FileUnder, "") : Or(m.DisplayName, ""));
    row.Cells.push_back(Or(c.Email1DisplayName, ""));
    row.Cells.push_back(Or(c.CompanyName, ""));
    row.Cells.push_back(Or(c.JobTitle, ""));
    row.Cells.push_back(Or(c.BusinessTelephoneNumber, ""));
    row.Icon = kContactIcon;
}

void JournalCells(const tpstmessage& m, titemrow& row) {
    row.Cells.push_back(SubjectText(m));
    row.Cells.push_back(Or(m.Journal->LogTypeDescription, ""));
    row.Cells.push_back(FormatListDate(m.Journal->StartTime));
    row.Cells.push_back(FormatListDate(m.Journal->EndTime));
}

void StickyNoteCells(const tpstmessage& m, titemrow& row) {
    row.Cells.push_back(SubjectText(m));
    row.Cells.push_back(m.MailInfo ? Or(m.MailInfo->Body, "") : std::string());
    row.Cells.push_back(FormatListDate(m.LastModificationTime));
}

void TaskCells(const tpstmessage& m, titemrow& row) {
    row.Cells.push_back(SubjectText(m));
    if (!m.MailInfo->ClientSubmitTime.empty())
        row.Cells.push_back(FormatListDate(m.MailInfo->ClientSubmitTime));
}

// Fills the row when the object has the part its kind requires.
void FillCells(const tpstmessage& m, titemrow& row) {
    switch (m.Kind) {
    case kKindMail:
        if (m.MailInfo) MailCells(m, row);
        break;
    case kKindAppointment:
        if (m.MailInfo) AppointmentCells(m, row);
        break;
    case kKindContact:
        if (m.Contact) ContactCells(m, row);
        break;
    case kKindJournal:
        if (m.Journal) JournalCells(m, row);
        break;
    case kKindStickyNote:
        if (m.StickyNote) StickyNoteCells(m, row);
        break;
    case kKindTask:
        if (m.MailInfo) TaskCells(m, row);
        break;
    default:
        break;
    }
}

} // namespace

tcolumnset ColumnsForKind(int32_t folderKind) {
    switch (folderKind) {
    case kKindNone:
    case kKindMail:
        return {{{"From", 150}, {"To", 150}, {"Subject", 300}, {"Date", 120}},
                "Reading emails...",
                kKindMail,
                "mail messages: "};
    case kKindAppointment:
        return {{{"Subject", 250}, {"From", 150}, {"To", 150}},
                "Reading calendar items...",
                kKindAppointment,
                "calendar records: "};
    case kKindContact:
        return {{{"Full name", 200},
                 {"Short name", 200},
                 {"Organization", 200},
                 {"Ocupation", 200},
                 {"Telephone", 200}},
                "Reading contacts...",
                kKindContact,
                "contact items: "};
    case kKindJournal:
        return {{{"Subject", 200}, {"Type", 200}, {"Start date", 200}, {"End date", 200}},
                "Reading journal records...",
                kKindJournal,
                "Journal records: "};
    case kKindStickyNote:
        return {{{"Subject", 200}, {"Body", 200}, {"Last modification", 200}},
                "Reading sticky notes...",
                kKindStickyNote,
                "Sticky notes: "};
    case kKindTask:
        return {{{"Task", 250}, {"Period", 200}}, "Reading tasks...", kKindTask, "task items: "};
    default:
        return {};
    }
}

void FitLastColumn(std::vector<tcolumn>& columns, int listWidth) {
    if (columns.empty()) return;
    int width = listWidth;
    for (size_t i = 0; i + 1 < columns.size(); ++i)
        width -= columns[i].Width + 2;
    columns.back().Width = width;
}

std::string FormatListDate(const tbytes& filetime) {
    std::optional<std::tm> local = FileTimeToLocalTime(filetime);
    if (!local) return {};
    const int year = local->tm_year + 1900;
    char out[64];
    if (year < 0 || year > 9999) {
        snprintf(out, sizeof out, "%s %04d.%02d.%02d %02d:%02d:%02d", kDayNames[local->tm_wday % 7],
                 year, local->tm_mon + 1, local->tm_mday, local->tm_hour, local->tm_min,
                 local->tm_sec);
        return out;
    }
    // "Www YYYY.MM.DD hh:mm:ss" written by hand: a list of many thousand
    // rows formats as many dates, and snprintf is a good part of a row's cost.
    std::string text = kDayNames[local->tm_wday % 7];
    text.resize(23);
    auto put = [&](size_t at, int value, int digits) {
        for (int i = digits - 1; i >= 0; --i, value /= 10)
            text[at + size_t(i)] = char('0' + value % 10);
    };
    text[3] = ' ';
    put(4, year, 4);
    text[8] = '.';
    put(9, local->tm_mon + 1, 2);
    text[11] = '.';
    put(12, local->tm_mday, 2);
    text[14] = ' ';
    put(15, local->tm_hour, 2);
    text[17] = ':';
    put(18, local->tm_min, 2);
    text[20] = ':';
    put(21, local->tm_sec, 2);
    return text;
}

tfolderitems CollectFolderItems(TPst64File& pst, tnodeentry* folder) {
    tfolderitems result;
    pst.CurrentNode = folder;
    ostrel::PumpEvents();
    pst.ClearItemList();
    tnodeentry* next = nullptr;
    pst.GetNextItem(folder, 0, next, pst.CurrentObject);
    pst.CurrentNode = next;
    result.FolderKind = pst.CurrentObject ? pst.CurrentObject->Kind : kKindNone;
    result.Set = ColumnsForKind(result.FolderKind);
    pst.Enumerating = true;
    result.Count = pst.CollectItems(folder ? folder->pFirstChild : nullptr, result.Set.ListKind, 0);
    ostrel::PumpEvents();
    pst.Enumerating = false;
    if (!result.Set.Columns.empty())
        result.Status = result.Set.CountPrefix + std::to_string(result.Count);
    FreeMessage(pst.CurrentObject);
    return result;
}

std::span<const char* const> ItemRowFieldsOfAnyKind() {
    static const std::vector<const char*> fields = [] {
        std::vector<const char*> all;
        auto listed = [&](std::string_view field) {
            return std::ranges::any_of(all, [&](const char* f) { return field == f; });
        };
        for (int32_t kind :
             {kKindMail, kKindAppointment, kKindContact, kKindJournal, kKindStickyNote, kKindTask})
            for (const char* field : ItemRowFieldsOfKind(kind))
                if (field != std::string_view(kNoteBody) && !listed(field)) all.push_back(field);
        return all;
    }();
    return fields;
}

std::span<const char* const> ItemRowFieldsOfKind(int32_t kind) {
    switch (kind) {
    case kKindMail:
        return kMailRowFields;
    case kKindAppointment:
        return kAppointmentRowFields;
    case kKindContact:
        return kContactRowFields;
    case kKindJournal:
        return kJournalRowFields;
    case kKindStickyNote:
        return kNoteRowFields;
    case kKindTask:
        return kTaskRowFields;
    default:
        return {}; // no cells
    }
}

titemrow ItemRowCells(const tpstmessage& m) {
    titemrow row;
    FillCells(m, row);
    return row;
}

namespace {

// Only the fields the cells show are read: no bodies but a sticky note's.
// The collection read the node's kind already (kept in the node) in most
// cases: then only that kind's fields are asked for, unless the object
// turns out to be of another kind. Null for an index outside the collected
// items. Touches no state of `pst` but its engine's reads, so rows can be
// read on several threads at once.
std::unique_ptr<tpstmessage> ReadRowObject(TPst64File& pst, int32_t index, tnodeentry*& node) {
    node = nullptr;
    if (!pst.ItemList || index < 0 || size_t(index) >= pst.ItemList->size()) return nullptr;
    node = (*pst.ItemList)[size_t(index)];
    std::unique_ptr<tpstmessage> m;
    const bool kindKnown = node->fReadRecords != 0;
    if (kindKnown) {
        m = pst.ReadObjectFields(node, ItemRowFieldsOfKind(node->nReadKind));
        if (!m || m->Kind == node->nReadKind) return m;
    }
    m = pst.ReadObjectFields(node, ItemRowFieldsOfAnyKind());
    if (m && m->Kind == kKindStickyNote)
        m = pst.ReadObjectFields(node, ItemRowFieldsOfKind(kKindStickyNote));
    return m;
}

// An item moved to another folder since the collection keeps an empty row.
titemrow RowOfObject(TPst64File& pst, tnodeentry* folder, tnodeentry* node, const tpstmessage* m) {
    if (!node || !m || node->pParent != folder) return {};
    return ItemRowOf(pst, node, *m);
}

// Rows read per chunk of work: enough to outweigh handing the chunk over.
constexpr size_t kRowsPerChunk = 64;

} // namespace

titemrow BuildItemRow(TPst64File& pst, tnodeentry* folder, int32_t index) {
    if (!folder) return {};
    FreeMessage(pst.CurrentObject);
    tnodeentry* node = nullptr;
    pst.CurrentObject = ReadRowObject(pst, index, node);
    return RowOfObject(pst, folder, node, pst.CurrentObject.get());
}

std::vector<titemrow> BuildItemRows(TPst64File& pst, tnodeentry* folder, int32_t first,
                                    int32_t end) {
    if (!folder || first < 0 || end <= first) return {};
    std::vector<titemrow> rows(size_t(end - first));
    // Read in file order, each row kept at its place in the list.
    const std::vector<size_t> order = ostrel::FileOrder(rows.size(), [&](size_t i) {
        const size_t index = size_t(first) + i;
        return pst.ItemList && index < pst.ItemList->size() ? (*pst.ItemList)[index] : nullptr;
    });
    ostrel::ForChunksOnCores(rows.size(), kRowsPerChunk, [&](size_t from, size_t to) {
        for (size_t k = from; k < to; ++k) {
            const size_t i = order[k];
            tnodeentry* node = nullptr;
            std::unique_ptr<tpstmessage> m = ReadRowObject(pst, first + int32_t(i), node);
            rows[i] = RowOfObject(pst, folder, node, m.get());
            FreeMessage(m);
        }
    });
    return rows;
}

titemrow ItemRowOf(TPst64File& pst, tnodeentry* node, const tpstmessage& m) {
    titemrow row;
    if (!node || m.Kind >= kKindOther) return row;
    FillCells(m, row);
    if (row.Cells.empty()) return row;
    row.Node = node;
    row.Recovered = pst.IsRecovered(node);
    return row;
}

// The search results' columns and cells (see SearchRows.h).
#include "display/SearchRows.h"

#include "display/AddressTexts.h"
#include "display/SearchItem.h"

namespace ostrel::search {
namespace {

constexpr int kFolderWidth = 150;
constexpr int kPeopleWidth = 130;
constexpr int kSubjectWidth = 250;
constexpr int kDateWidth = 120;
constexpr size_t kMailSubjectCell = 2;
constexpr size_t kFileTimeBytes = 8;

std::string DateCell(const tpstmessage& item) {
    std::optional<uint64_t> when = ItemFileTime(item);
    if (!when) return {};
    tbytes bytes(kFileTimeBytes);
    for (size_t i = 0; i < kFileTimeBytes; ++i)
        bytes[i] = uint8_t(*when >> (8 * i));
    return FormatListDate(bytes);
}

} // namespace

std::vector<tcolumn> SearchResultColumns() {
    return {{"Folder", kFolderWidth},
            {"From", kPeopleWidth},
            {"To", kPeopleWidth},
            {"Subject", kSubjectWidth},
            {"Date", kDateWidth}};
}

std::vector<std::string> SearchResultCells(const std::string& folderPath, const tpstmessage& item,
                                           const titemrow& row) {
    std::string from, to, subject;
    const bool mail = item.Kind == kKindMail && row.Cells.size() > kMailSubjectCell;
    if (mail) {
        from = row.Cells[0];
        to = row.Cells[1];
        subject = row.Cells[kMailSubjectCell];
    } else {
        if (item.MailInfo && item.Kind != kKindContact) {
            from = SenderText(item.MailInfo->SentRepresentingName,
                              item.MailInfo->SentRepresentingEmail);
            to = StripClosingTags(TextOf(item.MailInfo->DisplayTo));
        }
        subject = row.Cells.empty() ? std::string() : row.Cells[0];
    }
    return {folderPath, from, to, subject, DateCell(item)};
}

} // namespace ostrel::search

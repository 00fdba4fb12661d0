// The per-item choice of .vcf or .ics and its writing.
#include "export/CompanionFiles.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "engine/messaging/Subject.h"
#include "export/EmlNames.h"
#include "export/ICalendar.h"
#include "export/VCard.h"

namespace {

// Meeting requests, updates and cancellations carry the meeting itself
// ([MS-OXOCAL] 2.2.6); responses only an answer.
constexpr const char* kMeetingClasses[] = {"IPM.Schedule.Meeting.Request",
                                           "IPM.Schedule.Meeting.Canceled"};
constexpr size_t kEmlExtensionBytes = 4; // ".eml"

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    return strncasecmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

} // namespace

tcompanion CompanionOf(const tpstmessage& item) {
    if (item.FolderCounts) return tcompanion::None;
    if (IsDistributionList(item)) return tcompanion::ListCard;
    switch (item.Kind) {
    case kKindContact:
        return tcompanion::ContactCard;
    case kKindAppointment:
        return tcompanion::Event;
    case kKindTask:
        return tcompanion::Task;
    default:
        break;
    }
    std::string cls = TextOf(item.MessageClass);
    for (const char* meeting : kMeetingClasses)
        if (StartsWithNoCase(cls, meeting) && item.Appointment) return tcompanion::Event;
    return tcompanion::None;
}

std::string CompanionFileName(const tpstmessage& item, uint64_t nid, tcompanion kind) {
    std::string subject = SubjectText(item);
    if (subject.empty() && (kind == tcompanion::ContactCard || kind == tcompanion::ListCard))
        subject = TextOf(item.DisplayName);
    std::string name = EmlFileName(subject, nid);
    name.resize(name.size() - kEmlExtensionBytes);
    bool card = kind == tcompanion::ContactCard || kind == tcompanion::ListCard;
    return name + (card ? ".vcf" : ".ics");
}

std::string ComposeCompanion(const tpstmessage& item, uint64_t nid, tcompanion kind,
                             const trecipienttable* recipients) {
    switch (kind) {
    case tcompanion::ContactCard:
        return ComposeContactVCard(item);
    case tcompanion::ListCard:
        return ComposeListVCard(item);
    case tcompanion::Event:
        return ComposeEventCalendar(item, nid, recipients);
    case tcompanion::Task:
        return ComposeTaskCalendar(item, nid);
    case tcompanion::None:
        break;
    }
    return std::string();
}

int32_t WriteCompanionFile(const tpstmessage& item, uint64_t nid, const std::string& dir,
                           std::string* error, const trecipienttable* recipients) {
    tcompanion kind = CompanionOf(item);
    if (kind == tcompanion::None) return 0;
    std::string path = dir + "/" + CompanionFileName(item, nid, kind);
    std::string text;
    try {
        text = ComposeCompanion(item, nid, kind, recipients);
    } catch (const std::exception& e) {
        if (error) *error = "cannot write " + path + ": " + e.what();
        return -1;
    }
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error) *error = "cannot write " + path + ": " + std::strerror(errno);
        return -1;
    }
    bool written = WriteAll(fd, text);
    int closed = ::close(fd);
    if (!written || closed != 0) {
        if (error) *error = "cannot write " + path + ": " + std::strerror(errno);
        return -1;
    }
    return 1;
}

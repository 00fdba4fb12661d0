// The generated mailbox of the search tests (display and cli): one item for
// each field the search reads, bodies of every kind (plain, HTML, RTF only),
// an 8-bit code page, Unicode text, a subfolder and folders of other kinds.
#pragma once

#include <cstdint>
#include <string>

#include "tools/pstwriter/PstMailbox.h"
#include "tools/pstwriter/PstRtf.h"

namespace searchbox {

inline uint64_t FileTime(int64_t unixSeconds) {
    return uint64_t(unixSeconds + 11644473600LL) * 10000000ULL;
}

constexpr int64_t k20200101 = 1577836800;
constexpr int64_t k20210301 = 1614556800;
constexpr int64_t k20210401 = 1617235200;
constexpr int64_t k20210615 = 1623715200;
constexpr int64_t k20210909 = 1631145600;
constexpr int64_t k20220110 = 1641772800;
constexpr int64_t k20220505 = 1651708800;

inline pstw::Item Mail(const std::string& subject, int64_t sent) {
    pstw::Item m;
    m.subject = subject;
    m.senderName = "Carl";
    m.senderAddress = "carl@example.com";
    m.displayTo = "Bob Builder";
    m.submitTime = FileTime(sent);
    return m;
}

inline pstw::Mailbox Generated() {
    using namespace pstw;
    Folder inbox("Inbox"), projects("Projects"), calendar("Calendar", "IPF.Appointment"),
        contacts("Contacts", "IPF.Contact");
    Item report = Mail("Quarterly Report", k20210301);
    report.senderName = "Zo\xC3\xAB \xC3\x85ngstr\xC3\xB6m"; // Zoë Ångström
    report.senderAddress = "zoe@example.org";
    report.body = "see the numbers";
    Item lunch = Mail("Lunch", k20210615);
    lunch.html = "<html><head><style>p.lunch{color:red}</style></head><body><p "
                 "class=\"lunch\">Meet at the <span>Caf&eacute;</span> &amp; "
                 "bring&nbsp;friends</p><script>var secretword = 1;</script></body></html>";
    Item minutes = Mail("Minutes", k20220110);
    minutes.rtfCompressed =
        uncompressedRtf("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 "
                        "Gleichstrom \\'fcber alles\\par}");
    // A recipient the display lists do not name: the table's row is searched.
    minutes.recipients = {{"Erin Quist", "erin@corp.example", "SMTP", 2}};
    Item photos = Mail("Photos", k20220505);
    photos.displayCc = "Dana <dana@example.net>";
    Attachment picture;
    picture.longFileName = "Urlaubsbild_M\xC3\xB6nch.jpg"; // Mönch
    picture.data = {1, 2, 3};
    photos.attachments.push_back(picture);
    Item resume = Mail("R\xC3\xA9sum\xC3\xA9 draft", k20200101); // Résumé, stored as 8-bit
    resume.codePage = 1252;
    Item russian = Mail("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 world", k20200101);
    inbox.items = {report, lunch, minutes, photos, resume, russian};

    Item kickoff = Mail("Project kickoff", k20210909);
    kickoff.body = "the budget report is attached";
    projects.items = {kickoff};
    inbox.folders = {projects};

    Item planning;
    planning.kind = ItemKind::Appointment;
    planning.subject = "Quarterly planning";
    planning.appointment = AppointmentInfo{};
    planning.appointment->start = FileTime(k20210401);
    planning.appointment->end = FileTime(k20210401 + 3600);
    planning.appointment->location = "Room 1";
    calendar.items = {planning};

    Item angel;
    angel.kind = ItemKind::Contact;
    angel.subject = "\xC3\x81ngel P\xC3\xA9rez"; // Ángel Pérez
    angel.contact = ContactInfo{};
    angel.contact->companyName = "Acme";
    angel.contact->email1Address = "angel@acme.example";
    contacts.items = {angel};

    pstw::Mailbox m;
    m.ipmSubtree.folders = {inbox, calendar, contacts};
    return m;
}

} // namespace searchbox

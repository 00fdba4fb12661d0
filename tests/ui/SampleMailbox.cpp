// The sample mailbox (see SampleMailbox.h).
#include "tests/ui/SampleMailbox.h"

#include <ctime>

namespace sample {
namespace {

using pstw::Folder;
using pstw::Item;
using pstw::ItemKind;

// 2010-01-04 08:00:00 UTC, when the sample's undated items were made.
constexpr uint64_t kCreated = 129070656000000000ull;

Item Mail(const std::string& subject, const std::string& from, const std::string& address,
          const std::string& to, uint64_t sent) {
    Item item;
    item.kind = ItemKind::Note;
    item.subject = subject;
    item.senderName = from;
    item.senderAddress = address;
    item.displayTo = to;
    item.submitTime = sent;
    item.deliveryTime = sent;
    // Every item has a time of its own, so that its exported Date is fixed.
    item.creationTime = item.modificationTime = sent ? sent : kCreated;
    item.body = "Hello,\r\n\r\n" + subject + ".\r\n\r\nRegards\r\n" + from + "\r\n";
    if (!to.empty()) item.recipients.push_back({to, "someone@example.org"});
    return item;
}

Folder Inbox() {
    Folder inbox("Inbox");
    const char* const subjects[] = {"Quarterly report", "Lunch on Friday",  "Build is green",
                                    "Travel plans",     "Invoice 2010-017", "Re: Budget",
                                    "Meeting notes",    "New office hours", "Password reset",
                                    "Holiday schedule", "Welcome aboard"};
    for (int i = 0; i < 11; ++i)
        inbox.items.push_back(Mail(subjects[i], "Ann Smith", "ann@example.com", "Bob Jones",
                                   FileTime(2010, 2, 1 + i, 9 + i % 8, 5 * i, i)));
    // A directory sender, a recipient text with a closing tag, no subject.
    Item bare = Mail("", "Directory User", "/o=Org/OU=Site/cn=Recipients/cn=user", "Ann</b>; Bob",
                     FileTime(2010, 2, 7, 14, 5, 9));
    inbox.items.push_back(bare);

    Folder project("Project X");
    project.items.push_back(
        Mail("Kick-off", "Carl Brown", "carl@example.net", "Team", FileTime(2011, 5, 2, 8, 0, 0)));
    project.items.push_back(Mail("Milestone 1", "Carl Brown", "carl@example.net", "Team",
                                 FileTime(2011, 6, 1, 8, 30, 0)));
    // Neither sender nor recipient nor date; a sender name of 300 characters.
    project.items.push_back(Mail("Anonymous", "", "", "", 0));
    project.items.push_back(Mail("Long name", std::string(300, 'n'), "long@example.com", "Team",
                                 FileTime(2011, 7, 1, 8, 0, 0)));
    inbox.folders.push_back(project);
    return inbox;
}

Folder SentItems() {
    Folder sent("Sent Items");
    sent.items.push_back(Mail("Re: Lunch on Friday", "Bob Jones", "bob@example.com", "Ann Smith",
                              FileTime(2010, 2, 3, 12, 0, 0)));
    sent.items.push_back(Mail("Re: Travel plans", "Bob Jones", "bob@example.com", "Ann Smith",
                              FileTime(2010, 2, 5, 16, 45, 0)));
    return sent;
}

Item Appointment(const std::string& subject, const std::string& location, uint64_t start,
                 uint64_t end) {
    Item item;
    item.kind = ItemKind::Appointment;
    item.creationTime = item.modificationTime = kCreated;
    item.subject = subject;
    item.appointment = pstw::AppointmentInfo{};
    item.appointment->start = start;
    item.appointment->end = end;
    item.appointment->location = location;
    return item;
}

Folder Calendar() {
    Folder calendar("Calendar", "IPF.Appointment");
    calendar.items.push_back(Appointment("Review", "Room 1", FileTime(2010, 2, 8, 10, 0, 0),
                                         FileTime(2010, 2, 8, 11, 0, 0)));
    calendar.items.push_back(Appointment("Dentist", "", FileTime(2010, 2, 9, 15, 30, 0),
                                         FileTime(2010, 2, 9, 16, 0, 0)));
    calendar.items.push_back(Appointment("Team lunch", "Canteen", FileTime(2010, 2, 12, 12, 0, 0),
                                         FileTime(2010, 2, 12, 13, 0, 0)));
    calendar.items.push_back(Appointment("Release party", "Roof terrace",
                                         FileTime(2010, 3, 1, 18, 0, 0),
                                         FileTime(2010, 3, 1, 22, 0, 0)));
    return calendar;
}

Item Contact(const std::string& name, const std::string& fileUnder, const std::string& email,
             const std::string& company, const std::string& title, const std::string& phone) {
    Item item;
    item.kind = ItemKind::Contact;
    item.subject = name;
    item.contact = pstw::ContactInfo{};
    item.contact->displayName = name;
    item.contact->fileUnder = fileUnder;
    item.contact->email1DisplayName = email;
    item.contact->email1Address = email;
    item.contact->companyName = company;
    item.contact->jobTitle = title;
    item.contact->businessPhone = phone;
    return item;
}

Folder Contacts() {
    Folder contacts("Contacts", "IPF.Contact");
    contacts.items.push_back(Contact("Ann Smith", "Smith, Ann", "ann@example.com", "Example Ltd",
                                     "Engineer", "+1 555 0100"));
    contacts.items.push_back(Contact("Bob Jones", "Jones, Bob", "bob@example.com", "Example Ltd",
                                     "Manager", "+1 555 0101"));
    contacts.items.push_back(
        Contact("Carl Brown", "", "carl@example.net", "Brown & Co", "Owner", "+44 20 7946 0000"));
    contacts.items.push_back(Contact("Dora Lee", "Lee, Dora", "dora@example.org", "", "", ""));
    return contacts;
}

Item Journal(const std::string& subject, const std::string& type, uint64_t start, uint64_t end) {
    Item item;
    item.kind = ItemKind::Journal;
    item.creationTime = item.modificationTime = kCreated;
    item.subject = subject;
    item.journal = pstw::JournalInfo{};
    item.journal->type = type;
    item.journal->typeDescription = type;
    item.journal->start = start;
    item.journal->end = end;
    return item;
}

Folder JournalFolder() {
    Folder journal("Journal", "IPF.Journal");
    journal.items.push_back(Journal("Call with Ann", "Phone call", FileTime(2010, 2, 8, 9, 0, 0),
                                    FileTime(2010, 2, 8, 9, 20, 0)));
    journal.items.push_back(Journal("Design review", "Meeting", FileTime(2010, 2, 9, 13, 0, 0),
                                    FileTime(2010, 2, 9, 14, 0, 0)));
    journal.items.push_back(
        Journal("", "Document", FileTime(2010, 2, 10, 16, 0, 0), FileTime(2010, 2, 10, 16, 30, 0)));
    return journal;
}

Item Note(const std::string& subject, const std::string& body, uint64_t modified) {
    Item item;
    item.kind = ItemKind::StickyNote;
    item.subject = subject;
    item.body = body;
    item.modificationTime = modified;
    item.stickyNote = pstw::StickyNoteInfo{};
    return item;
}

Folder Notes() {
    Folder notes("Notes", "IPF.StickyNote");
    notes.items.push_back(Note("Milk", "Milk\r\nbread, eggs", FileTime(2010, 2, 6, 8, 0, 0)));
    notes.items.push_back(Note("Door code", "Door code 4711", FileTime(2010, 2, 7, 19, 30, 0)));
    notes.items.push_back(Note("", "A note without a subject", FileTime(2010, 2, 8, 7, 15, 0)));
    return notes;
}

Item Task(const std::string& subject, uint64_t due) {
    Item item;
    item.kind = ItemKind::Task;
    item.creationTime = item.modificationTime = kCreated;
    item.subject = subject;
    item.submitTime = due;
    item.task = pstw::TaskInfo{};
    item.task->dueDate = due;
    return item;
}

Folder Tasks() {
    Folder tasks("Tasks", "IPF.Task");
    tasks.items.push_back(Task("Renew passport", FileTime(2010, 3, 1, 9, 0, 0)));
    tasks.items.push_back(Task("File taxes", FileTime(2010, 4, 15, 9, 0, 0)));
    tasks.items.push_back(Task("Water the plants", 0));
    return tasks;
}

// Level 1 "Archive" down to level 8: rows of depth 7 and 8 show no icon.
Folder DeepChain() {
    Folder bottom("Level 8");
    bottom.items.push_back(Mail("Deep down", "Ann Smith", "ann@example.com", "Bob Jones",
                                FileTime(2009, 12, 24, 18, 0, 0)));
    for (int level = 7; level >= 2; --level) {
        Folder up("Level " + std::to_string(level));
        up.folders.push_back(bottom);
        bottom = up;
    }
    Folder archive("Archive");
    archive.folders.push_back(bottom);
    return archive;
}

// A folder the list leaves out by its name; its child is listed under the root row.
Folder HiddenByName() {
    Folder hidden("IPM_COMMON_VIEWS");
    hidden.folders.emplace_back("Orphaned");
    hidden.folders.back().items.push_back(Mail("Left behind", "Ann Smith", "ann@example.com",
                                               "Bob Jones", FileTime(2010, 1, 1, 0, 0, 0)));
    return hidden;
}

Folder ViewerMail() {
    Folder mail("Viewer mail");
    Item plain = Mail("Plain body", "Ann Smith", "ann@example.com", "Bob</b> Jones",
                      FileTime(2010, 2, 7, 14, 5, 9));
    plain.displayCc = "Carl Brown; Dora Lee";
    plain.body = "Hi Bob,\r\nwrite to Ann <ann@example.com> if a < b & c > d.\r\nAnn";
    mail.items.push_back(plain);

    Item html = Mail("HTML body", "Ann Smith", "ann@example.com", "Bob Jones",
                     FileTime(2010, 2, 8, 9, 30, 0));
    html.displayCc = "Carl Brown";
    html.html = "<html><body><p id=\"t\">Rendered <b>HTML</b></p>"
                "<img src=\"http://127.0.0.1:9/remote.png\">"
                "<a href=\"http://example.com/\">a link</a></body></html>";
    mail.items.push_back(html);

    Item bare = Mail("", "", "", "", 0);
    bare.body = "No subject here";
    mail.items.push_back(bare);

    Item directory = Mail("Directory sender", "Dir User", "/o=Org/ou=Site/cn=user", "Ann Smith",
                          FileTime(2010, 2, 9, 8, 0, 0));
    mail.items.push_back(directory);

    Item big = Mail("Big body", "Ann Smith", "ann@example.com", "Bob Jones",
                    FileTime(2010, 2, 10, 8, 0, 0));
    big.html = "<html><body><p>Start of a big body</p><p>" + std::string(3 * 1000 * 1000, 'x') +
               "</p><p>End of a big body</p></body></html>";
    mail.items.push_back(big);
    return mail;
}

Folder ViewerCalendar() {
    Folder calendar("Viewer calendar", "IPF.Appointment");
    Item review = Appointment("Review", "Room 1", FileTime(2010, 2, 8, 9, 30, 0),
                              FileTime(2010, 2, 8, 10, 0, 0));
    review.appointment->color = 3;
    review.appointment->reminderMinutes = 15;
    review.appointment->busyStatus = 1;
    review.appointment->allDay = true;
    review.appointment->durationMinutes = 30;
    review.body = "Agenda:\r\n1. <Budget>";
    calendar.items.push_back(review);

    Item odd = Appointment("Odd times", "", FileTime(2010, 2, 9, 9, 15, 0),
                           FileTime(2010, 2, 9, 10, 0, 0));
    odd.appointment->color = 11;
    odd.appointment->reminderMinutes = 45;
    odd.appointment->busyStatus = 7;
    odd.html = "<p>Odd</p>";
    calendar.items.push_back(odd);
    return calendar;
}

} // namespace

uint64_t FileTime(int year, int month, int day, int hour, int minute, int second) {
    struct tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    int64_t unix = int64_t(timegm(&t));
    return uint64_t(unix + 11644473600ll) * 10000000ull;
}

pstw::Mailbox Mailbox() {
    pstw::Mailbox m;
    m.storeName = "Sample mailbox";
    Folder& top = m.ipmSubtree;
    top.folders.push_back(Inbox());
    top.folders.push_back(SentItems());
    top.folders.emplace_back("Deleted Items");
    top.folders.push_back(Calendar());
    top.folders.push_back(Contacts());
    top.folders.push_back(JournalFolder());
    top.folders.push_back(Notes());
    top.folders.push_back(Tasks());
    top.folders.push_back(DeepChain());
    top.folders.push_back(HiddenByName());
    return m;
}

void Write(const std::string& path, pstw::Layout layout) {
    pstw::Options options;
    options.layout = layout;
    pstw::MailboxWriter writer(options);
    pstw::writeFile(path, writer.write(Mailbox()));
}

pstw::Mailbox ViewerMailbox() {
    pstw::Mailbox m;
    m.storeName = "Viewer items";
    m.ipmSubtree.folders.push_back(ViewerMail());
    m.ipmSubtree.folders.push_back(ViewerCalendar());
    return m;
}

void WriteViewers(const std::string& path) {
    pstw::MailboxWriter writer(pstw::Options{});
    pstw::writeFile(path, writer.write(ViewerMailbox()));
}

} // namespace sample

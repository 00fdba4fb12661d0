// The organizer folders of the sample mailbox: meetings with attendees and all-day events,
// contacts, tasks, sticky notes and journal entries, with the named properties of
// [MS-OXOCAL], [MS-OXOCNTC], [MS-OXOTASK], [MS-OXONOTE] and [MS-OXOJRNL] that the writer fills.
#include "tools/samplemailbox/SampleContent.h"

namespace samplemailbox {

namespace {

using pstw::Folder;
using pstw::Item;
using pstw::ItemKind;

constexpr uint64_t kMinute = 600000000ull;
constexpr uint64_t kDay = 24 * 60 * kMinute;
constexpr int32_t kBusy = 2, kFree = 0, kOutOfOffice = 3;
constexpr int32_t kTaskNotStarted = 0, kTaskInProgress = 1, kTaskComplete = 2;
constexpr int32_t kNoteBlue = 0, kNoteGreen = 1, kNotePink = 2, kNoteYellow = 3;

Item meeting(const std::string& subject, uint64_t start, int minutes, const std::string& location,
             const std::vector<const char*>& attendees) {
    Item item;
    item.kind = ItemKind::Appointment;
    item.subject = subject;
    item.senderName = owner().name;
    item.senderAddress = owner().address;
    for (const char* first : attendees)
        item.recipients.push_back(recipientOf(person(first)));
    for (const pstw::Recipient& r : item.recipients)
        item.displayTo += (item.displayTo.empty() ? "" : "; ") + r.name;
    item.creationTime = item.modificationTime = start - 7 * kDay;
    item.body = subject + "\r\n\r\nAgenda to follow.";
    pstw::AppointmentInfo& a = item.appointment.emplace();
    a.start = start;
    a.end = start + uint64_t(minutes) * kMinute;
    a.durationMinutes = minutes;
    a.location = location;
    a.busyStatus = kBusy;
    a.reminderMinutes = 15;
    return item;
}

Item allDay(const std::string& subject, uint64_t day, int days, int32_t busyStatus) {
    Item item = meeting(subject, day, days * 24 * 60, "", {});
    item.body = subject;
    item.appointment->allDay = true;
    item.appointment->busyStatus = busyStatus;
    item.appointment->reminderMinutes.reset();
    return item;
}

Folder calendar() {
    Folder f{"Calendar", "IPF.Appointment"};
    f.items = {
        meeting("Bluefin kick-off", at(1, 14, 15), 60, "Video call", {"Priya", "Hannah", "Emma"}),
        meeting("Concept review", at(1, 30, 14), 90, "Meeting room 2", {"Priya", "Emma", "Aisha"}),
        meeting("Designer interviews", at(2, 4, 10), 180, "Meeting room 1", {"Sofia"}),
        meeting("Print quote call", at(2, 10, 9, 30), 30, "Phone", {"Lukas"}),
        meeting("Usability findings walkthrough", at(3, 5, 14), 60, "Small meeting room",
                {"Aisha", "Emma"}),
        meeting("Studio all-hands", at(4, 2, 16), 45, "Main studio",
                {"Oliver", "Emma", "Sofia", "Marcus", "Aisha", "Ryan"}),
        allDay("Spring workshop", at(3, 12, 0), 1, kBusy),
        allDay("Product photo shoot", at(3, 24, 0), 1, kBusy),
        allDay("Easter holiday", at(4, 3, 0), 4, kOutOfOffice),
        allDay("Emma's birthday", at(2, 18, 0), 1, kFree),
    };
    return f;
}

Item contact(const Person& p) {
    Item item;
    item.kind = ItemKind::Contact;
    item.subject = p.name;
    item.creationTime = item.modificationTime = at(1, 2, 9);
    pstw::ContactInfo& c = item.contact.emplace();
    const size_t space = p.name.find(' ');
    c.displayName = p.name;
    c.givenName = p.name.substr(0, space);
    c.surname = p.name.substr(space + 1);
    c.fileUnder = c.surname + ", " + c.givenName;
    c.companyName = p.company;
    c.jobTitle = p.jobTitle;
    c.businessPhone = p.phone;
    c.mobilePhone = p.mobile;
    c.email1Address = p.address;
    c.email1DisplayName = p.name + " (" + p.address + ")";
    return item;
}

Folder contacts() {
    Folder f{"Contacts", "IPF.Contact"};
    for (const Person& p : people())
        f.items.push_back(contact(p));
    return f;
}

Item task(const std::string& subject, uint64_t due, int32_t status, double done) {
    Item item;
    item.kind = ItemKind::Task;
    item.subject = subject;
    item.creationTime = item.modificationTime = due - 14 * kDay;
    item.body = subject + ".";
    pstw::TaskInfo& t = item.task.emplace();
    t.startDate = due - 7 * kDay;
    t.dueDate = due;
    t.status = status;
    t.percentComplete = done;
    t.complete = status == kTaskComplete;
    if (t.complete) t.dateCompleted = due - kDay;
    t.owner = owner().name;
    return item;
}

Folder tasks() {
    Folder f{"Tasks", "IPF.Task"};
    f.items = {task("Send Bluefin concepts", at(1, 30, 17), kTaskComplete, 1.0),
               task("Approve catalogue print quote", at(2, 27, 17), kTaskComplete, 1.0),
               task("Write Q1 studio report", at(4, 10, 17), kTaskInProgress, 0.6),
               task("Book offsite venue", at(5, 8, 17), kTaskInProgress, 0.25),
               task("Plan summer intern projects", at(5, 29, 17), kTaskNotStarted, 0.0)};
    return f;
}

Item stickyNote(const std::string& text, int32_t color, uint64_t modified) {
    Item item;
    item.kind = ItemKind::StickyNote;
    item.subject = text.substr(0, text.find('\r'));
    item.body = text;
    item.creationTime = item.modificationTime = modified;
    item.stickyNote.emplace().color = color;
    return item;
}

Folder notes() {
    Folder f{"Notes", "IPF.StickyNote"};
    f.items = {stickyNote("Call Lukas about paper stock\r\nmatt 150 g, 8,000 copies", kNoteYellow,
                          at(2, 11, 9)),
               stickyNote("Wi-Fi for guests: Northwind-Guest", kNoteBlue, at(1, 8, 10)),
               stickyNote("Ideas for offsite\r\n- tooling\r\n- portfolio review\r\n- hiking",
                          kNoteGreen, at(4, 24, 17)),
               stickyNote("Buy a card for Emma", kNotePink, at(2, 16, 8))};
    return f;
}

Item journalEntry(const std::string& subject, const std::string& type, uint64_t start, int minutes,
                  const char* with) {
    Item item;
    item.kind = ItemKind::Journal;
    item.subject = subject;
    item.body = subject + " with " + person(with).name + ".";
    item.creationTime = item.modificationTime = start;
    pstw::JournalInfo& j = item.journal.emplace();
    j.type = type;
    j.typeDescription = type;
    j.start = start;
    j.end = start + uint64_t(minutes) * kMinute;
    j.durationMinutes = minutes;
    return item;
}

Folder journal() {
    Folder f{"Journal", "IPF.Journal"};
    f.items = {journalEntry("Budget call", "Phone call", at(1, 22, 11), 25, "Ryan"),
               journalEntry("Print quote follow-up", "Phone call", at(2, 10, 9, 30), 20, "Lukas"),
               journalEntry("Campaign timeline", "Meeting", at(4, 8, 15), 45, "Priya"),
               journalEntry("Catering order", "E-mail Message", at(2, 24, 10), 5, "Tom")};
    return f;
}

} // namespace

std::vector<Folder> organizerFolders() {
    return {calendar(), contacts(), tasks(), notes(), journal()};
}

} // namespace samplemailbox

// The viewer tests' mailbox (see ViewerFormsSample.h): the properties each
// viewer shows, under the property sets [MS-OXPROPS] gives them.
#include "tests/ui/ViewerFormsSample.h"

#include "tests/ui/SampleMailbox.h"
#include "tools/pstwriter/PstMailbox.h"

namespace viewersample {
namespace {

using pstw::Folder;
using pstw::Item;
using pstw::ItemKind;
using pstw::NamedValue;
using pstw::Prop;
using pstw::PropName;

// The writer replaces a named value's ID with the one the name map assigns.
constexpr uint16_t kAnyNamedId = 0x8000;

uint64_t FileTime(int year, int month, int day, int hour, int minute) {
    return sample::FileTime(year, month, day, hour, minute, 0);
}

NamedValue Named(const pstw::Guid& set, uint32_t lid, Prop value) {
    return {PropName::numeric(set, lid), std::move(value)};
}

NamedValue Text(const pstw::Guid& set, uint32_t lid, const std::string& text) {
    return Named(set, lid, Prop::str(kAnyNamedId, text));
}

Item Contact() {
    Item item;
    item.kind = ItemKind::Contact;
    item.subject = "Ann Smith";
    item.body = "Met at the fair";
    item.contact = pstw::ContactInfo{};
    item.contact->displayName = "Ann Smith";
    item.contact->companyName = "Example Ltd";
    item.contact->jobTitle = "Buyer";
    item.contact->businessPhone = "+1 555 0100";
    item.contact->mobilePhone = "+1 555 0103";
    item.contact->fileUnder = "Smith, Ann";
    item.contact->email1Address = "ann@example.com";
    item.contact->email1DisplayName = "Ann Smith (ann@example.com)";
    const pstw::Guid address = pstw::psetidAddress();
    item.named = {
        Text(address, 0x801B, "1 Work Street\r\nWorktown"),
        Text(address, 0x801A, "2 Home Road\r\nHometown"), Text(address, 0x801C, "3 Other Lane"),
        Text(address, 0x8093, "ann.smith@example.org"), Text(address, 0x8094, "Ann at home")};
    item.extra = {Prop::str(0x3A51, "http://example.com/ann"), Prop::str(0x3A18, "Purchasing"),
                  Prop::str(0x3A45, "Dr."), Prop::str(0x3A05, "Jr."),
                  Prop::time(0x3A42, FileTime(1980, 3, 9, 0, 0))};
    return item;
}

Item Task() {
    Item item;
    item.kind = ItemKind::Task;
    item.subject = "Order paper";
    item.body = "Plain paper";
    item.html = "<b>Paper</b>";
    item.task = pstw::TaskInfo{};
    item.task->status = 2;
    item.task->percentComplete = 0.05;
    item.task->dueDate = FileTime(2010, 2, 7, 0, 0);
    item.task->owner = "Ann Smith";
    const pstw::Guid task = pstw::psetidTask();
    const pstw::Guid common = pstw::psetidCommon();
    item.named = {Named(task, 0x8111, Prop::i32(kAnyNamedId, 90)),
                  Named(task, 0x8110, Prop::i32(kAnyNamedId, 150)),
                  Named(common, 0x8539, Prop::mvStr(kAnyNamedId, {"A", "B"})),
                  Named(common, 0x8503, Prop::boolean(kAnyNamedId, false)),
                  Named(common, 0x8560, Prop::time(kAnyNamedId, FileTime(2010, 2, 7, 14, 30))),
                  Text(common, 0x8534, "12 km")};
    item.extra = {Prop::i32(0x0017, 2)}; // PidTagImportance: high
    return item;
}

Item Journal() {
    Item item;
    item.kind = ItemKind::Journal;
    item.subject = "Call with Ann";
    item.body = "Line one\r\nLine two";
    item.journal = pstw::JournalInfo{};
    item.journal->type = "Phone call";
    item.journal->start = FileTime(2010, 2, 8, 14, 20);
    item.journal->end = FileTime(2010, 2, 8, 14, 50);
    item.journal->durationMinutes = 30;
    item.named = {Named(pstw::psetidCommon(), 0x8539, Prop::mvStr(kAnyNamedId, {"Example Ltd"}))};
    return item;
}

Item StickyNote() {
    Item item;
    item.kind = ItemKind::StickyNote;
    item.subject = "Milk";
    item.body = "Milk\r\nbread";
    item.modificationTime = FileTime(2010, 2, 7, 9, 5);
    item.stickyNote = pstw::StickyNoteInfo{};
    return item;
}

Folder WithItem(const char* name, const char* containerClass, Item item) {
    Folder folder(name, containerClass);
    folder.items.push_back(std::move(item));
    return folder;
}

} // namespace

tnids Write(const std::string& path) {
    pstw::Mailbox mailbox;
    auto& top = mailbox.ipmSubtree.folders;
    top.push_back(WithItem("Contacts", "IPF.Contact", Contact()));
    top.push_back(WithItem("Tasks", "IPF.Task", Task()));
    top.push_back(WithItem("Journal", "IPF.Journal", Journal()));
    top.push_back(WithItem("Notes", "IPF.StickyNote", StickyNote()));
    pstw::MailboxWriter writer;
    writer.write(mailbox, path);
    tnids nids;
    for (const pstw::WrittenItem& item : writer.items()) {
        if (item.subject == "Ann Smith") nids.Contact = item.nid;
        if (item.subject == "Order paper") nids.Task = item.nid;
        if (item.subject == "Call with Ann") nids.Journal = item.nid;
        if (item.subject == "Milk") nids.StickyNote = item.nid;
    }
    return nids;
}

} // namespace viewersample

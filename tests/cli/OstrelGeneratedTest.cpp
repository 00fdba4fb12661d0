// `ostrel folders` and `ostrel items` on mailboxes the test writer made, in
// both layouts: what the writer put in is what the user sees (captions with
// counts, paths, status lines, column captions, placeholders, dates), and a
// damaged copy shows what the recovery brings back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "tests/cli/CliRun.h"
#include "tools/pstwriter/PstDamage.h"
#include "tools/pstwriter/PstMailbox.h"

namespace {

using namespace pstw;
using clirun::Lines;
using clirun::Ostrel;

const std::string kTop = "Top of Personal Folders";

uint64_t FileTime(int64_t unixSeconds) {
    return uint64_t(unixSeconds + 11644473600LL) * 10000000ULL;
}

constexpr int64_t kSun20100207At140509 = 1265551509;

// Inbox: twelve mails, each spoilt in one field the list has a rule for.
Folder Inbox() {
    Folder inbox("Inbox");
    for (int i = 0; i < 12; ++i) {
        Item mail;
        mail.subject = "Mail " + std::to_string(i);
        mail.senderName = "Ann";
        mail.senderAddress = "ann@example.com";
        mail.displayTo = "Bob";
        mail.submitTime = FileTime(kSun20100207At140509 + i * 86400);
        inbox.items.push_back(mail);
    }
    inbox.items[1].senderAddress.clear();
    inbox.items[2].senderName.clear();
    inbox.items[3].senderName.clear();
    inbox.items[3].senderAddress.clear();
    inbox.items[4].senderAddress = "/O=Org/ou=Site/cn=Ann"; // a directory address
    inbox.items[5].displayTo = "Ann</b>; Bob";
    inbox.items[6].displayTo.clear();
    inbox.items[7].subject.clear();
    inbox.items[8].submitTime = 0;
    return inbox;
}

Mailbox Generated() {
    Folder calendar("Calendar", "IPF.Appointment"), contacts("Contacts", "IPF.Contact");
    Item review;
    review.kind = ItemKind::Appointment;
    review.subject = "Review";
    review.appointment = AppointmentInfo{};
    review.appointment->start = FileTime(kSun20100207At140509);
    review.appointment->end = FileTime(kSun20100207At140509 + 3600);
    review.appointment->location = "Room 1";
    calendar.items = {review};
    Item carl;
    carl.kind = ItemKind::Contact;
    carl.subject = "Carl";
    carl.contact = ContactInfo{};
    carl.contact->displayName = "Carl Doe";
    carl.contact->fileUnder = "Doe, Carl";
    carl.contact->email1DisplayName = "carl@example.com";
    carl.contact->companyName = "Acme";
    carl.contact->jobTitle = "Smith";
    carl.contact->businessPhone = "555 0100";
    contacts.items = {carl};
    Folder sub("Sub");
    sub.items.resize(2);
    sub.items[0].subject = "below";
    sub.items[1].subject = "below too";
    Folder inbox = Inbox();
    inbox.folders = {sub};
    Mailbox m;
    m.ipmSubtree.folders = {inbox, calendar, contacts, Folder("Empty")};
    return m;
}

class OstrelGenerated : public ::testing::TestWithParam<Layout> {
protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        dir_ = clirun::TempDir("ostrel-gen");
        ASSERT_FALSE(dir_.empty());
        Options o;
        o.layout = GetParam();
        o.maxEntriesPerPage = 4; // B-trees with intermediate pages to damage
        writer_ = std::make_unique<MailboxWriter>(o);
        bytes_ = writer_->write(Generated());
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string path = (dir_ / name).string();
        writeFile(path, bytes);
        return path;
    }
    // The folder list as the writer's mailbox must show it. The root folder
    // carries an empty display name, so it is a row of its own.
    static std::vector<std::string> ExpectedFolders(const std::string& f) {
        const std::string top = f + "\\\\" + kTop;
        return {"0\tOutlook\t" + f,
                "1\t\t" + f + "\\",
                "2\t" + kTop + "\t" + top,
                "3\tEmpty\t" + top + "\\Empty",
                "3\tContacts(1)\t" + top + "\\Contacts",
                "3\tCalendar(1)\t" + top + "\\Calendar",
                "3\tInbox(12)\t" + top + "\\Inbox",
                "4\tSub(2)\t" + top + "\\Inbox\\Sub",
                "folder items: 7, file: " + f};
    }
    static std::string FolderPath(const std::string& f, const std::string& below) {
        return f + "\\\\" + kTop + "\\" + below;
    }
    static std::vector<std::string> ExpectedInbox() {
        return {"From\tTo\tSubject\tDate",
                "Ann(ann@example.com)\tBob\tMail 0\tSun 2010.02.07 14:05:09",
                "Ann\tBob\tMail 1\tMon 2010.02.08 14:05:09",
                "ann@example.com\tBob\tMail 2\tTue 2010.02.09 14:05:09",
                "<Unknown sender>\tBob\tMail 3\tWed 2010.02.10 14:05:09",
                "Ann\tBob\tMail 4\tThu 2010.02.11 14:05:09",
                "Ann(ann@example.com)\tAnn; Bob\tMail 5\tFri 2010.02.12 14:05:09",
                "Ann(ann@example.com)\t<Uknown recipient>\tMail 6\tSat 2010.02.13 14:05:09",
                "Ann(ann@example.com)\tBob\t<No subject>\tSun 2010.02.14 14:05:09",
                "Ann(ann@example.com)\tBob\tMail 8", // no submit time: no date cell
                "Ann(ann@example.com)\tBob\tMail 9\tTue 2010.02.16 14:05:09",
                "Ann(ann@example.com)\tBob\tMail 10\tWed 2010.02.17 14:05:09",
                "Ann(ann@example.com)\tBob\tMail 11\tThu 2010.02.18 14:05:09",
                "mail messages: 12"};
    }
    static std::vector<std::string> Sorted(std::vector<std::string> lines) {
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    std::filesystem::path dir_;
    std::unique_ptr<MailboxWriter> writer_;
    std::vector<uint8_t> bytes_;
};

INSTANTIATE_TEST_SUITE_P(Layouts, OstrelGenerated, ::testing::Values(Layout::Ansi, Layout::Unicode),
                         [](const auto& info) {
                             return info.param == Layout::Unicode ? "Unicode" : "Ansi";
                         });

TEST_P(OstrelGenerated, FoldersOfAnIntactMailbox) {
    std::string f = Write("intact.pst", bytes_);
    clirun::tresult r = Ostrel({"folders", f});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out), ExpectedFolders(f));
}

TEST_P(OstrelGenerated, ItemsOfEveryKindWithPlaceholdersAndDates) {
    std::string f = Write("intact.pst", bytes_);
    clirun::tresult r = Ostrel({"items", f, FolderPath(f, "Inbox")});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out), ExpectedInbox());

    r = Ostrel({"items", f, FolderPath(f, "Calendar")});
    EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{
                                "Subject\tFrom\tTo",
                                "Review( Room 1)\tSun 2010.02.07 14:05:09\tSun 2010.02.07 15:05:09",
                                "calendar records: 1"}));

    r = Ostrel({"items", f, FolderPath(f, "Contacts")});
    EXPECT_EQ(Lines(r.Out),
              (std::vector<std::string>{"Full name\tShort name\tOrganization\tOcupation\tTelephone",
                                        "Doe, Carl\tcarl@example.com\tAcme\tSmith\t555 0100",
                                        "contact items: 1"}));

    r = Ostrel({"items", f, FolderPath(f, "Empty")});
    EXPECT_EQ(Lines(r.Out),
              (std::vector<std::string>{"From\tTo\tSubject\tDate", "mail messages: 0"}));

    r = Ostrel({"items", f, FolderPath(f, "Inbox\\Sub")});
    EXPECT_EQ(Lines(r.Out),
              (std::vector<std::string>{
                  "From\tTo\tSubject\tDate", "<Unknown sender>\t<Uknown recipient>\tbelow",
                  "<Unknown sender>\t<Uknown recipient>\tbelow too", "mail messages: 2"}));

    // The root row has no folder behind it: no columns, the folder status line.
    r = Ostrel({"items", f, f});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(Lines(r.Out), std::vector<std::string>{"folder items: 7, file: " + f});
}

// Header roots zeroed and both B-tree roots overwritten: the page scan and
// the recovery bring back every folder and item.
TEST_P(OstrelGenerated, DamagedRootsShowEverythingAgain) {
    std::vector<uint8_t> file = bytes_;
    zeroHeaderRoots(file, GetParam());
    overwritePage(file, writer_->ndb().bbtRootOffset());
    overwritePage(file, writer_->ndb().nbtRootOffset());
    std::string f = Write("damaged.pst", file);
    clirun::tresult r = Ostrel({"folders", f});
    EXPECT_EQ(r.Status, 0) << r.Err;
    // Recovered nodes join their parents late, so siblings may change places.
    EXPECT_EQ(Sorted(Lines(r.Out)), Sorted(ExpectedFolders(f)));
    r = Ostrel({"items", f, FolderPath(f, "Inbox")});
    EXPECT_EQ(Sorted(Lines(r.Out)), Sorted(ExpectedInbox()));
}

// The Inbox's own NBT entry is gone from every page: it is no longer listed
// and its path finds nothing, but its mails and its subfolder are gathered
// under "Orphaned items" with their counts, and the other folders are
// untouched.
TEST_P(OstrelGenerated, VanishedFolderLeavesItsItemsUnderOrphanedItems) {
    std::vector<uint8_t> file = bytes_;
    const uint32_t inbox = writer_->folder(kTop + "/Inbox")->nid;
    std::optional<uint64_t> free = freePageOffset(writer_->ndb(), file);
    ASSERT_TRUE(free);
    ASSERT_TRUE(orphanNode(file, writer_->ndb(), inbox, *free));
    overwritePage(file, *free, 0);
    std::string f = Write("vanished.pst", file);
    clirun::tresult r = Ostrel({"folders", f});
    EXPECT_EQ(r.Status, 0) << r.Err;
    std::vector<std::string> expected = ExpectedFolders(f);
    expected.erase(expected.begin() + 6, expected.begin() + 8); // Inbox, Inbox\Sub
    expected.back() = "1\tOrphaned items(12)\t" + f + "\\Orphaned items";
    expected.push_back("2\tSub(2)\t" + f + "\\Orphaned items\\Sub");
    expected.push_back("folder items: 7, file: " + f);
    EXPECT_EQ(Lines(r.Out), expected);

    r = Ostrel({"items", f, FolderPath(f, "Inbox")});
    EXPECT_EQ(r.Status, 1);
    r = Ostrel({"items", f, f + "\\Orphaned items"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out).back(), "mail messages: 12");
    r = Ostrel({"items", f, f + "\\Orphaned items\\Sub"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out).back(), "mail messages: 2");
}

// A truncated file keeps what lies before the cut: never a crash, and the
// status line is always the last line. A cut that leaves no page of the
// indexes says why, with exit status 2.
TEST_P(OstrelGenerated, TruncatedFileStillListsWhatRemains) {
    std::vector<uint8_t> file = bytes_;
    truncateFile(file, bytes_.size() / 2);
    std::string f = Write("cut.pst", file);
    clirun::tresult r = Ostrel({"folders", f});
    EXPECT_EQ(r.Status, 0) << r.Err;
    std::vector<std::string> lines = Lines(r.Out);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front(), "0\tOutlook\t" + f);
    EXPECT_EQ(lines.back(), "folder items: " + std::to_string(lines.size() - 2) + ", file: " + f);

    for (uint64_t keep : {uint64_t(0x4800), uint64_t(0x4400)}) {
        SCOPED_TRACE(keep);
        file = bytes_;
        truncateFile(file, keep);
        f = Write("cut.pst", file);
        r = Ostrel({"folders", f});
        EXPECT_EQ(r.Status, 2);
        EXPECT_TRUE(r.Out.empty()) << r.Out;
        EXPECT_EQ(r.Err.rfind("ostrel: " + f + ": ", 0), 0u) << r.Err;
        EXPECT_NE(r.Err.find(keep == 0x4400 ? "ends before its first page" : "no B-tree page"),
                  std::string::npos)
            << r.Err;
    }
}

} // namespace

namespace {

// A mail deleted from its NBT leaf the way Outlook deletes: cEnt lowered
// below its slot, the entry left in place. `ostrel items` ends its row with
// the marker, and `ostrel show` prints it; live mail carries none.
TEST_P(OstrelGenerated, DeletedMailIsMarkedRecovered) {
    const size_t width = GetParam() == Layout::Unicode ? 8 : 4;
    const size_t entrySize = 4 * width; // NBTENTRY: nid, bidData, bidSub, nidParent
    const uint32_t inbox = writer_->folder(kTop + "/Inbox")->nid;
    uint32_t target = 0;
    for (const WrittenItem& i : writer_->items())
        if (i.folderNid == inbox && i.subject == "Mail 3") target = i.nid;
    ASSERT_NE(target, 0u);
    std::vector<uint8_t> file = bytes_;
    std::vector<uint32_t> dropped;
    for (const PageInfo& p : writer_->ndb().pages()) {
        if (!p.nbt || p.level != 0) continue;
        for (int slot = 0; slot < p.entries; ++slot) {
            uint32_t nid = 0;
            for (size_t b = 0; b < 4; ++b)
                nid |= uint32_t(file[p.offset + slot * entrySize + b]) << (8 * b);
            if (nid == target || !dropped.empty()) dropped.push_back(nid);
        }
        if (!dropped.empty()) {
            lowerEntryCount(file, GetParam(), p.offset, p.entries - int(dropped.size()));
            break;
        }
    }
    ASSERT_FALSE(dropped.empty());
    std::vector<std::string> deletedSubjects;
    for (const WrittenItem& i : writer_->items())
        if (std::find(dropped.begin(), dropped.end(), i.nid) != dropped.end() &&
            i.folderNid == inbox)
            deletedSubjects.push_back(i.subject);

    std::string f = Write("deleted.pst", file);
    clirun::tresult r = Ostrel({"items", f, FolderPath(f, "Inbox")});
    EXPECT_EQ(r.Status, 0) << r.Err;
    std::vector<std::string> lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 14u);
    int marked = 0;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        bool deleted =
            std::any_of(deletedSubjects.begin(), deletedSubjects.end(), [&](const std::string& s) {
                return lines[i].find("\t" + s + "\t") != std::string::npos;
            });
        bool hasMarker =
            lines[i].size() > 10 && lines[i].substr(lines[i].size() - 10) == "\trecovered";
        EXPECT_EQ(hasMarker, deleted) << lines[i];
        marked += hasMarker;
    }
    EXPECT_EQ(marked, int(deletedSubjects.size()));

    char nid[16];
    snprintf(nid, sizeof nid, "0x%x", target);
    r = Ostrel({"show", f, nid});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out).back(), "Recovered\trecovered");
}

} // namespace

// `ostrel export` on mailboxes the test writer made, in both layouts and all three encodings,
// judged from outside: Python's email package must read every file without defect and find
// in it the From, To, Cc, Subject and Date, the text and HTML bodies and the attachment bytes
// the writer put in; and readpst, run on the same file, must write as many messages per
// folder wherever both programs export the same kinds.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "tests/cli/CliRun.h"
#include "tools/pstwriter/PstMailbox.h"

namespace {

namespace fs = std::filesystem;
using namespace pstw;

const std::string kTop = "Top of Personal Folders";
constexpr int64_t kWed20210303At040506 = 1614744306;

uint64_t FileTime(int64_t unixSeconds) {
    return uint64_t(unixSeconds + 11644473600LL) * 10000000ULL;
}

std::string IsoUtc(int64_t unixSeconds) {
    std::time_t t = unixSeconds;
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buffer[40];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%S+00:00", &tm);
    return buffer;
}

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(i * 131 + seed + (i >> 9));
    return b;
}

Attachment File(const std::string& name, std::vector<uint8_t> data) {
    Attachment a;
    a.longFileName = name;
    a.mimeTag = "application/octet-stream";
    a.data = std::move(data);
    return a;
}

int64_t nextTime = kWed20210303At040506;

Item Mail(const std::string& subject, ItemKind kind = ItemKind::Note) {
    Item i;
    i.kind = kind;
    i.subject = subject;
    i.senderName = "Alice Example";
    i.senderAddress = "alice@example.com";
    i.displayTo = "Bob Example";
    i.submitTime = FileTime(nextTime);
    // Modified later than sent: the Date is the submit time.
    i.modificationTime = FileTime(nextTime + 86400 * 365 * 8);
    nextTime += 3661;
    return i;
}

Item WithBody(Item i, const std::string& body) {
    i.body = body;
    return i;
}

Folder Inbox() {
    Folder f{"Inbox"};
    Item first = WithBody(Mail("Plain body with attachments"),
                          "Hello Bob,\r\n.a line that starts with a dot\r\n..and two\r\n"
                          "From the start of a line\r\n\r\nregards");
    first.displayTo = "Bob Example; Carol Jones; Dan";
    first.displayCc = "Erin Cc; Frank Cc";
    // The recipient table wins over the display lists: Exchange users with an SMTP form
    // are written with it.
    first.recipients = {
        {"Bob Example", "bob@example.com", "SMTP", 1},
        {"Carol Jones", "/o=Example/cn=Recipients/cn=carol", "EX", 1, "carol@example.com"},
        {"Erin Cc", "erin@example.com", "SMTP", 2}};
    first.attachments = {File("small.txt", {'s', 'm', 'a', 'l', 'l'}),
                         File("large.bin", Pattern(200000, 7)),
                         File("naïve résumé.txt", Pattern(5000, 3))};
    f.items.push_back(first);
    Item html = Mail("HTML body only");
    html.html = "<html><body><p>Hi =3D there</p></body></html>";
    f.items.push_back(html);
    Item both = WithBody(Mail("Plain and HTML"), "plain side");
    both.html = "<html><body><p>" + std::string(300, 'x') + " long line</p></body></html>";
    f.items.push_back(both);
    f.items.push_back(Mail("No body at all"));
    Item unicode = WithBody(Mail("Grüße – Привет – 你好"), "Unicode body ✓ Grüße");
    unicode.senderName = "Zoë Ünicode";
    unicode.attachments = {File("данные.bin", Pattern(3000, 9))};
    f.items.push_back(unicode);
    Item ansi = WithBody(Mail("Café crème 8-bit"), "Eight-bit body: déjà vu");
    ansi.codePage = 1252;
    ansi.html = "<html><body>caf\xC3\xA9</body></html>";
    f.items.push_back(ansi);
    Item utf8Html = Mail("UTF-8 HTML");
    utf8Html.html = "<html><body>Grüße ✓</body></html>";
    utf8Html.extra = {Prop::i32(0x3FDE, 65001)}; // PR_INTERNET_CPID
    f.items.push_back(utf8Html);
    Folder sub{"Sub folder"};
    sub.items = {WithBody(Mail("Nested one"), "one"), WithBody(Mail("Nested: two/three"), "two")};
    f.folders.push_back(sub);
    return f;
}

std::vector<Folder> OtherFolders() {
    Folder cal{"Calendar", "IPF.Appointment"};
    for (int k = 0; k < 2; ++k) {
        Item a = WithBody(Mail("Meeting " + std::to_string(k + 1), ItemKind::Appointment),
                          "Agenda " + std::to_string(k));
        AppointmentInfo& info = a.appointment.emplace();
        info.start = a.submitTime;
        info.end = info.start + 36000000000ull;
        info.location = "Room 1";
        cal.items.push_back(a);
    }
    Folder contacts{"Contacts", "IPF.Contact"};
    Item c = WithBody(Mail("Ann Lee", ItemKind::Contact), "contact notes");
    ContactInfo& ci = c.contact.emplace();
    ci.givenName = "Ann";
    ci.surname = "Lee";
    ci.email1Address = "ann@example.com";
    contacts.items.push_back(c);
    Folder journal{"Journal", "IPF.Journal"};
    Item j = WithBody(Mail("Phone call with Ann", ItemKind::Journal), "ten minutes");
    JournalInfo& ji = j.journal.emplace();
    ji.type = ji.typeDescription = "Phone call";
    ji.start = j.submitTime;
    ji.end = ji.start + 6000000000ull;
    journal.items.push_back(j);
    Folder notes{"Notes", "IPF.StickyNote"};
    Item s = WithBody(Mail("Sticky reminder", ItemKind::StickyNote), "buy milk");
    s.stickyNote = StickyNoteInfo{};
    notes.items.push_back(s);
    Folder tasks{"Tasks", "IPF.Task"};
    Item t = WithBody(Mail("Write the report", ItemKind::Task), "by Friday");
    t.task.emplace().status = 1;
    t.attachments = {File("outline.txt", Pattern(700, 1))};
    tasks.items.push_back(t);
    Folder posts{"Posts"};
    posts.items = {WithBody(Mail("A post", ItemKind::Post), "post body"),
                   WithBody(Mail("An RSS item", ItemKind::PostRss), "rss body")};
    posts.items[1].rss.emplace().channel = "Example feed";
    Folder reports{"Reports"};
    reports.items = {WithBody(Mail("Undeliverable: hello", ItemKind::Report), "report")};
    Folder bulk{"Bulk"};
    for (int k = 0; k < 60; ++k)
        bulk.items.push_back(WithBody(Mail("Bulk message " + std::to_string(k)), "bulk"));
    return {cal, contacts, journal, notes, tasks, posts, reports, bulk};
}

Mailbox Generated() {
    nextTime = kWed20210303At040506;
    Mailbox m;
    m.ipmSubtree.folders.push_back(Inbox());
    for (Folder& f : OtherFolders())
        m.ipmSubtree.folders.push_back(std::move(f));
    return m;
}

// The kinds the export writes as .eml; contacts stay behind.
bool Exported(ItemKind k) {
    return k != ItemKind::Contact;
}

std::string Json(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

// The people of one type of the item's recipient table, as check_eml.py reads them.
std::string JsonRecipients(const Item& i, int32_t type) {
    std::string out = "[";
    for (const Recipient& r : i.recipients) {
        if (r.type != type) continue;
        const std::string& address = r.smtpAddress.empty() ? r.address : r.smtpAddress;
        out += (out.size() > 1 ? ", [" : "[") + Json(r.name) + ", " + Json(address) + "]";
    }
    return out + "]";
}

std::string JsonNames(const std::string& displayList) {
    std::string out = "[";
    size_t start = 0;
    for (bool first = true; start <= displayList.size(); first = false) {
        size_t end = displayList.find("; ", start);
        if (end == std::string::npos) end = displayList.size();
        out += (first ? "[" : ", [") + Json(displayList.substr(start, end - start)) + ", null]";
        start = end + 2;
    }
    return out + "]";
}

struct Walked {
    const Item* item;
    std::string path; // folder path below the IPM subtree
};

void Walk(const Folder& f, const std::string& path, std::map<std::string, Walked>& bySubject) {
    for (const Item& i : f.items)
        bySubject[i.subject] = {&i, path};
    for (const Folder& c : f.folders)
        Walk(c, path.empty() ? c.name : path + "/" + c.name, bySubject);
}

class EmlGenerated : public ::testing::TestWithParam<std::tuple<Layout, uint8_t>> {
protected:
    void SetUp() override {
        dir_ = clirun::TempDir("ostrel-emlgen");
        ASSERT_FALSE(dir_.empty());
        mailbox_ = Generated();
        MailboxWriter w({std::get<0>(GetParam()), std::get<1>(GetParam())});
        file_ = dir_ / "generated.pst";
        w.write(mailbox_, file_.string());
        written_ = w.items();
        Walk(mailbox_.ipmSubtree, "", bySubject_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    // The expectation of every message the export should write, for check_eml.py --expect.
    std::string Expectations() {
        std::string json = "[";
        int saved = 0;
        for (const WrittenItem& w : written_) {
            auto found = bySubject_.find(w.subject);
            if (found == bySubject_.end() || !Exported(found->second.item->kind)) continue;
            const Item& i = *found->second.item;
            char suffix[32];
            std::snprintf(suffix, sizeof suffix, "_%08X.eml", w.nid);
            std::string e = "{\"suffix\": " + Json(suffix);
            e += ", \"dir\": " + Json(kTop + "/" + found->second.path);
            e += ", \"from\": [[" + Json(i.senderName) + ", " + Json(i.senderAddress) + "]]";
            if (i.recipients.empty()) {
                e += ", \"to\": " + JsonNames(i.displayTo);
                if (!i.displayCc.empty()) e += ", \"cc\": " + JsonNames(i.displayCc);
            } else {
                e += ", \"to\": " + JsonRecipients(i, 1) + ", \"cc\": " + JsonRecipients(i, 2);
            }
            e += ", \"subject\": " + Json(i.subject);
            e += ", \"date\": " + Json(IsoUtc(int64_t(i.submitTime / 10000000) - 11644473600LL));
            // Without either body the export keeps an empty text part, as a multipart needs one.
            const std::string text = i.body ? Json(*i.body) : i.html ? "" : Json("");
            e += ", \"text\": [" + text + "]";
            e += ", \"html\": [" + (i.html ? Json(*i.html) : "") + "]";
            e += ", \"attachments\": [";
            for (size_t k = 0; k < i.attachments.size(); ++k) {
                const fs::path data = dir_ / ("expected-" + std::to_string(saved++) + ".bin");
                writeFile(data.string(), i.attachments[k].data);
                e += (k ? ", " : "") + std::string("{\"name\": ") +
                     Json(i.attachments[k].longFileName) + ", \"file\": " + Json(data.string()) +
                     "}";
            }
            json += (json.size() > 1 ? ",\n" : "") + e + "]}";
        }
        return json + "]";
    }

    fs::path dir_, file_;
    Mailbox mailbox_;
    std::vector<WrittenItem> written_;
    std::map<std::string, Walked> bySubject_;
};

std::string ParamName(const ::testing::TestParamInfo<std::tuple<Layout, uint8_t>>& info) {
    return std::string(std::get<0>(info.param) == Layout::Unicode ? "Unicode" : "Ansi") + "Crypt" +
           std::to_string(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(LayoutsAndEncodings, EmlGenerated,
                         ::testing::Combine(::testing::Values(Layout::Unicode, Layout::Ansi),
                                            ::testing::Values(uint8_t(0), uint8_t(1), uint8_t(2))),
                         ParamName);

bool HavePython() {
    return clirun::Run({"python3", "-c", "import email.policy"}).Status == 0;
}

std::string CheckScript() {
    return std::string(OSTREL_SOURCE_DIR) + "/tests/export/check_eml.py";
}

TEST_P(EmlGenerated, EveryFileDecodesToWhatTheWriterPutIn) {
    if (!HavePython()) GTEST_SKIP() << "python3 with the email package is not installed";
    const fs::path out = dir_ / "eml";
    clirun::tresult r = clirun::Ostrel({"export", file_.string(), out.string()});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(r.Err.empty() || r.Err.find("Error") == std::string::npos) << r.Err;
    const fs::path expected = dir_ / "expected.json";
    std::ofstream(expected) << Expectations();
    clirun::tresult check =
        clirun::Run({"python3", CheckScript(), "--expect", expected.string(), out.string()});
    EXPECT_EQ(check.Status, 0) << check.Out << check.Err;
    size_t exportable = 0;
    for (const auto& [subject, w] : bySubject_)
        exportable += Exported(w.item->kind) ? 1 : 0;
    EXPECT_NE(check.Out.find("compared " + std::to_string(exportable)), std::string::npos)
        << check.Out;
}

// The mbox export holds, folder by folder, the messages of the EML export,
// and Python's mailbox module reads each without defect.
TEST_P(EmlGenerated, MboxHoldsTheMessagesOfTheEmlExport) {
    if (!HavePython()) GTEST_SKIP() << "python3 is not installed";
    if (GetParam() != std::make_tuple(Layout::Unicode, uint8_t(1)))
        GTEST_SKIP() << "the layouts and encodings are compared by the EML tests";
    const fs::path eml = dir_ / "eml", mbox = dir_ / "mbox";
    ASSERT_EQ(clirun::Ostrel({"export", file_.string(), eml.string()}).Status, 0);
    clirun::tresult r = clirun::Ostrel({"export", "--mbox", file_.string(), mbox.string()});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::string script = std::string(OSTREL_SOURCE_DIR) + "/tests/export/check_mbox.py";
    clirun::tresult check = clirun::Run({"python3", script, mbox.string(), eml.string()});
    EXPECT_EQ(check.Status, 0) << check.Out << check.Err;
    size_t exportable = 0;
    for (const auto& [subject, w] : bySubject_)
        exportable += Exported(w.item->kind) ? 1 : 0;
    EXPECT_NE(check.Out.find("checked " + std::to_string(exportable) + " messages"),
              std::string::npos)
        << check.Out;
}

// Files of one extension below `dir`, counted per directory relative to it.
std::map<std::string, size_t> CountPerDirectory(const fs::path& dir, const std::string& ext) {
    std::map<std::string, size_t> counts;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); it != fs::end(it); it.increment(ec))
        if (it->is_regular_file() && it->path().extension() == ext)
            ++counts[fs::relative(it->path().parent_path(), dir).generic_string()];
    return counts;
}

// readpst -e writes mail notes and delivery reports as .eml and appointments as .ics; posts,
// journal records, sticky notes and tasks it leaves aside or writes in other forms. Compared
// are the folders of mail notes, which both programs write as .eml, and the calendar.
TEST_P(EmlGenerated, MessageCountsPerFolderAgreeWithReadpst) {
    if (!clirun::HaveTool("readpst")) GTEST_SKIP() << "readpst (pst-utils) is not installed";
    const fs::path ours = dir_ / "eml", theirs = dir_ / "readpst";
    ASSERT_EQ(clirun::Ostrel({"export", file_.string(), ours.string()}).Status, 0);
    fs::create_directories(theirs);
    clirun::tresult r = clirun::Run(
        {"readpst", "-e", "-D", "-j", "0", "-q", "-o", theirs.string(), file_.string()});
    ASSERT_EQ(r.Status, 0) << r.Out << r.Err;
    // Ours: <store>/Top of Personal Folders/<path>; readpst's: <store>/<path>.
    std::map<std::string, size_t> mine, libpst;
    for (const auto& [d, n] : CountPerDirectory(ours, ".eml")) {
        const size_t top = d.find("/" + kTop);
        if (top == std::string::npos) continue;
        const std::string rest = d.substr(top + kTop.size() + 1);
        mine[rest.empty() ? "" : rest.substr(1)] = n;
    }
    for (const auto& [d, n] : CountPerDirectory(theirs, ".eml")) {
        const size_t slash = d.find('/');
        libpst[slash == std::string::npos ? "" : d.substr(slash + 1)] = n;
    }
    std::map<std::string, std::pair<size_t, bool>> folders; // items, all written as .eml by both
    for (const auto& [subject, w] : bySubject_) {
        const ItemKind k = w.item->kind;
        auto& [items, same] = folders.try_emplace(w.path, 0, true).first->second;
        ++items;
        same = same && k == ItemKind::Note;
    }
    size_t compared = 0;
    for (const auto& [path, f] : folders) {
        if (!f.second) continue;
        ++compared;
        EXPECT_EQ(mine[path], libpst[path]) << "folder " << path;
        EXPECT_EQ(mine[path], f.first) << "folder " << path;
    }
    EXPECT_EQ(compared, 3u); // Inbox, Inbox/Sub folder, Bulk
    // Appointments: our .eml files beside readpst's .ics ones in the same folder.
    std::map<std::string, size_t> ics;
    for (const auto& [d, n] : CountPerDirectory(theirs, ".ics"))
        ics[d.substr(d.find('/') + 1)] = n;
    EXPECT_EQ(mine["Calendar"], ics["Calendar"]);
}

} // namespace

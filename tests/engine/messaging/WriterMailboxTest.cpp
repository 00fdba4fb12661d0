// Proof that the writer's mailboxes are real PST files: outside readers (python3-pypff,
// libpff's pffexport, libpst's readpst) run on the mailbox of every kind, grown by more
// mails, in both layouts and all three encodings, must see the folders, item counts,
// subjects and attachment bytes the writer put in.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/Base64Text.h"
#include "tools/pstwriter/EveryKindMailbox.h"
#include "tools/pstwriter/PstDamage.h"
#include "tools/pstwriter/PstMailbox.h"
#include "tools/pstwriter/PstMessage.h"

namespace {

namespace fs = std::filesystem;
using pstw::Item;
using pstw::ItemKind;
using Bytes = std::vector<uint8_t>;

struct Expected {
    std::string subject;
    ItemKind kind;
    std::string messageClass;
    std::vector<std::pair<std::string, Bytes>> attachments; // long file name, data
};
using FolderMap = std::map<std::string, std::vector<Expected>>; // path below the IPM subtree

Bytes pattern(size_t n, uint8_t seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(i * 31 + seed + (i >> 8));
    return b;
}

pstw::Attachment attachment(const std::string& name, const std::string& mime, Bytes data) {
    pstw::Attachment a;
    a.longFileName = name;
    a.mimeTag = mime;
    a.data = std::move(data);
    return a;
}

Item note(const std::string& subject) {
    Item i;
    i.subject = subject;
    i.senderName = "Alice Example";
    i.senderAddress = "alice@example.com";
    i.displayTo = "Bob Example";
    i.submitTime = 132537600000000000ull;
    i.deliveryTime = i.submitTime + 600000000ull;
    return i;
}

pstw::Folder inbox() {
    pstw::Folder f{"Inbox"};
    Item plain = note("Plain body with attachments");
    plain.body = "Hello Bob,\r\nplain text.";
    plain.recipients = {{"Bob Example", "bob@example.com", "SMTP", 1},
                        {"Carol", "carol@example.com", "SMTP", 2}};
    plain.attachments = {attachment("small.txt", "text/plain", {'s', 'm', 'a', 'l', 'l'}),
                         attachment("large.bin", "application/octet-stream", pattern(200000, 7))};
    plain.attachments[1].fileName = "LARGE~1.BIN";
    f.items.push_back(plain);
    Item html = note("HTML body only");
    html.html = "<html><body><p>Hi</p></body></html>";
    f.items.push_back(html);
    Item both = note("Plain and HTML");
    both.body = "plain";
    both.html = "<html><body>html</body></html>";
    f.items.push_back(both);
    f.items.push_back(note("No body at all"));
    Item rtf = note("Compressed RTF only");
    rtf.rtfCompressed = Bytes{0x2D, 0, 0, 0, 0x2B, 0, 0, 0, 0x4C, 0x5A, 0x46, 0x75, 0, 0, 0, 0};
    f.items.push_back(rtf);
    Item unicode = note("Grüße – Привет – 你好");
    unicode.body = "Unicode body ✓";
    unicode.attachments = {attachment("naïve résumé.txt", "text/plain", pattern(5000, 3))};
    f.items.push_back(unicode);
    Item ansi = note("Café crème 8-bit");
    ansi.codePage = 1252;
    ansi.body = "Eight-bit body: déjà vu";
    f.items.push_back(ansi);
    Item named = note("Named property mix");
    named.named = {
        {pstw::PropName::string(pstw::psInternetHeaders(), "content-type"),
         pstw::Prop::str(0, "text/plain; charset=\"koi8-r\"")},
        {pstw::PropName::string(pstw::psPublicStrings(), "Keywords"),
         pstw::Prop::mvStr(0, {"alpha", "beta"})},
        {pstw::PropName::numeric(pstw::psetidCommon(), 0x8539), pstw::Prop::mvStr(0, {"ACME"})}};
    f.items.push_back(named);

    pstw::Folder sub{"Sub folder"};
    sub.items = {note("Nested one"), note("Nested two")};
    pstw::Folder deeper{"Deeper"};
    deeper.items = {note("Deep item")};
    sub.folders.push_back(deeper);
    f.folders.push_back(sub);
    return f;
}

// Enough items for contents tables and B-trees of several pages.
pstw::Folder bulk() {
    pstw::Folder bulk{"Bulk"};
    for (int k = 0; k < 150; ++k)
        bulk.items.push_back(note("Bulk message number " + std::to_string(k)));
    return bulk;
}

// The mailbox of every kind, its Inbox grown by the mails and subfolders above, and Bulk.
pstw::Mailbox proofMailbox() {
    pstw::Mailbox m = pstw::everykind::mailbox();
    pstw::Folder& fixtureInbox = m.ipmSubtree.folders[0];
    pstw::Folder more = inbox();
    fixtureInbox.items.insert(fixtureInbox.items.end(), more.items.begin(), more.items.end());
    fixtureInbox.folders = more.folders;
    // readpst exports associated contents as mail of their folder, the libpff readers do
    // not: the readers are compared on the contents every one of them lists.
    fixtureInbox.associated.clear();
    m.ipmSubtree.folders.push_back(bulk());
    return m;
}

void collect(const pstw::Folder& f, const std::string& path, FolderMap& out) {
    auto& items = out[path];
    for (const Item& i : f.items) {
        Expected e{i.subject,
                   i.kind,
                   i.messageClass.empty() ? pstw::defaultMessageClass(i.kind) : i.messageClass,
                   {}};
        for (const pstw::Attachment& a : i.attachments)
            e.attachments.emplace_back(a.longFileName, a.data);
        items.push_back(std::move(e));
    }
    for (const pstw::Folder& c : f.folders)
        collect(c, path.empty() ? c.name : path + "/" + c.name, out);
}

bool haveTool(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

bool havePypff() {
    return std::system("/usr/bin/python3 -c 'import pypff' >/dev/null 2>&1") == 0;
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

Bytes slurpBytes(const fs::path& p) {
    const std::string s = slurp(p);
    return {s.begin(), s.end()};
}

Bytes fromHex(const std::string& hex) {
    Bytes b;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        b.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return b;
}

std::vector<std::string> split(const std::string& line, char sep) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(line);
    while (std::getline(in, part, sep))
        parts.push_back(part);
    return parts;
}

std::string convert(const std::string& bytes, const std::string& charset) {
    iconv_t cd = iconv_open("UTF-8", charset.c_str());
    if (cd == iconv_t(-1)) return bytes;
    std::string in = bytes, out(bytes.size() * 4 + 4, '\0');
    char* src = in.data();
    char* dst = out.data();
    size_t inLeft = in.size(), outLeft = out.size();
    iconv(cd, &src, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

// readpst writes non-ASCII subjects as RFC 2047 encoded words.
std::string decodeWords(const std::string& text) {
    static const std::regex word(R"(=\?([^?]+)\?[Bb]\?([^?]*)\?=)");
    std::smatch m;
    if (!std::regex_search(text, m, word)) return text;
    return convert(DecodedBase64(m[2].str()), m[1]);
}

struct Seen {
    std::map<std::string, std::vector<std::string>> subjects; // folder path -> subjects
    std::map<std::string, std::vector<std::pair<std::string, Bytes>>> attachments; // by subject
};

class WriterMailboxTest : public ::testing::TestWithParam<std::tuple<pstw::Layout, uint8_t>> {
protected:
    void SetUp() override {
        pstw::Options o;
        o.layout = std::get<0>(GetParam());
        o.crypt = std::get<1>(GetParam());
        dir_ = fs::temp_directory_path() /
               ("ostrel_writer_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
        fs::create_directories(dir_);
        file_ = dir_ / "mailbox.pst";
        pstw::MailboxWriter w(o);
        const pstw::Mailbox m = proofMailbox();
        pstw::writeFile(file_.string(), w.write(m));
        collect(m.ipmSubtree, "", expected_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    int run(const std::string& command) {
        return std::system((command + " >" + (dir_ / "log.txt").string() + " 2>&1").c_str());
    }

    // What the reader should see of each folder: items whose kinds it exports.
    void compare(const Seen& seen, bool (*exported)(const Expected&),
                 bool subjectsKnown(const Expected&)) {
        for (const auto& [path, items] : expected_) {
            std::vector<std::string> want;
            size_t count = 0;
            for (const Expected& e : items) {
                if (!exported(e)) continue;
                ++count;
                if (subjectsKnown(e)) want.push_back(e.subject);
            }
            auto it = seen.subjects.find(path);
            const std::vector<std::string> none;
            const std::vector<std::string>& got = it == seen.subjects.end() ? none : it->second;
            EXPECT_EQ(got.size(), count) << "items of folder '" << path << "'";
            std::vector<std::string> gotKnown;
            for (const std::string& s : got)
                if (std::find(want.begin(), want.end(), s) != want.end()) gotKnown.push_back(s);
            std::sort(want.begin(), want.end());
            std::sort(gotKnown.begin(), gotKnown.end());
            EXPECT_EQ(gotKnown, want) << "subjects of folder '" << path << "'";
            for (const Expected& e : items) {
                if (!exported(e) || e.attachments.empty()) continue;
                auto a = seen.attachments.find(e.subject);
                ASSERT_NE(a, seen.attachments.end()) << "attachments of '" << e.subject << "'";
                ASSERT_EQ(a->second.size(), e.attachments.size()) << e.subject;
                auto got = a->second;
                auto want = e.attachments;
                // Readers that name attachments by file give no order; match them by name.
                if (!got.empty() && !got[0].first.empty()) {
                    std::sort(got.begin(), got.end());
                    std::sort(want.begin(), want.end());
                }
                for (size_t k = 0; k < want.size(); ++k) {
                    if (!got[k].first.empty()) {
                        EXPECT_EQ(got[k].first, want[k].first) << e.subject;
                    }
                    EXPECT_TRUE(got[k].second == want[k].second)
                        << "bytes of attachment " << k << " of '" << e.subject << "' ("
                        << got[k].second.size() << " bytes seen)";
                }
            }
        }
    }

    static inline int counter_ = 0;
    fs::path dir_, file_;
    FolderMap expected_;
};

bool everything(const Expected&) {
    return true;
}

const char* kPypffScript = R"PY(
import sys, pypff
f = pypff.file()
f.open(sys.argv[1])
def walk(folder, path):
    print("F\t%s\t%d" % (path, folder.number_of_sub_messages))
    for m in folder.sub_messages:
        subject = m.subject or ""
        print("M\t%s\t%s" % (path, subject))
        for i in range(m.number_of_attachments):
            a = m.get_attachment(i)
            print("A\t%s\t%s" % (subject, a.read_buffer(a.size).hex() if a.size else ""))
    for s in folder.sub_folders:
        walk(s, s.name if not path else path + "/" + s.name)
for top in f.root_folder.sub_folders:
    if top.name == "Top of Personal Folders":
        walk(top, "")
)PY";

TEST_P(WriterMailboxTest, PypffSeesFoldersSubjectsAndAttachments) {
    if (!havePypff()) GTEST_SKIP() << "python3-pypff is not installed (apt install python3-pypff)";
    std::ofstream(dir_ / "read.py") << kPypffScript;
    ASSERT_EQ(run("/usr/bin/python3 " + (dir_ / "read.py").string() + " " + file_.string()), 0)
        << slurp(dir_ / "log.txt");
    Seen seen;
    std::istringstream lines(slurp(dir_ / "log.txt"));
    std::set<std::string> folders;
    for (std::string line; std::getline(lines, line);) {
        const auto parts = split(line, '\t');
        if (parts.size() >= 2 && parts[0] == "F") {
            folders.insert(parts[1]);
            seen.subjects[parts[1]];
        }
        if (parts.size() == 3 && parts[0] == "M") seen.subjects[parts[1]].push_back(parts[2]);
        if (parts.size() >= 2 && parts[0] == "A")
            seen.attachments[parts[1]].emplace_back("", fromHex(parts.size() > 2 ? parts[2] : ""));
    }
    for (const auto& [path, items] : expected_)
        EXPECT_TRUE(folders.count(path)) << "folder '" << path << "' not seen";
    EXPECT_EQ(folders.size(), expected_.size());
    compare(seen, everything, [](const Expected&) { return true; });
}

// pffexport skips items of class IPM.Post ("Skipped item ... of type: IPM.Post"), a gap in
// libpff, not in the file: pypff above reads them.
bool pffExports(const Expected& e) {
    return e.messageClass != "IPM.Post";
}

TEST_P(WriterMailboxTest, PffexportSeesFoldersSubjectsAndAttachments) {
    if (!haveTool("pffexport"))
        GTEST_SKIP() << "pffexport is not installed (apt install pff-tools)";
    const fs::path target = dir_ / "pff";
    ASSERT_EQ(run("pffexport -q -t " + target.string() + " " + file_.string()), 0)
        << slurp(dir_ / "log.txt");
    const fs::path top = fs::path(target.string() + ".export") / "Top of Personal Folders";
    ASSERT_TRUE(fs::is_directory(top)) << slurp(dir_ / "log.txt");
    EXPECT_FALSE(fs::exists(target.string() + ".orphans")) << "pffexport found orphan items";
    const std::regex itemDir(R"(^[A-Za-z ]+\d{5}$)");
    Seen seen;
    std::set<std::string> folders{""};
    for (auto it = fs::recursive_directory_iterator(top); it != fs::recursive_directory_iterator();
         ++it) {
        if (!it->is_directory()) continue;
        const std::string name = it->path().filename().string();
        const std::string parent = fs::relative(it->path().parent_path(), top).generic_string();
        const std::string folder = parent == "." ? "" : parent;
        if (name == "Attachments") {
            it.disable_recursion_pending();
            continue;
        }
        if (!std::regex_match(name, itemDir)) {
            folders.insert(fs::relative(it->path(), top).generic_string());
            seen.subjects[fs::relative(it->path(), top).generic_string()];
            continue;
        }
        it.disable_recursion_pending();
        std::string subject;
        for (const auto& file : fs::directory_iterator(it->path())) {
            const std::string fn = file.path().filename().string();
            if (fn.rfind("Message.", 0) == 0 || !file.is_regular_file()) continue;
            std::istringstream text(slurp(file.path()));
            for (std::string line; std::getline(text, line);)
                if (line.rfind("Subject:", 0) == 0 && subject.empty())
                    subject = line.substr(line.find_first_not_of("\t ", 8));
        }
        seen.subjects[folder].push_back(subject);
        std::vector<std::pair<std::string, Bytes>> atts;
        if (fs::is_directory(it->path() / "Attachments")) {
            std::vector<fs::path> files;
            for (const auto& a : fs::directory_iterator(it->path() / "Attachments"))
                files.push_back(a.path());
            std::sort(files.begin(), files.end());
            for (const fs::path& a : files) {
                const std::string fn = a.filename().string();
                atts.emplace_back(fn.substr(fn.find('_') + 1), slurpBytes(a));
            }
            seen.attachments[subject] = atts;
        }
    }
    for (const auto& [path, items] : expected_)
        EXPECT_TRUE(folders.count(path)) << "folder '" << path << "' not seen";
    compare(seen, pffExports, [](const Expected&) { return true; });
}

// readpst exports mail (notes and reports), appointments, contacts and journal records only;
// a contact becomes a vCard without the subject.
bool readpstExports(const Expected& e) {
    return e.kind == ItemKind::Note || e.kind == ItemKind::Report ||
           e.kind == ItemKind::Appointment || e.kind == ItemKind::Contact ||
           e.kind == ItemKind::Journal;
}

TEST_P(WriterMailboxTest, ReadpstSeesFoldersSubjectsAndAttachments) {
    if (!haveTool("readpst")) GTEST_SKIP() << "readpst is not installed (apt install pst-utils)";
    const fs::path out = dir_ / "readpst";
    fs::create_directories(out);
    ASSERT_EQ(run("readpst -q -j 0 -S -o " + out.string() + " " + file_.string()), 0)
        << slurp(dir_ / "log.txt");
    // readpst names the top folder after the store's display name. One job (-j 0): its
    // parallel jobs sometimes lose items of a large folder in separate-file mode.
    const fs::path top = out / "Personal Folders";
    ASSERT_TRUE(fs::is_directory(top));
    const std::regex itemFile(R"(^\d+$)"), attachmentFile(R"(^(\d+)-(.*)$)");
    Seen seen;
    for (const auto& entry : fs::recursive_directory_iterator(top)) {
        if (!entry.is_regular_file()) continue;
        const std::string name = entry.path().filename().string();
        std::string folder = fs::relative(entry.path().parent_path(), top).generic_string();
        if (folder == ".") folder.clear();
        if (!std::regex_match(name, itemFile)) continue;
        std::string subject;
        std::istringstream text(slurp(entry.path()));
        for (std::string line; std::getline(text, line) && subject.empty();) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.rfind("Subject: ", 0) == 0) subject = decodeWords(line.substr(9));
            if (line.rfind("SUMMARY:", 0) == 0) subject = line.substr(8);
        }
        seen.subjects[folder].push_back(subject);
        std::vector<fs::path> files;
        for (const auto& a : fs::directory_iterator(entry.path().parent_path())) {
            std::smatch m;
            const std::string fn = a.path().filename().string();
            if (std::regex_match(fn, m, attachmentFile) && m[1] == name) files.push_back(a.path());
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& a : files) {
            const std::string fn = a.filename().string();
            seen.attachments[subject].emplace_back(fn.substr(fn.find('-') + 1), slurpBytes(a));
        }
    }
    compare(seen, readpstExports, [](const Expected& e) { return e.kind != ItemKind::Contact; });
}

// A folder whose NBT entry survives only in an orphaned copy of its leaf: libpff no longer
// finds the folder and files its item among the orphans, so the damage is what was meant.
TEST_P(WriterMailboxTest, OrphanedFolderNodeIsSeenOnlyThroughItsStaleLeaf) {
    if (!haveTool("pffexport"))
        GTEST_SKIP() << "pffexport is not installed (apt install pff-tools)";
    pstw::Options o;
    o.layout = std::get<0>(GetParam());
    o.crypt = std::get<1>(GetParam());
    pstw::MailboxWriter w(o);
    std::vector<uint8_t> file = w.write(proofMailbox());
    const pstw::WrittenFolder* deep = w.folder("Top of Personal Folders/Inbox/Sub folder/Deeper");
    ASSERT_NE(deep, nullptr);
    const auto freePage = pstw::freePageOffset(w.ndb(), file);
    ASSERT_TRUE(freePage.has_value());
    ASSERT_TRUE(pstw::orphanNode(file, w.ndb(), deep->nid, *freePage));
    pstw::writeFile(file_.string(), file);
    const fs::path target = dir_ / "pff";
    ASSERT_EQ(run("pffexport -q -m all -t " + target.string() + " " + file_.string()), 0);
    const fs::path top = fs::path(target.string() + ".export") / "Top of Personal Folders";
    EXPECT_TRUE(fs::is_directory(top / "Calendar"));
    EXPECT_FALSE(fs::exists(top / "Inbox" / "Sub folder" / "Deeper"));
    std::string orphans;
    for (const auto& e : fs::recursive_directory_iterator(target.string() + ".orphans"))
        if (e.path().filename() == "OutlookHeaders.txt") orphans += slurp(e.path());
    EXPECT_NE(orphans.find("Deep item"), std::string::npos);
}

std::string paramName(const ::testing::TestParamInfo<std::tuple<pstw::Layout, uint8_t>>& info) {
    static const char* const crypt[] = {"None", "Permute", "Cyclic"};
    return std::string(std::get<0>(info.param) == pstw::Layout::Ansi ? "Ansi" : "Unicode") +
           crypt[std::get<1>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(WriterMailbox, WriterMailboxTest,
                         ::testing::Combine(::testing::Values(pstw::Layout::Ansi,
                                                              pstw::Layout::Unicode),
                                            ::testing::Values(uint8_t(0), uint8_t(1), uint8_t(2))),
                         paramName);

} // namespace

// `ostrel attachments` and `ostrel save-attachments` on mailboxes the test
// writer made, in both layouts: every kind of attachment is listed with the
// name, size and kind the viewers show, the stored bytes come back exactly,
// hostile names stay inside the chosen folder, and nothing is overwritten.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/CliRun.h"
#include "tools/pstwriter/PstMailbox.h"

namespace {

using namespace pstw;
using clirun::Lines;
using clirun::Ostrel;
namespace fs = std::filesystem;

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = uint8_t(i * 31 + seed + i / 251);
    return out;
}

std::vector<uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

Attachment File(const std::string& name, std::vector<uint8_t> data, const std::string& mime = {}) {
    Attachment a;
    a.longFileName = name;
    a.mimeTag = mime;
    a.data = std::move(data);
    return a;
}

Attachment Embedded(const Item& inner) {
    Attachment a;
    a.method = 5;
    a.embedded = std::make_shared<Item>(inner);
    return a;
}

const std::string kLongName = std::string(300, 'n') + ".txt";

Item Files() {
    Item mail;
    mail.subject = "Files";
    Attachment unnamed = File("", Bytes("\x89PNG"), "image/png");
    Attachment hidden = File("inline.png", Pattern(300, 9), "image/png");
    hidden.hidden = true;
    Attachment reference = File("far away.doc", {});
    reference.method = 2;
    Attachment shortOnly = File("", Bytes("short"));
    shortOnly.fileName = "SHORT.TXT";
    mail.attachments = {File("a.txt", Bytes("first a")),
                        File("big.bin", Pattern(200000, 3)),
                        unnamed,
                        hidden,
                        reference,
                        shortOnly,
                        File("a.txt", Bytes("second a")),
                        File("../../etc/passwd", Bytes("p")),
                        File("a/b", Bytes("ab")),
                        File("\x01x", Bytes("ctl")),
                        File("line\nbreak\ttab", Bytes("lb")),
                        File(".bashrc", Bytes("rc")),
                        File(kLongName, Bytes("long"))};
    return mail;
}

Item Nested() {
    Item deepest;
    deepest.subject = "Level 3";
    deepest.body = "innermost";
    deepest.attachments = {File("deep.txt", Bytes("deep bytes"))};
    Item middle;
    middle.subject = "Level 2";
    middle.attachments = {Embedded(deepest)};
    Item outer;
    outer.subject = "Nested";
    outer.attachments = {File("top.txt", Bytes("top")), Embedded(middle)};
    return outer;
}

std::string Hex(uint32_t nid) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", nid);
    return text;
}

class AttachmentCommands : public ::testing::TestWithParam<Layout> {
protected:
    void SetUp() override {
        dir_ = clirun::TempDir("ostrel-att");
        ASSERT_FALSE(dir_.empty());
        Options o;
        o.layout = GetParam();
        MailboxWriter writer(o);
        Mailbox m;
        Folder inbox("Inbox");
        Item plain;
        plain.subject = "Plain";
        inbox.items = {Files(), Nested(), plain};
        m.ipmSubtree.folders = {inbox};
        file_ = (dir_ / "box.pst").string();
        writeFile(file_, writer.write(m));
        for (const WrittenItem& w : writer.items())
            nids_[w.subject] = Hex(w.nid);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Saved(const std::string& name) const {
        return clirun::ReadWhole((dir_ / "out" / name).string());
    }

    fs::path dir_;
    std::string file_;
    std::map<std::string, std::string> nids_;
};

INSTANTIATE_TEST_SUITE_P(Layouts, AttachmentCommands,
                         ::testing::Values(Layout::Ansi, Layout::Unicode), [](const auto& info) {
                             return info.param == Layout::Ansi ? "Ansi" : "Unicode";
                         });

TEST_P(AttachmentCommands, EveryKindIsListedWithItsNameSizeAndKind) {
    clirun::tresult r = Ostrel({"attachments", file_, nids_["Files"]});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{
                                "1\ta.txt\t7\tfile",
                                "2\tbig.bin\t200000\tfile",
                                "3\tattachment 3.png\t4\tfile",
                                "4\tinline.png\t300\tfile, hidden",
                                "5\tfar away.doc\t0\treference",
                                "6\tSHORT.TXT\t5\tfile",
                                "7\ta.txt\t8\tfile",
                                "8\t../../etc/passwd\t1\tfile",
                                "9\ta/b\t2\tfile",
                                "10\t\xEF\xBF\xBDx\t3\tfile", // a control character shown as U+FFFD
                                "11\tline\xEF\xBF\xBD"
                                "break\xEF\xBF\xBDtab\t2\tfile",
                                "12\t.bashrc\t2\tfile",
                                "13\t" + kLongName + "\t4\tfile",
                            }));
    r = Ostrel({"attachments", file_, nids_["Plain"]});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "");
}

TEST_P(AttachmentCommands, SavedFilesHoldTheExactBytesUnderSafeNames) {
    std::string out = (dir_ / "out").string();
    clirun::tresult r = Ostrel({"save-attachments", file_, nids_["Files"], out});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Err.find("attachment 5 (far away.doc): a reference"), std::string::npos) << r.Err;
    std::string longSaved = std::string(196, 'n') + ".txt";
    std::vector<std::string> names{"a.txt",     "big.bin",        "attachment 3.png", "inline.png",
                                   "SHORT.TXT", "a (2).txt",      "_._etc_passwd",    "a_b",
                                   "_x",        "line_break_tab", "bashrc",           longSaved};
    std::vector<std::string> printed;
    for (const std::string& n : names)
        printed.push_back(out + "/" + n);
    EXPECT_EQ(Lines(r.Out), printed);
    EXPECT_EQ(Saved("a.txt"), "first a");
    EXPECT_EQ(Saved("a (2).txt"), "second a");
    std::vector<uint8_t> big = Pattern(200000, 3);
    EXPECT_EQ(Saved("big.bin"), std::string(big.begin(), big.end()));
    std::vector<uint8_t> png = Pattern(300, 9);
    EXPECT_EQ(Saved("inline.png"), std::string(png.begin(), png.end()));
    EXPECT_EQ(Saved("_._etc_passwd"), "p");
    EXPECT_EQ(Saved(longSaved), "long");
    size_t entries = 0;
    for (const auto& e : fs::directory_iterator(out)) {
        EXPECT_TRUE(e.is_regular_file()) << e.path();
        ++entries;
    }
    EXPECT_EQ(entries, names.size());
    EXPECT_FALSE(fs::exists(dir_ / "etc"));
}

TEST_P(AttachmentCommands, ASecondSaveNumbersItsFilesAndKeepsTheFirst) {
    std::string out = (dir_ / "out").string();
    ASSERT_EQ(Ostrel({"save-attachments", file_, nids_["Files"], out}).Status, 0);
    clirun::tresult again = Ostrel({"save-attachments", file_, nids_["Files"], out});
    EXPECT_EQ(again.Status, 0) << again.Err;
    std::vector<std::string> lines = Lines(again.Out);
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0], out + "/a (3).txt");
    EXPECT_EQ(lines[5], out + "/a (4).txt");
    EXPECT_EQ(Saved("a.txt"), "first a");
    EXPECT_EQ(Saved("a (2).txt"), "second a");
    EXPECT_EQ(Saved("a (3).txt"), "first a");
    EXPECT_EQ(Saved("a (4).txt"), "second a");
}

TEST_P(AttachmentCommands, EmbeddedMessagesAreListedAndSavedAsEml) {
    clirun::tresult r = Ostrel({"attachments", file_, nids_["Nested"]});
    ASSERT_EQ(r.Status, 0) << r.Err;
    std::vector<std::string> lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "1\ttop.txt\t3\tfile");
    std::vector<std::string> cells = clirun::SplitTabs(lines[1]);
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_EQ(cells[1], "attachment 2.eml");
    EXPECT_EQ(cells[3], "embedded message");
    std::string out = (dir_ / "out").string();
    r = Ostrel({"save-attachments", file_, nids_["Nested"], out});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out),
              (std::vector<std::string>{out + "/top.txt", out + "/attachment 2.eml"}));
    std::string eml = Saved("attachment 2.eml");
    EXPECT_EQ(eml.rfind("Subject: Level 2\r\n", 0), 0u) << eml.substr(0, 200);
    EXPECT_NE(eml.find("MIME-Version: 1.0\r\n"), std::string::npos);
    // The innermost message travels inside, whole.
    EXPECT_NE(eml.find("message/rfc822"), std::string::npos);
    EXPECT_NE(eml.find("Subject: Level 3\r\n"), std::string::npos);
    EXPECT_NE(eml.find("deep.txt"), std::string::npos);
}

TEST_P(AttachmentCommands, BadRequestsFailWithAReason) {
    struct tcase {
        std::vector<std::string> Args;
        int Status;
        std::string Err;
    };
    std::string notDir = (dir_ / "box.pst").string();
    const tcase cases[] = {
        {{"attachments", file_, "zz"}, 2, "not a NID"},
        {{"attachments", file_, "0x7777"}, 1, "no node 0x7777"},
        {{"save-attachments", file_, nids_["Files"], notDir}, 2, "not a directory"},
        {{"save-attachments", file_, nids_["Files"]}, 2, "usage"},
        {{"attachments", file_}, 2, "usage"},
        {{"save-attachments", (dir_ / "missing.pst").string(), "0x21", "x"}, 2, "missing.pst"},
    };
    for (const tcase& c : cases) {
        clirun::tresult r = Ostrel(c.Args);
        EXPECT_EQ(r.Status, c.Status) << c.Args[0] << " " << c.Args.back();
        EXPECT_NE(r.Err.find(c.Err), std::string::npos) << r.Err;
        EXPECT_EQ(r.Out, "");
    }
}

} // namespace

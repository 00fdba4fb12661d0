// Attachments in the EML export: MIME types from the tag or the extension,
// Content-IDs made safe, pictures the HTML shows by cid: or content location
// beside it in a multipart/related, embedded messages as whole message/rfc822
// parts several levels deep, hidden attachments kept; and on the real samples
// the same attachment bytes that readpst writes.
#include <gmock/gmock.h>

#include <map>
#include <set>

#include "engine/Limits.h"
#include "engine/messaging/EmbeddedMessage.h"
#include "export/AttachmentTypes.h"
#include "export/EmlMessage.h"
#include "export/HtmlReferences.h"
#include "tests/export/EmlTestSupport.h"
#include "tools/pstwriter/PstMailbox.h"

using namespace emltest;
using testing::HasSubstr;
using testing::Not;

namespace {

// The smallest PNG: one red pixel.
const std::string kPng("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\1\0\0\0\1\x08\x02\0\0\0\x90wS\xde", 33);

std::string PartTree(const std::string& path) {
    return RunShell("python3 " + Quote(CheckScript()) + " --tree " + Quote(path) + " 2>&1");
}

// Writes `m` as an .eml file and returns the parsed tree; `raw` gets the text.
std::string WriteAndTree(const tpstmessage& m, std::string* raw = nullptr, temlsource source = {}) {
    TempDir dir;
    std::string path = dir.Path() + "/m.eml";
    std::string error;
    EXPECT_EQ(WriteEmlFile(m, path, &error, source), 0) << error;
    if (raw) *raw = ReadFile(path);
    std::string tree = PartTree(path);
    EXPECT_THAT(tree, HasSubstr("defects: 0\n"));
    return tree;
}

tattachment& Attach(tpstmessage& m, const std::string& name, const std::string& data) {
    auto a = std::make_unique<tattachment>();
    a->LongFileName = name;
    a->Data = data;
    a->DataSize = uint32_t(data.size());
    a->AttachMethod = 1;
    a->Next = std::move(m.Attachments);
    m.Attachments = std::move(a);
    return *m.Attachments;
}

class EmlAttachments : public testing::Test {
protected:
    void SetUp() override {
        if (!HavePython()) GTEST_SKIP() << "python3 with the email package is not installed";
    }
};

} // namespace

TEST(AttachmentTypes, TagsAreCheckedExtensionsLookedUpAndIdsMadeSafe) {
    EXPECT_EQ(ValidMimeType(" Image/PNG "), "image/png");
    EXPECT_EQ(ValidMimeType("application/vnd.ms-excel"), "application/vnd.ms-excel");
    for (const char* bad : {"", "image", "image/", "/png", "text/html; charset=x", "a b/c",
                            "image/png\r\nX-Injected: 1", "a/b/c", "t\xC3\xA9xt/plain"})
        EXPECT_EQ(ValidMimeType(bad), std::nullopt) << bad;
    EXPECT_EQ(MimeTypeOfExtension(".PDF"), "application/pdf");
    EXPECT_EQ(MimeTypeOfExtension("report.final.docx"),
              "application/vnd.openxmlformats-officedocument.wordprocessingml.document");
    EXPECT_EQ(MimeTypeOfExtension("archive.tar.gz"), std::nullopt);

    tattachment a;
    EXPECT_EQ(AttachmentMimeType(a), "application/octet-stream");
    a.FileName = std::string("PHOTO~1.JPG");
    EXPECT_EQ(AttachmentMimeType(a), "image/jpeg") << "the short name when nothing else";
    a.LongFileName = std::string("photo.tiff");
    EXPECT_EQ(AttachmentMimeType(a), "image/tiff");
    a.Extension = std::string(".png");
    EXPECT_EQ(AttachmentMimeType(a), "image/png") << "0x3703 before the names";
    a.MimeTag = std::string("image/x-bad tag");
    EXPECT_EQ(AttachmentMimeType(a), "image/png") << "a malformed tag is passed over";
    a.MimeTag = std::string("image/gif");
    EXPECT_EQ(AttachmentMimeType(a), "image/gif");

    a.ContentId = std::string("<pic 1\r\n@host>");
    EXPECT_EQ(ContentIdToken(a), "pic1@host");
    a.ContentId = std::string("< >");
    EXPECT_EQ(ContentIdToken(a), "");

    EXPECT_EQ(CidReferences("<img src=\"CID:Pic%401\"><td background='cid:bg'>"
                            "url(cid:css) cid:"),
              (std::set<std::string>{"pic@1", "bg", "css"}));

    // The window's rewrite: only references that name an attachment, and a
    // content location only as a whole value.
    tattachment pic, chart;
    pic.ContentId = std::string("<Pic@1>");
    chart.ContentLocation = std::string("chart.gif");
    auto url = [](size_t i) { return "local:" + std::to_string(i); };
    EXPECT_EQ(RewriteReferences("<img src=\"cid:pic%401\"><img src=\"cid:other\">"
                                "<img src='chart.gif'><a href=\"old-chart.gif\">chart.gif</a>",
                                {&pic, &chart}, url),
              "<img src=\"local:0\"><img src=\"cid:other\"><img src='local:1'>"
              "<a href=\"old-chart.gif\">chart.gif</a>");
}

// A cid: URL is one reference (RFC 2392): a "cid:" inside it names nothing,
// and a body of one endless URL is read once, in time and memory of its size.
TEST_F(EmlAttachments, ACidUrlIsOneReference) {
    EXPECT_EQ(CidReferences("<img src=\"cid:abccid:pic\"> cid:pic"),
              (std::set<std::string>{"abccid:pic", "pic"}));
    tattachment pic;
    pic.ContentId = std::string("<pic>");
    auto url = [](size_t i) { return "local:" + std::to_string(i); };
    EXPECT_EQ(RewriteReferences("<img src=\"cid:abccid:pic\"><img src=\"cid:pic\">", {&pic}, url),
              "<img src=\"cid:abccid:pic\"><img src=\"local:0\">");
    EXPECT_EQ(ReferencedAttachments("<img src=\"cid:abccid:pic\">", {&pic}),
              std::vector<bool>{false});

    std::string endless;
    for (int i = 0; i < 250000; ++i)
        endless += "cid:";
    const std::set<std::string> once = CidReferences(endless);
    ASSERT_EQ(once.size(), 1u);
    EXPECT_EQ(once.begin()->size(), endless.size() - 4);
    EXPECT_EQ(RewriteReferences(endless, {&pic}, url), endless);
    EXPECT_EQ(ReferencedAttachments(endless + "pic", {&pic}), std::vector<bool>{false});
}

TEST_F(EmlAttachments, PicturesTheHtmlShowsGoIntoARelatedPart) {
    auto m = Mail("Pictures");
    m->MailInfo->Body = std::string("text");
    m->MailInfo->BodyHtml = std::string(
        "<html><body><img src=\"cid:pic1@x\"><img src='images/chart.gif'></body></html>");
    Attach(*m, "unused.png", kPng).ContentId = std::string("unused@x");
    tattachment& hidden = Attach(*m, "report.pdf", "%PDF-1.4");
    hidden.Hidden = 1;
    Attach(*m, "chart.gif", "GIF89a").ContentLocation = std::string("images/chart.gif");
    tattachment& pic = Attach(*m, "pic.png", kPng);
    pic.ContentId = std::string("<pic1@x>");
    pic.MimeTag = std::string("image/png");
    std::string raw;
    std::string tree = WriteAndTree(*m, &raw);
    EXPECT_THAT(tree, HasSubstr("multipart multipart/mixed 3\n"
                                "  multipart multipart/related 3\n"
                                "    multipart multipart/alternative 2\n"));
    EXPECT_THAT(tree, HasSubstr("\n    part image/png inline pic.png <pic1@x> 33 "));
    EXPECT_THAT(tree, HasSubstr("\n    part image/gif inline chart.gif None 6 "));
    EXPECT_THAT(tree, HasSubstr("\n  part application/pdf attachment report.pdf None 8 "))
        << "hidden attachments are exported";
    EXPECT_THAT(tree, HasSubstr("\n  part image/png attachment unused.png <unused@x> 33 "));
    EXPECT_THAT(tree, HasSubstr("cid:pic1@x"));
}

TEST_F(EmlAttachments, WithoutReferencesTheLayoutStaysAsBefore) {
    auto m = Mail("No pictures");
    m->MailInfo->BodyHtml = std::string("<p>see the attachment, not cid:other</p>");
    tattachment& a = Attach(*m, "notes.txt", "plain words");
    a.ContentId = std::string("id with spaces\r\nX-Injected: 1");
    a.MimeTag = std::string("text/plain\r\nX-Injected: 2");
    Attach(*m, "forwarded.eml", "From: a@b\r\n\r\nbody");
    std::string raw;
    std::string tree = WriteAndTree(*m, &raw);
    EXPECT_THAT(tree, HasSubstr("message \"No pictures\"\nmultipart multipart/related 3\n"
                                "  multipart multipart/alternative 1\n"));
    EXPECT_THAT(tree, HasSubstr("  part text/plain attachment notes.txt "
                                "<idwithspacesX-Injected:1> 11 "));
    EXPECT_THAT(tree, HasSubstr("  part application/octet-stream attachment forwarded.eml"))
        << "message/rfc822 bytes cannot travel as base64";
    EXPECT_THAT(raw, Not(HasSubstr("\r\nX-Injected")));
}

// --- embedded messages of a written mailbox --------------------------------------------------

namespace {

pstw::Attachment FileAttachment(const std::string& name, const std::string& data) {
    pstw::Attachment a;
    a.longFileName = name;
    a.data.assign(data.begin(), data.end());
    return a;
}

pstw::Attachment Embedding(const pstw::Item& message) {
    pstw::Attachment a;
    a.method = int32_t(kAttachEmbeddedMessage);
    a.embedded = std::make_shared<pstw::Item>(message);
    return a;
}

pstw::Item WrittenMail(const std::string& subject) {
    pstw::Item i;
    i.subject = subject;
    i.senderName = "Alice Example";
    i.senderAddress = "alice@example.com";
    i.body = "Body of " + subject;
    return i;
}

// Outer -> Middle (HTML with a picture) -> Inner (a hidden attachment).
pstw::Mailbox ChainMailbox() {
    pstw::Item inner = WrittenMail("Inner");
    pstw::Attachment hidden = FileAttachment("hidden.txt", "kept");
    hidden.hidden = true;
    inner.attachments = {hidden};
    pstw::Item middle = WrittenMail("Middle");
    middle.html = "<html><body><img src=\"cid:logo@mid\"></body></html>";
    pstw::Attachment logo = FileAttachment("logo.png", kPng);
    logo.contentId = "logo@mid";
    logo.mimeTag = "image/png";
    middle.attachments = {logo, Embedding(inner)};
    pstw::Item outer = WrittenMail("Outer");
    outer.attachments = {Embedding(middle), FileAttachment("outer.pdf", "%PDF")};
    pstw::Mailbox m;
    pstw::Folder inbox{"Inbox"};
    inbox.items.push_back(outer);
    m.ipmSubtree.folders.push_back(inbox);
    return m;
}

class EmlEmbedded : public EmlAttachments {
protected:
    void SetUp() override {
        EmlAttachments::SetUp();
        if (IsSkipped()) return;
        pstw::MailboxWriter writer;
        path_ = dir_.Path() + "/chain.pst";
        writer.write(ChainMailbox(), path_);
        pst.Open(path_);
        for (const pstw::WrittenItem& i : writer.items())
            if (i.subject == "Outer")
                outer = BuildMessage(&pst.Engine, FindNode(&pst.Engine, i.nid));
        ASSERT_TRUE(outer);
    }

    TempDir dir_;
    std::string path_;
    TPst64File pst;
    std::unique_ptr<tpstmessage> outer;
};

} // namespace

TEST_F(EmlEmbedded, EachLevelIsAWholeMessageInside) {
    std::string tree = WriteAndTree(*outer, nullptr, {&pst.Engine, 0});
    // clang-format off
    EXPECT_THAT(tree, HasSubstr(
        "  rfc822 attachment Middle.eml\n"
        "    message \"Middle\"\n"
        "    multipart multipart/mixed 2\n"
        "      multipart multipart/related 2\n"
        "        multipart multipart/alternative 2\n"
        "          part text/plain None None None 14 "));
    EXPECT_THAT(tree, HasSubstr(
        "            content \"Body of Middle\"\n"));
    EXPECT_THAT(tree, HasSubstr(
        "        part image/png inline logo.png <logo@mid> 33 "));
    EXPECT_THAT(tree, HasSubstr(
        "      rfc822 attachment Inner.eml\n"
        "        message \"Inner\"\n"
        "        multipart multipart/related 2\n"));
    EXPECT_THAT(tree, HasSubstr(
        "              content \"Body of Inner\"\n"
        "          part text/plain attachment hidden.txt None 4 "));
    // clang-format on
    EXPECT_THAT(tree, HasSubstr("  part application/pdf attachment outer.pdf None 4 "));
}

TEST_F(EmlEmbedded, OneEmbeddedMessageAsItsOwnFileAndTheDepthBound) {
    const tattachment* embedding = nullptr;
    for (const tattachment* a = outer->Attachments.get(); a; a = a->Next.get())
        if (IsEmbeddedMessage(*a)) embedding = a;
    ASSERT_TRUE(embedding);
    std::string path = dir_.Path() + "/middle.eml", error;
    ASSERT_EQ(WriteEmbeddedEml(&pst.Engine, *embedding, 0, path, &error), 0) << error;
    std::string tree = PartTree(path);
    EXPECT_THAT(tree, HasSubstr("defects: 0\nmessage \"Middle\"\nmultipart multipart/mixed 2\n"));
    EXPECT_THAT(tree, HasSubstr("  rfc822 attachment Inner.eml\n"));

    EXPECT_EQ(
        WriteEmbeddedEml(&pst.Engine, *embedding, ostrel::limits::kMaxEmbeddingDepth, path, &error),
        -1);
    EXPECT_EQ(error, "the message is nested too deep");
    // At the last level the export no longer opens attached messages: their bytes stay.
    tree = WriteAndTree(*outer, nullptr, {&pst.Engine, ostrel::limits::kMaxEmbeddingDepth});
    EXPECT_THAT(tree, Not(HasSubstr("rfc822")));
    EXPECT_THAT(tree, HasSubstr("part application/octet-stream attachment  None 442 "))
        << "the raw bytes of the message's property context, as before";
}

// --- the samples beside readpst --------------------------------------------------------------

namespace {

// (subject, file name) -> the SHA-256 of each part of that name, from check_eml.py.
using tnamedparts = std::map<std::pair<std::string, std::string>, std::multiset<std::string>>;

// The samples that hold attachments, embedded messages among them (the
// README of the samples lists what each holds).
const char* const kAttachmentSamples[] = {
    "HiraokaHyperTools_pst_to_eml__Hello_CJK.pst",
    "HiraokaHyperTools_ruby-msg__alpha-beta-gamma-delta.pst",
    "HiraokaHyperTools_ruby-msg__msgInMsgInMsg.pst",
    "HiraokaHyperTools_ruby-msg__unicodeAttachmentFilename.pst",
    "aquasync_ruby-msg__attachAndInline.pst",
    "aspose-email_Aspose.Email-for-.NET__Outlook_1.pst",
    "emk_pstsdk__sample1.pst",
    "emk_pstsdk__sample2.pst",
    "emk_pstsdk__submessage.pst",
    "mooijtech_go-pst__support.pst",
};

std::string JsonField(const std::string& line, const std::string& key) {
    std::string marker = "\"" + key + "\": \"";
    size_t at = line.find(marker);
    if (at == std::string::npos) return "";
    std::string out;
    for (size_t i = at + marker.size(); i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        out += line[i];
    }
    return out;
}

tnamedparts NamedParts(const std::string& dir) {
    tnamedparts out;
    std::stringstream lines(
        RunShell("python3 " + Quote(CheckScript()) + " --attachments " + Quote(dir)));
    for (std::string line; std::getline(lines, line);)
        out[{JsonField(line, "subject"), JsonField(line, "name")}].insert(
            JsonField(line, "sha256"));
    return out;
}

// Every SHA-256 of a message's named parts, whatever their names.
std::multiset<std::string> HashesOf(const tnamedparts& parts, const std::string& subject) {
    std::multiset<std::string> out;
    for (const auto& [key, hashes] : parts)
        if (key.first == subject) out.insert(hashes.begin(), hashes.end());
    return out;
}

} // namespace

// readpst adds the RTF body as "rtf-body.rtf" (we do not) and now and then
// cuts a file name short ("support" for "support@hackingteam.it.asc"); every
// other named part it writes, in attached messages too, we write under the
// same name with the same bytes, and those it names otherwise with the same
// bytes in the same message.
TEST_F(EmlAttachments, SampleAttachmentBytesMatchReadpst) {
    int status = -1;
    RunShell("readpst -V >/dev/null 2>&1", &status);
    if (status != 0 && status != 1) GTEST_SKIP() << "readpst (pst-utils) is not installed";
    size_t compared = 0;
    for (const char* name : kAttachmentSamples) {
        const std::string sample = std::string(OSTREL_SAMPLES_DIR) + "/" + name;
        if (!fs::exists(sample)) continue;
        SCOPED_TRACE(sample);
        TempDir ours, theirs;
        RunShell("readpst -e -D -j 0 -q -o " + Quote(theirs.Path()) + " " + Quote(sample) +
                     " >/dev/null 2>&1",
                 &status);
        if (status != 0) continue;
        TPst64File pst;
        pst.Open(sample);
        pst.SaveAllToEml(ours.Path());
        tnamedparts mine = NamedParts(ours.Path()), readpst = NamedParts(theirs.Path());
        for (const auto& [key, hashes] : readpst) {
            if (key.second == "rtf-body.rtf") continue;
            ++compared;
            if (mine.count(key)) {
                EXPECT_EQ(mine[key], hashes) << key.first << " / " << key.second;
                continue;
            }
            std::multiset<std::string> all = HashesOf(mine, key.first);
            for (const std::string& h : hashes)
                EXPECT_TRUE(all.count(h)) << key.first << " / " << key.second << " missing";
        }
    }
    if (compared == 0) GTEST_SKIP() << "no sample attachments in " << OSTREL_SAMPLES_DIR;
    EXPECT_GE(compared, 20u);
}

// The written chain is a real mailbox to readpst too: it sees the content id
// the writer stored, every level's attachments, and the same bytes we export.
TEST_F(EmlEmbedded, ReadpstReadsTheWrittenChainAlike) {
    int status = -1;
    RunShell("readpst -V >/dev/null 2>&1", &status);
    if (status != 0 && status != 1) GTEST_SKIP() << "readpst (pst-utils) is not installed";
    TempDir ours, theirs;
    RunShell("readpst -e -D -j 0 -q -o " + Quote(theirs.Path()) + " " + Quote(path_) +
                 " >/dev/null 2>&1",
             &status);
    ASSERT_EQ(status, 0);
    std::string all;
    for (const std::string& f : FilesBelow(theirs.Path()))
        all += ReadFile(theirs.Path() + "/" + f);
    EXPECT_THAT(all, HasSubstr("Content-ID: <logo@mid>"));
    pst.SaveAllToEml(ours.Path());
    tnamedparts mine = NamedParts(ours.Path()), readpst = NamedParts(theirs.Path());
    for (const char* subject : {"Outer", "Middle", "Inner"})
        EXPECT_FALSE(HashesOf(readpst, subject).empty()) << subject;
    for (const auto& [key, hashes] : readpst)
        EXPECT_EQ(mine[key], hashes) << key.first << " / " << key.second;
}

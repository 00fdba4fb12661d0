// One message object as an .eml file: the names, the header forms, the part
// structure and charsets, judged by what Python's email package reads back.
#include <gmock/gmock.h>

#include "export/Charsets.h"
#include "export/EmlNames.h"
#include "export/MailAddress.h"
#include "export/MimeWriter.h"
#include "tests/Base64Text.h"
#include "tests/export/EmlTestSupport.h"
#include "tools/pstwriter/PstRtf.h"

using namespace emltest;
using testing::HasSubstr;
using testing::Not;

namespace {

// Writes `m` and returns what the parser read; fails the test on defects.
std::string WriteAndShow(const tpstmessage& m, std::string* raw = nullptr) {
    TempDir dir;
    std::string path = dir.Path() + "/m.eml";
    std::string error;
    EXPECT_EQ(TPst64File::SaveMessageToEml(m, path, &error), 0) << error;
    if (raw) *raw = ReadFile(path);
    std::string shown = Show(path);
    EXPECT_THAT(shown, HasSubstr("defects: 0\n"));
    return shown;
}

class EmlMessage : public testing::Test {
protected:
    void SetUp() override {
        if (!HavePython()) GTEST_SKIP() << "python3 with the email package is not installed";
    }
};

} // namespace

TEST(EmlNames, FileNamesComeFromSubjectAndNid) {
    EXPECT_EQ(EmlFileName("Re: a/b", 0x200024), "Re_ a_b_00200024.eml");
    EXPECT_EQ(EmlFileName(std::string(100, 'x'), 0x200024).size(), 77u);
    EXPECT_EQ(EmlFileName("", 0x200024), "_00200024.eml");
    EXPECT_EQ(EmlFileName("a\\b\"c*d?e<f>g\th\ni\x7F", 0x1234567890),
              "a_b_c_d_e_f_g_h_i__1234567890.eml");
    // 64 characters of two bytes each: cut between characters, never inside one.
    std::string cyrillic;
    for (int i = 0; i < 70; ++i)
        cyrillic += "\xD0\x96";
    EXPECT_EQ(EmlFileName(cyrillic, 0x24), cyrillic.substr(0, 128) + "_00000024.eml");
}

TEST(EmlNames, DirectoryNamesAreMadeSafe) {
    EXPECT_EQ(SafeDirectoryName("Inbox"), "Inbox");
    EXPECT_EQ(SafeDirectoryName("."), "_");
    EXPECT_EQ(SafeDirectoryName(".."), "__");
    EXPECT_EQ(SafeDirectoryName("a/b"), "a_b");
    EXPECT_EQ(SafeDirectoryName("../../etc"), ".._.._etc");
    EXPECT_EQ(SafeDirectoryName(std::string("x\0y\n\x01", 5)), "x_y__");
    EXPECT_EQ(SafeDirectoryName("a\\b:c"), "a\\b:c"); // legal here
    EXPECT_LE(SafeDirectoryName(std::string(1000, 'n')).size(), 240u);
    EXPECT_EQ(NumberedName("Inbox", "", 2), "Inbox (2)");
    EXPECT_EQ(NumberedName("x_00000024.eml", ".eml", 3), "x_00000024 (3).eml");
}

TEST(EmlAddresses, DisplayToIsCutAtSemicolons) {
    using v = std::vector<std::string>;
    EXPECT_EQ(SplitDisplayList("Ann; Bob"), (v{"Ann", "Bob"}));
    EXPECT_EQ(SplitDisplayList("Ann"), (v{"Ann"}));
    EXPECT_EQ(SplitDisplayList("Ann;"), (v{"Ann"}));
    EXPECT_EQ(SplitDisplayList("Ann; Bob; "), (v{"Ann", "Bob", ""}));
    EXPECT_EQ(SplitDisplayList(""), (v{""}));
}

TEST(EmlAddresses, EntriesWithAndWithoutAddresses) {
    tmailaddress a = ParseAddressEntry(" Ann Smith <ann@example.com> ");
    EXPECT_EQ(a.Name, "Ann Smith");
    EXPECT_EQ(a.Address, "ann@example.com");
    EXPECT_EQ(ParseAddressEntry("bob@example.com").Address, "bob@example.com");
    tmailaddress x500 = ParseAddressEntry("/O=ORG/OU=EXCHANGE/CN=RECIPIENTS/CN=ANN");
    EXPECT_EQ(x500.Address, "");
    EXPECT_FALSE(IsAddrSpec("ann@"));
    EXPECT_FALSE(IsAddrSpec("a b@c d"));
    EXPECT_TRUE(IsAddrSpec("a.b@[10.0.0.1]"));
}

TEST(EmlCharsets, TheBytesDecideTheCharset) {
    tmailinfo mail;
    EXPECT_EQ(BodyCharset(&mail, true, "x"), "utf-8");
    EXPECT_EQ(BodyCharset(&mail, false, "x"), "windows-1252");
    EXPECT_EQ(BodyCharset(nullptr, false, "x"), "windows-1252");
    mail.Charset = std::string("koi8-r");
    EXPECT_EQ(BodyCharset(&mail, false, "x"), "koi8-r");
    mail.MessageCodepage = 1250;
    EXPECT_EQ(BodyCharset(&mail, false, "x"), "windows-1250");
    mail.InternetCodepage = 1251;
    EXPECT_EQ(BodyCharset(&mail, false, "x"), "windows-1251");
    mail.InternetCodepage = 99999; // unknown: the next source decides
    EXPECT_EQ(BodyCharset(&mail, false, "x"), "windows-1250");
    // 8-bit text of a message sent as ISO-2022-JP is kept in Shift_JIS.
    mail.InternetCodepage = 50220;
    EXPECT_EQ(BodyCharset(&mail, false, "\x93\xfa\x96\x7b"), "shift_jis");
    EXPECT_EQ(BodyCharset(&mail, false, "plain"), "iso-2022-jp");
    for (uint32_t cp : {932u, 936u, 949u, 950u, 28591u, 20127u, 65001u, 1253u, 1258u})
        EXPECT_TRUE(CodepageCharset(cp).has_value()) << cp;
    EXPECT_EQ(HeaderTextCharset(&mail, "\xC3\xA9t\xC3\xA9"), "utf-8");
}

TEST(MimeWriter, Base64RoundTripsEveryLengthAcrossLineEnds) {
    std::mt19937 random(11);
    for (size_t n = 0; n <= 240; ++n) {
        std::string data(n, '\0');
        for (char& c : data)
            c = char(random());
        const std::string text = mime::Base64(data);
        EXPECT_EQ(DecodedBase64(text), data) << n;
        size_t chars = 0;
        for (size_t start = 0, end; start < text.size(); start = end + 2) {
            end = std::min(text.find("\r\n", start), text.size());
            EXPECT_LE(end - start, 76u) << n;
            EXPECT_TRUE(end == text.size() || end - start == 76u) << "only the last line is short";
            chars += end - start;
        }
        EXPECT_EQ(chars, (n + 2) / 3 * 4) << n;
        EXPECT_TRUE(text.empty() || text.back() != '\n') << "no line break at the end";
        std::string appended = "head:";
        mime::AppendBase64(appended, data);
        EXPECT_EQ(appended, "head:" + text) << n;
    }
}

// Quoted-printable decoded (RFC 2045 6.7): soft breaks removed, =XX read.
std::string DecodedQuotedPrintable(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '=') {
            out += text[i];
        } else if (text.compare(i + 1, 2, "\r\n") == 0) {
            i += 2;
        } else {
            out += char(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        }
    }
    return out;
}

TEST(MimeWriter, QuotedPrintableRoundTripsAndKeepsItsLines) {
    const std::string alphabet = "a =\t\xE9\r\nZ~";
    std::mt19937 random(5);
    for (size_t n = 0; n <= 400; ++n) {
        std::string text(n, 'a');
        for (char& c : text)
            c = alphabet[random() % alphabet.size()];
        // Every line break, CR LF, LF or CR, becomes CR LF.
        std::string lines;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' || text[i] == '\n') {
                if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
                lines += "\r\n";
            } else {
                lines += text[i];
            }
        }
        const std::string qp = mime::QuotedPrintable(text);
        EXPECT_EQ(DecodedQuotedPrintable(qp), lines) << n;
        for (size_t start = 0, end; start <= qp.size(); start = end + 2) {
            end = std::min(qp.find("\r\n", start), qp.size());
            EXPECT_LE(end - start, 76u) << n;
            if (end > start) EXPECT_TRUE(qp[end - 1] != ' ' && qp[end - 1] != '\t') << n;
            if (end == qp.size()) break;
        }
        std::string appended = "x";
        mime::AppendQuotedPrintable(appended, text);
        EXPECT_EQ(appended, "x" + qp) << n;
    }
    // A long line of literals breaks at 75 characters and an "=".
    EXPECT_EQ(mime::QuotedPrintable(std::string(80, 'a')),
              std::string(75, 'a') + "=\r\n" + std::string(5, 'a'));
}

TEST(MimeWriter, EncodingsKeepTheirLineLimits) {
    EXPECT_EQ(mime::Base64("Man"), "TWFu");
    EXPECT_EQ(mime::Base64("Ma"), "TWE=");
    EXPECT_EQ(mime::Base64(std::string(57, 'a')).size(), 76u);
    EXPECT_EQ(mime::Base64(std::string(58, 'a')).find("\r\n"), 76u);
    EXPECT_EQ(mime::QuotedPrintable("a=b \r\nc\td\n"), "a=3Db=20\r\nc\td\r\n");
    std::string qp = mime::QuotedPrintable(std::string(200, '\xE9'));
    for (size_t start = 0, end; start < qp.size(); start = end + 2) {
        end = std::min(qp.find("\r\n", start), qp.size());
        EXPECT_LE(end - start, 76u);
    }
    for (const std::string& w : mime::EncodedWords(std::string(300, '\xE9'), "ks_c_5601-1987"))
        EXPECT_LE(w.size(), 75u);
    std::mt19937 random(7);
    std::string b = mime::Boundary(random);
    EXPECT_EQ(b.size(), 34u);
    EXPECT_NE(b.find("=_"), std::string::npos);
}

TEST_F(EmlMessage, HeadersAndPartsAsTheReaderSeesThem) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    auto m = Mail("Re: a/b");
    m->MailInfo->SentRepresentingName = std::string("Ann Sender");
    m->MailInfo->SenderEmail = std::string("ann@example.com");
    m->MailInfo->DisplayTo = std::string("Ann; Bob");
    m->MailInfo->Body = std::string("Hello\r\n.\r\n..two dots\r\nend");
    m->MailInfo->BodyWasUnicode = 1;
    // 2021-11-05 10:25:21 UTC as a FILETIME.
    uint64_t ticks = (uint64_t(1636107921) + 11644473600ULL) * 10000000ULL;
    for (int i = 0; i < 8; ++i)
        m->LastModificationTime.push_back(uint8_t(ticks >> (8 * i)));
    std::string raw;
    std::string shown = WriteAndShow(*m, &raw);
    EXPECT_THAT(shown, HasSubstr("header From: Ann Sender <ann@example.com>\n"));
    EXPECT_THAT(shown, HasSubstr("header Subject: Re: a/b\n"));
    EXPECT_THAT(shown, HasSubstr("names To: Ann|Bob\n"));
    EXPECT_THAT(shown, HasSubstr("header Sender: Ann Sender <ann@example.com>\n"));
    EXPECT_THAT(raw, HasSubstr("\r\nDate: Fri, 5 Nov 2021 10:25:21 +0000\r\n"));
    // Header order, then the structure.
    size_t from = raw.find("From:"), subject = raw.find("Subject:"), to = raw.find("To:"),
           type = raw.find("Content-Type:"), version = raw.find("MIME-Version:"),
           sender = raw.find("Sender:"), date = raw.find("Date:");
    EXPECT_TRUE(from < subject && subject < to && to < type && type < version && version < sender &&
                sender < date);
    EXPECT_THAT(shown,
                HasSubstr("multipart multipart/related 1\nmultipart multipart/alternative 1\n"
                          "part text/plain utf-8 None\n"));
    // Lines that begin with "." stay as they are.
    EXPECT_THAT(shown, HasSubstr("content \"Hello\\n.\\n..two dots\\nend\"\n"));
    EXPECT_EQ(raw.substr(raw.size() - 7), "--\r\n.\r\n"); // the last line "." after the boundary
    EXPECT_THAT(shown, HasSubstr("epilogue \".\\n\""));
}

TEST_F(EmlMessage, TextPartsDeclareTheCharsetOfTheirBytes) {
    auto m = Mail("\xCF\xF0\xE8\xE2\xE5\xF2"); // "Привет" in windows-1251
    m->MailInfo->InternetCodepage = 1251;
    m->MailInfo->Body = std::string("\xCF\xF0\xE8\xE2\xE5\xF2");
    m->MailInfo->BodyHtml = std::string("<p>\xC3\xA9t\xC3\xA9</p>");
    m->MailInfo->HtmlWasUnicode = 1;
    std::string shown = WriteAndShow(*m);
    EXPECT_THAT(shown, HasSubstr("header Subject: Привет\n"));
    EXPECT_THAT(shown, HasSubstr("part text/plain windows-1251 None\ncontent \"Привет\"\n"));
    EXPECT_THAT(shown, HasSubstr("part text/html utf-8 None\ncontent \"<p>été</p>\"\n"));
}

TEST_F(EmlMessage, OnlyHtmlAndNoBody) {
    auto html = Mail();
    html->MailInfo->BodyHtml = std::string("<p>x=1</p>");
    std::string shown = WriteAndShow(*html);
    EXPECT_THAT(shown, HasSubstr("multipart multipart/alternative 1\npart text/html"));
    EXPECT_THAT(shown, Not(HasSubstr("part text/plain")));

    // An empty multipart would be malformed: an empty text part stands in.
    std::string raw;
    shown = WriteAndShow(*Mail(""), &raw);
    EXPECT_THAT(shown, HasSubstr("multipart multipart/alternative 1\npart text/plain us-ascii "
                                 "None\ncontent \"\"\n"));
    EXPECT_THAT(raw, Not(HasSubstr("Subject:")));
}

// A body kept only as compressed RTF: its HTML or its text, in UTF-8. With a
// plain or HTML body the RTF is not looked at.
TEST_F(EmlMessage, RtfOnlyBodiesBecomeTheirHtmlOrText) {
    auto m = Mail();
    m->MailInfo->RtfCompressed = pstw::uncompressedRtf(
        "{\\rtf1\\ansi\\ansicpg1251\\fromhtml1 {\\*\\htmltag <p>}\\'cf\\'f0\\'e8"
        "{\\*\\htmltag </p>}}");
    std::string shown = WriteAndShow(*m);
    EXPECT_THAT(shown, HasSubstr("part text/html utf-8 None\ncontent \"<p>При</p>\"\n"));
    EXPECT_THAT(shown, Not(HasSubstr("part text/plain")));

    m->MailInfo->RtfCompressed =
        pstw::uncompressedRtf("{\\rtf1\\ansi\\fromtext a < b\\par caf\\'e9\\par}");
    shown = WriteAndShow(*m);
    EXPECT_THAT(shown, HasSubstr("part text/plain utf-8 None\ncontent \"a < b\\ncafé\\n\"\n"));

    m->MailInfo->RtfCompressed = pstw::uncompressedRtf("{\\rtf1\\ansi {\\b bold} <x>}");
    shown = WriteAndShow(*m);
    EXPECT_THAT(shown, HasSubstr("<b><span>bold</span></b><span> &lt;x&gt;</span>"));

    m->MailInfo->Body = std::string("plain wins");
    shown = WriteAndShow(*m);
    EXPECT_THAT(shown, HasSubstr("content \"plain wins\""));
    EXPECT_THAT(shown, Not(HasSubstr("part text/html")));
}

TEST_F(EmlMessage, RecipientsWithoutAddressesGiveValidHeaders) {
    auto m = Mail("x");
    m->MailInfo->DisplayTo = std::string("Ann Smith; O'Brien, Pat; \"Quoted\" Name; Zo\xC3\xAB; ");
    m->MailInfo->DisplayCc = std::string("Carl; Dora <dora@example.com>");
    m->MailInfo->DisplayBcc = std::string("Eve@example.com");
    m->MailInfo->SentRepresentingName = std::string("Fred");
    m->MailInfo->SenderEmail = std::string("/O=ORG/OU=EXCHANGE/CN=RECIPIENTS/CN=FRED");
    std::string shown = WriteAndShow(*m);
    EXPECT_THAT(shown, HasSubstr("names To: Ann Smith|O'Brien, Pat|\"Quoted\" Name|Zoë\n"));
    EXPECT_THAT(shown, HasSubstr("names Cc: Carl|Dora <dora@example.com>\n"));
    EXPECT_THAT(shown, HasSubstr("names Bcc: Eve@example.com\n"));
    EXPECT_THAT(shown, HasSubstr("names From: Fred\n"));
}

TEST_F(EmlMessage, LongAndHostileHeaderText) {
    std::string names;
    for (int i = 0; i < 200; ++i)
        names += (i ? "; " : "") + std::string("Recipient Number ") + std::to_string(i);
    auto m = Mail(std::string(300, 's') + " \xE2\x82\xAC" + " end\r\nBcc: injected@example.com");
    m->MailInfo->DisplayTo = names;
    std::string raw;
    std::string shown = WriteAndShow(*m, &raw);
    EXPECT_THAT(shown, HasSubstr("Recipient Number 199\n"));
    EXPECT_THAT(shown, Not(HasSubstr("header Bcc")));
    EXPECT_THAT(shown, HasSubstr(std::string(300, 's') + " € end  Bcc: injected@example.com\n"));
    // Folded to 78 columns; the one-line Content-Type of the message keeps
    // its boundary on the same line and stays far below 998.
    for (size_t start = 0, end; start < raw.size(); start = end + 2) {
        end = std::min(raw.find("\r\n", start), raw.size());
        bool contentType = raw.compare(start, 13, "Content-Type:") == 0;
        EXPECT_LE(end - start, contentType ? 998u : 78u) << raw.substr(start, 80);
    }
}

TEST_F(EmlMessage, AttachmentsDecodeToTheirBytes) {
    auto m = Mail("att");
    auto a = std::make_unique<tattachment>();
    std::string data;
    for (int i = 0; i < 5000; ++i)
        data += char(i * 7);
    a->Data = data;
    a->DataSize = uint32_t(data.size()) + 1000; // a size that claims more than the data holds
    a->LongFileName =
        std::string("r\xC3\xA9sum\xC3\xA9 with a name long enough to need sections.bin");
    auto plain = std::make_unique<tattachment>(); // a recipient element: no data, no part
    a->Next = std::move(plain);
    m->Attachments = std::move(a);
    std::string shown = WriteAndShow(*m);
    EXPECT_THAT(shown,
                HasSubstr("part application/octet-stream None résumé with a name long enough to "
                          "need sections.bin\nbytes 5000 0007"));
    EXPECT_THAT(shown, HasSubstr("multipart multipart/related 2\n"));
}

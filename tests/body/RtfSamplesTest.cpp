// Compressed RTF bodies of the real sample mailboxes: every value
// decompresses as libpff's pypff (a black-box oracle, run when installed)
// decompresses it, and the sample OST's RTF-only messages get their bodies
// in the viewer's HTML and in the EML export.
#include <gmock/gmock.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

#include "body/MessageBody.h"
#include "body/RtfDecompress.h"
#include "display/BodyText.h"
#include "export/EmlMessage.h"
#include "mailbox/uPST64File.h"

using namespace ostrel::body;
namespace fs = std::filesystem;

namespace {

const std::string kSampleOst = "aspose-email_Aspose.Email-for-.NET__SampleOstFile.ost";
// Samples with compressed RTF bodies: Unicode PST and OST, and ANSI files of
// Outlook 97 to 2002 (one in code page 932).
const char* const kRtfSamples[] = {
    "aspose-email_Aspose.Email-for-.NET__SampleOstFile.ost",
    "aspose-email_Aspose.Email-for-.NET__passwordprotectedPST.pst",
    "aspose-email_Aspose.Email-for-.NET__Test_part1.pst",
    "apache_tika__testPST_variousBodyTypes.pst",
    "HiraokaHyperTools_ruby-msg__contacts97-2002.pst",
    "HiraokaHyperTools_ruby-msg__nonUnicodeCP932.pst",
    "aquasync_ruby-msg__attachAndInline.pst",
};

std::string SamplePath(const std::string& name) {
    return (fs::path(OSTREL_SAMPLES_DIR) / name).string();
}

// NID → the RTF that pypff decompresses, hex-encoded by the script.
std::map<uint64_t, std::string> PypffRtf(const std::string& path) {
    const std::string script = "import sys, pypff\n"
                               "f = pypff.file(); f.open(sys.argv[1])\n"
                               "def walk(d):\n"
                               "    for i in range(d.number_of_sub_messages):\n"
                               "        yield d.get_sub_message(i)\n"
                               "    for i in range(d.number_of_sub_folders):\n"
                               "        yield from walk(d.get_sub_folder(i))\n"
                               "for m in walk(f.get_root_folder()):\n"
                               "    try: r = m.get_rtf_body()\n"
                               "    except Exception: continue\n"
                               "    if r: print(m.identifier, r.rstrip(b'\\0').hex())\n";
    const std::string command =
        "/usr/bin/python3 -c \"$OSTREL_PYPFF_SCRIPT\" '" + path + "' 2>/dev/null";
    ::setenv("OSTREL_PYPFF_SCRIPT", script.c_str(), 1);
    std::map<uint64_t, std::string> out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) return out;
    unsigned long long nid = 0;
    static char hex[1 << 22];
    while (std::fscanf(pipe.get(), "%llu %4194303s", &nid, hex) == 2) {
        std::string bytes;
        for (size_t i = 0; hex[i] && hex[i + 1]; i += 2)
            bytes += char(std::stoi(std::string(hex + i, 2), nullptr, 16));
        out[nid] = bytes;
    }
    return out;
}

bool HavePypff() {
    return std::system("/usr/bin/python3 -c 'import pypff' 2>/dev/null") == 0;
}

std::unique_ptr<tpstmessage> Object(TPst64File& pst, uint64_t nid) {
    tnodeentry* node = FindNode(&pst.Engine, nid);
    return node ? BuildMessage(&pst.Engine, node) : nullptr;
}

} // namespace

TEST(RtfSamples, DecompressedAsPypffDecompresses) {
    if (!fs::exists(SamplePath(kSampleOst))) GTEST_SKIP() << "no samples in " << OSTREL_SAMPLES_DIR;
    if (!HavePypff()) GTEST_SKIP() << "python3-pypff is not installed";
    size_t compared = 0;
    for (const char* name : kRtfSamples) {
        const std::string path = SamplePath(name);
        TPst64File pst;
        pst.Open(path);
        for (const auto& [nid, expected] : PypffRtf(path)) {
            SCOPED_TRACE(std::string(name) + " nid " + std::to_string(nid));
            std::unique_ptr<tpstmessage> m = Object(pst, nid);
            ASSERT_TRUE(m && m->MailInfo);
            trtfdecompressed r = DecompressRtf(m->MailInfo->RtfCompressed);
            EXPECT_EQ(r.Status, RtfDecompressStatus::Ok);
            EXPECT_FALSE(r.CrcMismatch);
            // Writers end the document with a zero byte that RAWSIZE counts.
            std::string rtf = r.Rtf;
            while (!rtf.empty() && rtf.back() == '\0')
                rtf.pop_back();
            EXPECT_EQ(rtf, expected);
            ++compared;
        }
    }
    EXPECT_GE(compared, 90u) << "values compared";
}

// Of the 85 items the export writes from the sample OST, 71 keep their body
// only as compressed RTF. 57 of those hold an empty \fromtext document
// (Exchange's "converted from text" with no text; pypff and readpst agree),
// one has an empty plain body; every other item must show its body.
TEST(RtfSamples, RtfOnlyItemsOfTheSampleOstShowTheirBodies) {
    const std::string path = SamplePath(kSampleOst);
    if (!fs::exists(path)) GTEST_SKIP() << "no samples in " << OSTREL_SAMPLES_DIR;
    TPst64File pst;
    pst.Open(path);
    std::map<BodySource, size_t> sources;
    size_t withText = 0, emptyFromText = 0;
    std::mt19937 random(1);
    for (const auto& owned : pst.Engine.nodes.owned) {
        if ((owned->nid & 0x1F) != 0x04) continue; // normal messages only
        std::unique_ptr<tpstmessage> m = BuildMessage(&pst.Engine, owned);
        if (!m || !m->MailInfo) continue;
        tmessagebody b = MessageBody(m->MailInfo.get());
        ++sources[b.Source];
        const std::string html = ItemBodyText(*m);
        const std::string eml = ComposeEml(*m, random);
        if (b.Text.find_first_not_of(" \r\n\t") == std::string::npos) {
            if (b.Source == BodySource::RtfText) ++emptyFromText;
            continue;
        }
        ++withText;
        EXPECT_FALSE(html.empty());
        if (b.Source == BodySource::RtfHtml) {
            EXPECT_THAT(eml, testing::HasSubstr("Content-Type: text/html ; charset=\"utf-8\""));
        } else if (b.Source == BodySource::RtfText) {
            EXPECT_THAT(eml, testing::HasSubstr("Content-Type: text/plain ; charset=\"utf-8\""));
        }
    }
    EXPECT_EQ(emptyFromText, 57u);
    EXPECT_GE(sources[BodySource::RtfHtml] + sources[BodySource::RtfText], 13u);
    EXPECT_GE(withText, 27u);
}

// An ANSI file of Outlook 2002 whose RTF encapsulates HTML in code page 932
// (\ansicpg932, fonts without \fcharset): the Japanese text comes out as
// UTF-8, where a reader that assumes Windows-1252 shows mojibake.
TEST(RtfSamples, AnsiFileInCodePage932) {
    const std::string path = SamplePath("HiraokaHyperTools_ruby-msg__nonUnicodeCP932.pst");
    if (!fs::exists(path)) GTEST_SKIP() << "no samples in " << OSTREL_SAMPLES_DIR;
    TPst64File pst;
    pst.Open(path);
    std::unique_ptr<tpstmessage> m = Object(pst, 0x200024);
    ASSERT_TRUE(m && m->MailInfo);
    tmessagebody b = BodyFromRtf(m->MailInfo->RtfCompressed);
    EXPECT_EQ(b.Source, BodySource::RtfHtml);
    EXPECT_THAT(b.Text,
                testing::HasSubstr("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E</span>")); // 日本語
    EXPECT_THAT(b.Text, testing::HasSubstr("Non Unicode </span></span>"));
    EXPECT_THAT(b.Text, testing::HasSubstr("\xE6\x9C\xAC\xE6\x96\x87</span>")); // 本文
    EXPECT_THAT(b.Text, testing::EndsWith("</body></html>"));
}

// `ostrel attachments` and `save-attachments` on real mailbox files: the
// lists the user sees, and saved bytes that equal the attachments readpst
// (Debian pst-utils, run as a black box) writes into its .eml files for the
// same messages, compared by compare_attachments.py.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/CliRun.h"

namespace {

using clirun::Lines;
using clirun::Ostrel;
namespace fs = std::filesystem;

struct tsample {
    const char* File;
    const char* Nid; // a message with attachments
    size_t Count;    // files saved
};

// Unicode names, an inline hidden image, a large picture in a data tree,
// an ANSI-era document in a Unicode store.
const tsample kSamples[] = {
    {"HiraokaHyperTools_pst_to_eml__Hello_CJK.pst", "0x200024", 3},
    {"HiraokaHyperTools_ruby-msg__unicodeAttachmentFilename.pst", "0x200024", 3},
    {"aquasync_ruby-msg__attachAndInline.pst", "0x200024", 2},
    {"aspose-email_Aspose.Email-for-.NET__Outlook_1.pst", "0x200144", 3},
    {"aspose-email_Aspose.Email-for-.NET__passwordprotectedPST.pst", "0x2000c4", 1},
};

TEST(AttachmentSamples, ListsShowNamesSizesAndKinds) {
    const std::string cjk = "HiraokaHyperTools_pst_to_eml__Hello_CJK.pst";
    SKIP_WITHOUT_SAMPLE(cjk);
    clirun::tresult r = Ostrel({"attachments", clirun::SamplePath(cjk), "0x200024"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{"1\tC 你好.png\t920\tfile",
                                                      "2\tJ こんにちは.png\t689\tfile",
                                                      "3\tK 안녕하세요.png\t822\tfile"}));
    const std::string inline_ = "aquasync_ruby-msg__attachAndInline.pst";
    SKIP_WITHOUT_SAMPLE(inline_);
    r = Ostrel({"attachments", clirun::SamplePath(inline_), "0x200024"});
    EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{"1\tattach.png\t1558\tfile",
                                                      "2\timage001.png\t809\tfile, hidden"}));
    const std::string nested = "HiraokaHyperTools_ruby-msg__msgInMsgInMsg.pst";
    SKIP_WITHOUT_SAMPLE(nested);
    r = Ostrel({"attachments", clirun::SamplePath(nested), "0x200024"});
    std::vector<std::string> lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(clirun::SplitTabs(lines[0]).back(), "embedded message");
    EXPECT_EQ(lines[1], "2\tblue.png\t134\tfile");
}

TEST(AttachmentSamples, AnAttachedMessageIsSavedAsEmlWithItsOwnSubject) {
    const std::string nested = "HiraokaHyperTools_ruby-msg__msgInMsgInMsg.pst";
    SKIP_WITHOUT_SAMPLE(nested);
    fs::path dir = clirun::TempDir("ostrel-att-nested");
    clirun::tresult r =
        Ostrel({"save-attachments", clirun::SamplePath(nested), "0x200024", dir.string()});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Lines(r.Out), (std::vector<std::string>{dir.string() + "/attachment 1.eml",
                                                      dir.string() + "/blue.png"}));
    // The outer message is "I have sub attachments!".
    std::string eml = clirun::ReadWhole((dir / "attachment 1.eml").string());
    EXPECT_EQ(eml.rfind("Subject: I have attachments!\r\n", 0), 0u) << eml.substr(0, 200);
    EXPECT_NE(eml.find("filename=\"green.png\""), std::string::npos);
    fs::remove_all(dir);
}

TEST(AttachmentSamples, SavedBytesEqualWhatReadpstWrites) {
    if (!clirun::HaveTool("readpst") || !clirun::HaveTool("python3"))
        GTEST_SKIP() << "readpst or python3 not installed";
    for (const tsample& s : kSamples) {
        if (!clirun::HaveSample(s.File)) {
            ADD_FAILURE() << "sample " << s.File << " missing while others are present";
            continue;
        }
        fs::path dir = clirun::TempDir("ostrel-att-sample");
        fs::path readpstDir = dir / "readpst", savedDir = dir / "saved";
        fs::create_directory(readpstDir);
        clirun::tresult rp = clirun::Run({"readpst", "-e", "-D", "-j", "0", "-o",
                                          readpstDir.string(), clirun::SamplePath(s.File)});
        ASSERT_EQ(rp.Status, 0) << s.File << ": " << rp.Err;
        clirun::tresult saved =
            Ostrel({"save-attachments", clirun::SamplePath(s.File), s.Nid, savedDir.string()});
        EXPECT_EQ(saved.Status, 0) << s.File << ": " << saved.Err;
        EXPECT_EQ(Lines(saved.Out).size(), s.Count) << s.File;
        clirun::tresult compared =
            clirun::Run({"python3", OSTREL_SOURCE_DIR "/tests/cli/compare_attachments.py",
                         readpstDir.string(), savedDir.string()});
        EXPECT_EQ(compared.Out, "ok " + std::to_string(s.Count) + "\n")
            << s.File << ": " << compared.Err;
        fs::remove_all(dir);
    }
}

} // namespace

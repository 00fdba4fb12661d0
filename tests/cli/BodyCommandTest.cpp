// `ostrel body FILE NID`: exactly the HTML the item viewer shows for an
// object, for bodies kept only as compressed RTF too, and its errors.
#include <gtest/gtest.h>

#include "display/BodyText.h"
#include "mailbox/uPST64File.h"
#include "tests/cli/CliRun.h"

namespace {

const char* const kSampleOst = "aspose-email_Aspose.Email-for-.NET__SampleOstFile.ost";

std::string ViewerBody(const std::string& file, uint64_t nid) {
    TPst64File pst;
    pst.Open(file);
    tnodeentry* node = FindNode(&pst.Engine, nid);
    std::unique_ptr<tpstmessage> m = node ? BuildMessage(&pst.Engine, node) : nullptr;
    return m ? ItemBodyText(*m) : std::string();
}

} // namespace

TEST(CliBody, PrintsTheViewersHtmlOfRtfOnlyItems) {
    const std::string file = clirun::SamplePath(kSampleOst);
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no samples in " << OSTREL_SAMPLES_DIR;
    // A meeting request whose body is HTML encapsulated in compressed RTF.
    clirun::tresult r = clirun::Ostrel({"body", file, "0x214404"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("<div>test email</div>"), std::string::npos) << r.Out;
    EXPECT_EQ(r.Out, ViewerBody(file, 0x214404));
    EXPECT_TRUE(clirun::Ostrel({"--help"}).Out.find("body FILE NID") != std::string::npos);
}

TEST(CliBody, BadNidsAndMissingNodes) {
    const std::string file = clirun::SamplePath(kSampleOst);
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "no samples in " << OSTREL_SAMPLES_DIR;
    EXPECT_EQ(clirun::Ostrel({"body", file, "zz"}).Status, 2);
    EXPECT_EQ(clirun::Ostrel({"body", file, "0x7FFFFFE4"}).Status, 1);
    EXPECT_EQ(clirun::Ostrel({"body", file}).Status, 2);
}

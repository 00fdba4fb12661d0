// The sample mailbox of `make run`: its RTF-only mails (uncompressed "MELA"
// values) now show their text in the viewer and in the export, and every
// mail of it has a body.
#include <gmock/gmock.h>

#include <unistd.h>

#include <filesystem>

#include "display/BodyText.h"
#include "export/EmlMessage.h"
#include "mailbox/uPST64File.h"
#include "tools/samplemailbox/SampleMailbox.h"

namespace fs = std::filesystem;
using testing::HasSubstr;

TEST(SampleMailboxBodies, RtfOnlyMailsShowTheirText) {
    const fs::path file =
        fs::temp_directory_path() / ("ostrel-body-" + std::to_string(::getpid()) + ".pst");
    samplemailbox::write(file.string());
    TPst64File pst;
    pst.Open(file.string());
    size_t mails = 0, rtfOnly = 0;
    std::mt19937 random(1);
    for (const auto& node : pst.Engine.nodes.owned) {
        if ((node->nid & 0x1F) != 0x04) continue; // normal messages
        std::unique_ptr<tpstmessage> m = BuildMessage(&pst.Engine, node);
        if (!m || !m->MailInfo || m->Kind != kKindMail) continue;
        ++mails;
        const std::string html = ItemBodyText(*m);
        EXPECT_FALSE(html.empty()) << TextOf(m->MessageClass);
        if (m->MailInfo->Body || m->MailInfo->BodyHtml) continue;
        ++rtfOnly;
        // The writer's RTF keeps the text's words; the viewer's HTML shows them.
        EXPECT_THAT(html, HasSubstr("<p><span style=\"font-size:11pt;\">"));
        EXPECT_THAT(ComposeEml(*m, random),
                    HasSubstr("Content-Type: text/html ; charset=\"utf-8\""));
    }
    fs::remove(file);
    EXPECT_GE(mails, 20u);
    EXPECT_EQ(rtfOnly, 5u);
}

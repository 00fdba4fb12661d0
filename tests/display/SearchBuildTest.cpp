// The search builds items without their attachments' bytes: every text it
// looks in (subject, people, body, attachment names) and the date it bounds
// are those of the whole build, on every shared sample and on a generated
// mailbox with attachments in subnodes and an attached message.
#include <gtest/gtest.h>

#include <filesystem>

#include "display/SearchItem.h"
#include "mailbox/uPST64File.h"
#include "tests/display/SearchMailbox.h"
#include "tests/mailbox/OpenedMailbox.h"

using namespace ostrel::search;

namespace {

namespace fs = std::filesystem;

std::string SearchedTexts(const tpstmessage* m) {
    if (!m) return "none";
    const std::optional<uint64_t> when = ItemFileTime(*m);
    return std::to_string(m->Kind) + "|" + SubjectSearchText(*m) + "|" + PeopleText(*m) + "|" +
           BodySearchText(*m) + "|" + AttachmentNamesText(*m) + "|" +
           (when ? std::to_string(*when) : "-");
}

// Every node whose texts differ between the two builds, or whose light build
// holds attachment bytes; one line each.
std::string Disagreements(tpstfile* file) {
    std::string all;
    for (const auto& owned : file->nodes.owned) {
        tnodeentry* node = owned;
        std::unique_ptr<tpstmessage> whole = BuildMessage(file, node, nullptr);
        std::unique_ptr<tpstmessage> light = BuildMessageWithoutAttachmentData(file, node);
        if (SearchedTexts(whole.get()) != SearchedTexts(light.get()))
            all += "texts of node " + std::to_string(node->nid) + "\n";
        for (const tattachment* a = light ? light->Attachments.get() : nullptr; a;
             a = a->Next.get())
            if (a->Data) all += "bytes read in node " + std::to_string(node->nid) + "\n";
        FreeMessage(whole);
        FreeMessage(light);
    }
    return all;
}

TEST(SearchBuild, TheTextsOfEverySampleAreThoseOfTheWholeBuild) {
    const fs::path dir = OSTREL_SAMPLES_DIR;
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no samples in " << dir;
    int opened = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || (ext != ".pst" && ext != ".ost")) continue;
        TPst64File pst;
        pst.Open(entry.path().string());
        EXPECT_EQ(Disagreements(&pst.Engine), "") << entry.path();
        ++opened;
    }
    EXPECT_GT(opened, 0);
}

TEST(SearchBuild, AttachmentBytesInSubnodesAreLeftUnread) {
    pstw::Mailbox mailbox = searchbox::Generated();
    pstw::Item mail = searchbox::Mail("Large attachments", searchbox::k20210301);
    pstw::Attachment big;
    big.longFileName = "report.pdf";
    big.data.assign(200000, 0x5A); // in a subnode, over several blocks
    auto inner = std::make_shared<pstw::Item>(searchbox::Mail("Inner", searchbox::k20210301));
    inner->body = "attached body";
    pstw::Attachment attached;
    attached.method = 5;
    attached.embedded = inner;
    attached.longFileName = "Inner.msg";
    mail.attachments = {big, attached};
    mailbox.ipmSubtree.folders.front().items.push_back(mail);
    pstw::MailboxWriter writer;
    auto pst = opened::OpenBytes(writer.write(mailbox));
    ASSERT_TRUE(pst->Unreadable.empty()) << pst->Unreadable;
    EXPECT_EQ(Disagreements(&pst->Engine), "");
    for (const auto& owned : pst->Engine.nodes.owned) {
        std::unique_ptr<tpstmessage> whole = BuildMessage(&pst->Engine, owned, nullptr);
        if (!whole || SubjectSearchText(*whole) != "Large attachments") continue;
        std::unique_ptr<tpstmessage> light =
            BuildMessageWithoutAttachmentData(&pst->Engine, owned);
        ASSERT_TRUE(light);
        EXPECT_EQ(AttachmentNamesText(*light), AttachmentNamesText(*whole));
        EXPECT_NE(AttachmentNamesText(*light).find("report.pdf"), std::string::npos);
        size_t wholeBytes = 0;
        for (const tattachment* a = whole->Attachments.get(); a; a = a->Next.get())
            wholeBytes += a->Data ? a->Data->size() : 0;
        EXPECT_GE(wholeBytes, 200000u);
        FreeMessage(light);
        FreeMessage(whole);
        return;
    }
    ADD_FAILURE() << "the mail with attachments was not found";
}

} // namespace

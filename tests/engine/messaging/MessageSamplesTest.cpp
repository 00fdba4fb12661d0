// Message objects of the real mailboxes: every node builds or fails without
// fault, and a few items agree with what python3-pypff (libpff 20180714)
// reports for them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/messaging/BuildMessage.h"
#include "engine/messaging/StoreNode.h"
#include "engine/uPST64Format.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Samples() {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(OSTREL_SAMPLES_DIR, ec))
        if (e.path().extension() == ".pst" || e.path().extension() == ".ost")
            out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

std::string SubjectOf(const tpstmessage& m) {
    if (!m.MailInfo || !m.MailInfo->Subject || !m.MailInfo->Subject->Text) return "";
    return m.MailInfo->Subject->Text->c_str();
}

// Sizes of the elements that are attachments (recipient elements have no method).
std::vector<uint32_t> AttachmentSizes(const tpstmessage& m) {
    std::vector<uint32_t> sizes;
    for (const tattachment* a = m.Attachments.get(); a; a = a->Next.get())
        if (a->AttachMethod != 0) sizes.push_back(a->DataSize);
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

} // namespace

TEST(MessageSamples, EveryNodeBuildsOrFailsCleanly) {
    auto paths = Samples();
    if (paths.empty()) GTEST_SKIP() << "no sample mailboxes in " << OSTREL_SAMPLES_DIR;
    int opened = 0;
    for (const auto& path : paths) {
        SCOPED_TRACE(path);
        tpstfile file;
        if (OpenPstFile(&file, path) != 0) continue;
        ++opened;
        BuildIndexes(&file);
        LoadNamedPropertyMap(&file);
        int built = 0;
        std::vector<tnodeentry*> nodes;
        for (const auto& n : file.nodes.owned)
            nodes.push_back(n);
        for (tnodeentry* n : nodes) {
            auto m = BuildMessage(&file, n);
            if (m) ++built;
            FreeMessage(m);
        }
        // This file's header fails its CRC check: libpff and libpst refuse it too.
        bool damaged = path.find("AddingBulkMessages") != std::string::npos;
        tnodeentry* root = FindNode(&file, 0x21);
        if (root && !damaged) {
            auto store = BuildMessage(&file, root);
            ASSERT_TRUE(store);
            EXPECT_TRUE(store->StoreInfo);
            EXPECT_NE(FindOrAddNode(&file, store.get()), nullptr);
            EXPECT_GT(built, 0);
        }
        ClosePstFile(&file);
    }
    EXPECT_GT(opened, 0);
}

TEST(MessageSamples, ItemsAgreeWithLibpff) {
    // Subject, class and attachment sizes as python3-pypff reports them for
    // the item of the given NID (identifier); sizes sorted.
    struct tfact {
        const char* file;
        uint64_t nid;
        const char* subject;
        const char* messageClass;
        int32_t kind;
        std::vector<uint32_t> sizes;
    } facts[] = {
        {"emk_pstsdk__sample1.pst",
         2097188,
         "Here is a sample message",
         "IPM.Note",
         kKindMail,
         {93142}},
        {"emk_pstsdk__sample2.pst",
         2097188,
         "Here is a sample message",
         "IPM.Note",
         kKindMail,
         {93142}}, // ANSI layout
        {"HiraokaHyperTools_ruby-msg__alpha-beta-gamma-delta.pst",
         2097188,
         "Alpha",
         "IPM.Note",
         kKindMail,
         {237, 658}},
        {"HiraokaHyperTools_pst_to_eml__Hello_CJK.pst",
         2097188,
         "Hello +CJK",
         "IPM.Note",
         kKindMail,
         {689, 822, 920}},
        {"aquasync_ruby-msg__attachAndInline.pst",
         2097188,
         "Attach and inline",
         "IPM.Note",
         kKindMail,
         {809, 1558}},
        {"mooijtech_go-pst__32-bit.pst",
         2097188,
         "Updated: Olympus training for new hires",
         "IPM.Appointment",
         kKindAppointment,
         {}},
        {"aspose-email_Aspose.Email-for-Java__MapiNoteToPST_out.pst",
         2097220,
         "Blue color note",
         "IPM.StickyNote",
         kKindStickyNote,
         {}},
    };
    int checked = 0;
    for (const auto& f : facts) {
        std::string path = std::string(OSTREL_SAMPLES_DIR "/") + f.file;
        if (!fs::exists(path)) continue;
        SCOPED_TRACE(f.file);
        tpstfile file;
        ASSERT_EQ(OpenPstFile(&file, path), 0);
        BuildIndexes(&file);
        LoadNamedPropertyMap(&file);
        tnodeentry* node = FindNode(&file, f.nid);
        ASSERT_NE(node, nullptr);
        auto m = BuildMessage(&file, node);
        ASSERT_TRUE(m);
        EXPECT_EQ(SubjectOf(*m), f.subject);
        ASSERT_TRUE(m->MessageClass);
        EXPECT_STREQ(m->MessageClass->c_str(), f.messageClass);
        EXPECT_EQ(m->Kind, f.kind);
        EXPECT_EQ(AttachmentSizes(*m), f.sizes);
        ClosePstFile(&file);
        ++checked;
    }
    if (checked == 0) GTEST_SKIP() << "none of the sample mailboxes in " << OSTREL_SAMPLES_DIR;
}

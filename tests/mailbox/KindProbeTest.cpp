// The collections' cheap read against the whole build: on every shared
// sample, on generated mailboxes of both layouts, every encoding and every
// item kind (the fuzz seeds, and the 4 KiB OST), and on damaged copies of
// them, every node gives the same kind and records both ways, and the
// collections that read cheaply and pass by what cannot matter give the
// same folder list (kinds, counts, recovered and orphaned items) and item
// lists as whole builds of every node.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "mailbox/uPST64File.h"
#include "tests/fuzz/Mutations.h"
#include "tests/fuzz/Seed4k.h"
#include "tests/fuzz/SeedMailboxes.h"
#include "tests/mailbox/OpenedMailbox.h"
#include "tests/mailbox/ProbeAgreement.h"
#include "tools/pstwriter/PstMailbox.h"
#include "tools/pstwriter/PstWriter.h"

namespace {

namespace fs = std::filesystem;
using opened::OpenBytes;

constexpr int kDamagedCopies = 150;
constexpr size_t kChangesPerCopy = 6;
constexpr size_t kMutationRecordBytes = 8;

bool IsMailboxFile(const fs::path& p) {
    const std::string ext = p.extension().string();
    return ext == ".pst" || ext == ".ost";
}

TEST(KindProbe, AgreesWithTheWholeBuildOnEverySample) {
    const fs::path dir = OSTREL_SAMPLES_DIR;
    if (!fs::is_directory(dir)) GTEST_SKIP() << "no samples in " << dir;
    int opened = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file() || !IsMailboxFile(entry.path())) continue;
        TPst64File pst;
        pst.Open(entry.path().string());
        EXPECT_EQ(probe::Disagreements(&pst.Engine), "") << entry.path();
        EXPECT_EQ(probe::CollectionDisagreement(pst), "") << entry.path();
        ++opened;
    }
    EXPECT_GT(opened, 0);
}

TEST(KindProbe, AgreesOnGeneratedMailboxesOfEveryKind) {
    for (const ostrel::fuzz::SeedMailbox& seed : ostrel::fuzz::SeedMailboxes()) {
        auto pst = OpenBytes(seed.bytes);
        ASSERT_TRUE(pst->Unreadable.empty()) << pst->Unreadable;
        EXPECT_GT(pst->Engine.nodes.owned.size(), 20u);
        EXPECT_EQ(probe::Disagreements(&pst->Engine), "");
        EXPECT_EQ(probe::CollectionDisagreement(*pst), "");
    }
    auto ost = OpenBytes(ostrel::fuzz::Seed4kImage());
    EXPECT_EQ(probe::Disagreements(&ost->Engine), "");
    EXPECT_EQ(probe::CollectionDisagreement(*ost), "");
}

// Bodies in the heap, in a subnode block and in a data tree: the probe
// leaves the last two unread and still agrees.
TEST(KindProbe, AgreesOnBigBodiesAndDataTrees) {
    pstw::Mailbox m;
    pstw::Folder inbox("Inbox");
    for (size_t size : {size_t(100), size_t(9000), size_t(300000)}) {
        pstw::Item item;
        item.subject = "body " + std::to_string(size);
        item.body = std::string(size, 'b');
        inbox.items.push_back(item);
    }
    m.ipmSubtree.folders = {inbox};
    for (pstw::Layout layout : {pstw::Layout::Ansi, pstw::Layout::Unicode}) {
        pstw::MailboxWriter writer({layout, 1});
        auto pst = OpenBytes(writer.write(m));
        EXPECT_EQ(probe::Disagreements(&pst->Engine), "");
    }
}

// The probe passes by records no list of the object's kind counts by (a
// mail item's recipient addresses make a contact record). A container class
// after such a value makes the item a contact after all: then only the
// whole build can tell whether it has its contact record, and the probe
// must not say it lacks one. Beside it, a mail item whose recipient table
// the probe passes by.
TEST(KindProbe, AgreesWhenTheKindChangesAfterARecordWasPassedBy) {
    using pstw::Prop;
    pstw::Mailbox m;
    pstw::Folder inbox("Inbox");
    pstw::Item turns;
    turns.subject = "a mail item to begin with";
    turns.messageClass = "IPM.Note";
    turns.extra = {Prop::str(0x3003, "someone@example.com"), Prop::str(0x3613, "IPF.Contact")};
    inbox.items.push_back(turns);
    pstw::Item mail;
    mail.subject = "recipients";
    mail.recipients = {{"One", "one@example.com"}, {"Two", "two@example.com"}};
    inbox.items.push_back(mail);
    m.ipmSubtree.folders = {inbox};
    for (pstw::Layout layout : {pstw::Layout::Ansi, pstw::Layout::Unicode}) {
        auto pst = OpenBytes(pstw::MailboxWriter({layout, 1}).write(m));
        int contacts = 0;
        for (const auto& node : pst->Engine.nodes.owned) {
            std::unique_ptr<tpstmessage> whole = BuildMessage(&pst->Engine, node, nullptr);
            if (whole && whole->Kind == kKindContact && whole->Contact) ++contacts;
            FreeMessage(whole);
        }
        EXPECT_EQ(contacts, 1) << "the first item no longer turns into a contact";
        EXPECT_EQ(probe::Disagreements(&pst->Engine), "");
        EXPECT_EQ(probe::CollectionDisagreement(*pst), "");
    }
}

// Damaged copies: random changes to pages, blocks and heaps of the seeds.
TEST(KindProbe, AgreesOnDamagedMailboxes) {
    std::mt19937 random(19);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int copy = 0; copy < kDamagedCopies; ++copy) {
        std::vector<uint8_t> input(1 + kChangesPerCopy * kMutationRecordBytes);
        for (uint8_t& b : input)
            b = uint8_t(byte(random));
        auto pst = OpenBytes(ostrel::fuzz::MutatedSeed(input.data(), input.size()));
        EXPECT_EQ(probe::Disagreements(&pst->Engine), "") << "copy " << copy;
        EXPECT_EQ(probe::CollectionDisagreement(*pst), "") << "copy " << copy;
    }
}

// Enough items that the folder collection reads them on every core (it
// does for 2048 nodes and more) and picks the nodes to read in more than
// one share of the node list (4096 nodes each), some of them in folders of another kind,
// intact and with random damage: the reads shared out among threads give
// what the whole builds of one thread give. One folder holds enough items
// for its own item collection to read them on every core, as it does when
// the folder list counts nothing.
TEST(KindProbe, ReadsOnEveryCoreAgreeWithTheWholeBuild) {
    const std::pair<const char*, const char*> folders[] = {{"Inbox", "IPF.Note"},
                                                           {"Calendar", "IPF.Appointment"},
                                                           {"Contacts", "IPF.Contact"},
                                                           {"Tasks", "IPF.Task"},
                                                           {"Notes", "IPF.StickyNote"}};
    const pstw::ItemKind kinds[] = {pstw::ItemKind::Note,       pstw::ItemKind::Appointment,
                                    pstw::ItemKind::Contact,    pstw::ItemKind::Task,
                                    pstw::ItemKind::StickyNote, pstw::ItemKind::Post,
                                    pstw::ItemKind::Report,     pstw::ItemKind::Journal};
    pstw::Mailbox m;
    for (size_t f = 0; f < std::size(folders); ++f) {
        pstw::Folder folder(folders[f].first, folders[f].second);
        for (size_t i = 0; i < (f == 0 ? 2100 : 900); ++i) {
            pstw::Item item;
            // Most items are of their folder's kind, every seventh of another.
            item.kind = kinds[i % 7 == 0 ? (i / 7) % std::size(kinds) : f];
            item.subject = std::string(folders[f].first) + " " + std::to_string(i);
            if (item.kind == pstw::ItemKind::Appointment)
                item.appointment = pstw::AppointmentInfo{};
            folder.items.push_back(item);
        }
        m.ipmSubtree.folders.push_back(folder);
    }
    const std::vector<uint8_t> image = pstw::MailboxWriter({pstw::Layout::Unicode, 1}).write(m);
    auto intact = OpenBytes(image);
    ASSERT_GE(intact->Engine.nodes.owned.size(), 5700u);
    EXPECT_EQ(probe::CollectionDisagreement(*intact), "");

    std::mt19937 random(2048);
    std::uniform_int_distribution<size_t> at(0x4400, image.size() - 8);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int copy = 0; copy < 4; ++copy) {
        std::vector<uint8_t> damaged = image;
        for (int change = 0; change < 40; ++change) {
            const size_t where = at(random);
            for (size_t k = 0; k < 8; ++k)
                damaged[where + k] = uint8_t(byte(random));
        }
        auto pst = OpenBytes(damaged);
        EXPECT_EQ(probe::CollectionDisagreement(*pst), "") << "copy " << copy;
    }
}

} // namespace

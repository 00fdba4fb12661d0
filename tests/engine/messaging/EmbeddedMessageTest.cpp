// Messages attached to messages, read back through BuildEmbeddedMessage: a
// chain written three levels deep in both layouts and every encoding comes
// back level by level with its bodies, recipients and attachments; a missing
// or damaged subnode and the depth bound give their result codes without
// fault; the real sample with two levels of embedding shows each subject.
#include <algorithm>
#include <filesystem>

#include "engine/Limits.h"
#include "engine/messaging/EmbeddedMessage.h"
#include "engine/ndb/BlockIndex.h"
#include "tests/engine/messaging/WrittenMailbox.h"
#include "tools/pstwriter/PstMailbox.h"

namespace {

using pstw::Item;
using rtfile::Bytes;
using rtfile::Pattern;

// Beyond one heap block as UTF-16 (a subnode of the embedded message), within the
// engine's room for converting one Unicode value.
constexpr size_t kLargeBody = 6000;

std::string SubjectOf(const tpstmessage& m) {
    if (!m.MailInfo || !m.MailInfo->Subject) return "";
    return TextOf(m.MailInfo->Subject->Text);
}

std::vector<const tattachment*> AttachmentsOf(const tpstmessage& m) {
    std::vector<const tattachment*> out;
    for (const tattachment* a = m.Attachments.get(); a; a = a->Next.get())
        if (a->AttachMethod != 0) out.push_back(a);
    return out;
}

size_t ElementCount(const tpstmessage& m) {
    size_t n = 0;
    for (const tattachment* a = m.Attachments.get(); a; a = a->Next.get())
        ++n;
    return n;
}

const tattachment* FirstEmbedded(const tpstmessage& m) {
    for (const tattachment* a : AttachmentsOf(m))
        if (IsEmbeddedMessage(*a)) return a;
    return nullptr;
}

const tattachment* Named(const tpstmessage& m, const std::string& name) {
    for (const tattachment* a : AttachmentsOf(m))
        if (TextOf(a->LongFileName) == name) return a;
    return nullptr;
}

pstw::Attachment File(const std::string& name, Bytes data) {
    pstw::Attachment a;
    a.longFileName = name;
    a.mimeTag = "application/octet-stream";
    a.data = std::move(data);
    return a;
}

pstw::Attachment Embedding(const Item& message) {
    pstw::Attachment a;
    a.method = int32_t(kAttachEmbeddedMessage);
    a.embedded = std::make_shared<Item>(message);
    return a;
}

Item Mail(const std::string& subject) {
    Item i;
    i.subject = subject;
    i.senderName = "Alice Example";
    i.senderAddress = "alice@example.com";
    i.body = "Body of " + subject;
    return i;
}

// Outer -> Middle -> Inner, each level with a file beside the message it carries.
pstw::Mailbox ChainMailbox() {
    Item inner = Mail("Inner");
    inner.body = std::string(kLargeBody, 'i');
    inner.html = "<html><body>inner</body></html>";
    inner.recipients = {{"Carol", "carol@example.com", "SMTP", 2}};
    inner.attachments = {File("inner.bin", Pattern(9000, 5))};
    Item middle = Mail("Middle");
    middle.recipients = {{"Bob Example", "bob@example.com", "SMTP", 1},
                         {"Dave", "dave@example.com", "SMTP", 1}};
    middle.attachments = {File("middle.txt", {'m', 'i', 'd'}), Embedding(inner)};
    Item outer = Mail("Outer");
    outer.attachments = {Embedding(middle), File("outer.txt", {'o', 'u', 't'})};
    pstw::Mailbox m;
    pstw::Folder inbox{"Inbox"};
    inbox.items.push_back(outer);
    m.ipmSubtree.folders.push_back(inbox);
    return m;
}

class EmbeddedMessage : public rtfile::WrittenFileTest {
protected:
    void SetUp() override {
        writer = std::make_unique<pstw::MailboxWriter>(Options());
        bytes = writer->write(ChainMailbox());
        Open(bytes);
    }

    std::unique_ptr<tpstmessage> Outer() {
        for (const pstw::WrittenItem& i : writer->items())
            if (i.subject == "Outer") return BuildMessage(&file, FindNode(&file, i.nid));
        return nullptr;
    }

    // The message embedded in the first embedding attachment of m.
    std::unique_ptr<tpstmessage> Open(const tpstmessage& m, int depth) {
        const tattachment* a = FirstEmbedded(m);
        EXPECT_TRUE(a) << "no embedded message in " << SubjectOf(m);
        std::unique_ptr<tpstmessage> out;
        if (a) {
            EXPECT_EQ(BuildEmbeddedMessage(&file, *a, depth, out), tembedresult::Built);
        }
        return out;
    }
    using rtfile::WrittenFileTest::Open;

    std::unique_ptr<pstw::MailboxWriter> writer;
    Bytes bytes;
};

TEST_P(EmbeddedMessage, EachLevelComesBackWhole) {
    auto outer = Outer();
    ASSERT_TRUE(outer);
    EXPECT_EQ(SubjectOf(*outer), "Outer");
    ASSERT_EQ(AttachmentsOf(*outer).size(), 2u);
    ASSERT_TRUE(Named(*outer, "outer.txt"));
    EXPECT_EQ(TextOf(Named(*outer, "outer.txt")->Data), "out");
    EXPECT_FALSE(IsEmbeddedMessage(*Named(*outer, "outer.txt")));

    auto middle = Open(*outer, 0);
    ASSERT_TRUE(middle);
    EXPECT_EQ(SubjectOf(*middle), "Middle");
    EXPECT_EQ(middle->Kind, kKindMail);
    EXPECT_EQ(TextOf(middle->MailInfo->Body), "Body of Middle");
    EXPECT_EQ(ElementCount(*middle), 4u) << "two recipients and two attachments";
    ASSERT_TRUE(Named(*middle, "middle.txt"));
    EXPECT_EQ(TextOf(Named(*middle, "middle.txt")->Data), "mid");

    auto inner = Open(*middle, 1);
    ASSERT_TRUE(inner);
    EXPECT_EQ(SubjectOf(*inner), "Inner");
    EXPECT_EQ(TextOf(inner->MailInfo->Body), std::string(kLargeBody, 'i'));
    EXPECT_EQ(TextOf(inner->MailInfo->BodyHtml), "<html><body>inner</body></html>");
    EXPECT_EQ(ElementCount(*inner), 2u) << "one recipient and one attachment";
    const tattachment* bin = Named(*inner, "inner.bin");
    ASSERT_TRUE(bin);
    ASSERT_TRUE(bin->Data);
    const Bytes expected = Pattern(9000, 5);
    EXPECT_EQ(*bin->Data, std::string(expected.begin(), expected.end()));
    EXPECT_FALSE(FirstEmbedded(*inner));

    // Building leaves the attachment as it was: it opens again.
    auto again = Open(*outer, 0);
    ASSERT_TRUE(again);
    EXPECT_EQ(SubjectOf(*again), "Middle");
}

TEST_P(EmbeddedMessage, OtherAttachmentsAndTheDepthBoundAreRefused) {
    auto outer = Outer();
    ASSERT_TRUE(outer);
    const tattachment* embedding = FirstEmbedded(*outer);
    ASSERT_TRUE(embedding);
    std::unique_ptr<tpstmessage> out = std::make_unique<tpstmessage>();
    EXPECT_EQ(BuildEmbeddedMessage(&file, *Named(*outer, "outer.txt"), 0, out),
              tembedresult::NotEmbedded);
    EXPECT_FALSE(out) << "a refusal leaves no message behind";

    const int last = ostrel::limits::kMaxEmbeddingDepth - 1;
    EXPECT_EQ(BuildEmbeddedMessage(&file, *embedding, last, out), tembedresult::Built);
    EXPECT_EQ(BuildEmbeddedMessage(&file, *embedding, last + 1, out), tembedresult::TooDeep);
    EXPECT_FALSE(out);
    EXPECT_EQ(BuildEmbeddedMessage(&file, *embedding, -1, out), tembedresult::TooDeep);
    EXPECT_EQ(BuildEmbeddedMessage(nullptr, *embedding, 0, out), tembedresult::Missing);
}

TEST_P(EmbeddedMessage, MissingAndDamagedSubnodesGiveTheirCodes) {
    auto outer = Outer();
    ASSERT_TRUE(outer);
    tattachment* embedding = const_cast<tattachment*>(FirstEmbedded(*outer));
    ASSERT_TRUE(embedding);
    std::unique_ptr<tpstmessage> out;

    // A NID that is not among the attachment's subnodes.
    const uint64_t nid = embedding->ObjectNid;
    embedding->ObjectNid = nid + 0x20;
    EXPECT_EQ(BuildEmbeddedMessage(&file, *embedding, 0, out), tembedresult::Missing);
    embedding->ObjectNid = nid;
    auto subnodes = std::move(embedding->Subnodes);
    EXPECT_EQ(BuildEmbeddedMessage(&file, *embedding, 0, out), tembedresult::Missing);
    embedding->Subnodes = std::move(subnodes);

    // The embedded message's property context overwritten in the file.
    const tsubnodeentry* entry = embedding->Subnodes.get();
    while (entry && entry->nid != nid)
        entry = entry->pNext.get();
    ASSERT_TRUE(entry);
    const uint64_t at = uint64_t(entry->pDataBlock->ib), size = entry->pDataBlock->cb;
    ASSERT_LE(at + size, bytes.size());
    std::fill_n(bytes.begin() + ptrdiff_t(at), size, uint8_t(0xA5));
    outer.reset(); // its subnode copies point into the index about to be released
    ClosePstFile(&file);
    Open(bytes);
    outer = Outer();
    ASSERT_TRUE(outer) << "the outer message does not depend on the embedded one";
    EXPECT_EQ(SubjectOf(*outer), "Outer");
    embedding = const_cast<tattachment*>(FirstEmbedded(*outer));
    if (embedding) {
        EXPECT_EQ(BuildEmbeddedMessage(&file, *embedding, 0, out), tembedresult::Unreadable);
        EXPECT_FALSE(out);
    } // else the damage already hid the object from the attachment
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, EmbeddedMessage, rtfile::AllLayoutsAndEncodings(),
                         rtfile::ParamName);

TEST(EmbeddedMessageSample, TwoLevelsOfAttachedMessagesShowTheirSubjects) {
    const std::string path =
        std::string(OSTREL_SAMPLES_DIR) + "/HiraokaHyperTools_ruby-msg__msgInMsgInMsg.pst";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "sample absent: " << path;
    tpstfile file;
    ASSERT_EQ(OpenPstFile(&file, path), 0);
    ASSERT_EQ(BuildIndexes(&file), 1);
    LoadNamedPropertyMap(&file);
    std::unique_ptr<tpstmessage> top;
    for (const auto& n : file.nodes.owned) {
        if ((n->nid & 0x1F) != 0x04) continue; // NID_TYPE_NORMAL_MESSAGE
        if (auto m = BuildMessage(&file, n); m && FirstEmbedded(*m)) top = std::move(m);
    }
    ASSERT_TRUE(top);
    EXPECT_EQ(SubjectOf(*top), "I have sub attachments!");
    ASSERT_EQ(AttachmentsOf(*top).size(), 2u);
    ASSERT_TRUE(Named(*top, "blue.png"));
    EXPECT_EQ(Named(*top, "blue.png")->Data->size(), 134u);

    std::unique_ptr<tpstmessage> level1, level2;
    ASSERT_EQ(BuildEmbeddedMessage(&file, *FirstEmbedded(*top), 0, level1), tembedresult::Built);
    EXPECT_EQ(SubjectOf(*level1), "I have attachments!");
    ASSERT_EQ(AttachmentsOf(*level1).size(), 2u);
    const tattachment* green = Named(*level1, "green.png");
    ASSERT_TRUE(green);
    ASSERT_TRUE(green->Data);
    EXPECT_EQ(green->Data->size(), 134u);
    EXPECT_EQ(green->Data->substr(1, 3), "PNG");

    ASSERT_EQ(BuildEmbeddedMessage(&file, *FirstEmbedded(*level1), 1, level2), tembedresult::Built);
    EXPECT_EQ(SubjectOf(*level2), "Microsoft Outlook テスト メッセージ");
    EXPECT_EQ(FirstEmbedded(*level2), nullptr);
    ASSERT_TRUE(level2->MailInfo && level2->MailInfo->Body);
    EXPECT_NE(TextOf(level2->MailInfo->Body).find("Microsoft Outlook"), std::string::npos);
}

} // namespace

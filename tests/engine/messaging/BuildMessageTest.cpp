// Message assembly from hand-made blocks: the expansion of attachment data
// that arrived as a raw two-level data tree, objects built from a node's
// property context, and their release.
#include <gtest/gtest.h>

#include "engine/messaging/BuildMessage.h"
#include "engine/Limits.h"
#include "tests/engine/ltp/LtpImage.h"
#include "tests/engine/ltp/PropSetImage.h"

using ltpimg::bytes;

namespace {

bytes Of(const std::string& s) {
    return bytes(s.begin(), s.end());
}

// The XXBLOCK header and BIDs of an attachment value (01 02 ...).
std::string XXBlock(bool unicode, uint32_t lcbTotal, const std::vector<uint64_t>& xblocks,
                    uint8_t level = 2) {
    bytes b = {0x01, level};
    ltpimg::Put16(b, 2, uint16_t(xblocks.size()));
    ltpimg::Put32(b, 4, lcbTotal);
    for (uint64_t bid : xblocks) {
        if (unicode)
            ltpimg::Put64(b, b.size(), bid);
        else
            ltpimg::Put32(b, b.size(), uint32_t(bid));
    }
    return std::string(b.begin(), b.end());
}

// Three data blocks under two XBLOCKs: "Hello, " "data " | "tree!".
struct TreeFile {
    ltpimg::LtpFile f;
    TreeFile(bool unicode, uint8_t crypt) : f(unicode, crypt) {
        f.Place(0x100, Of("Hello, "));
        f.Place(0x104, Of("data "));
        f.Place(0x108, Of("tree!"));
        f.PlaceXBlock(0x102, {0x100, 0x104});
        f.PlaceXBlock(0x106, {0x108});
        f.PlaceXBlock(0x10E, {0x100, 0x10C}); // names a block that is not there
        f.Open();
    }
};

tattachment WithData(const std::string& data) {
    tattachment a;
    a.Data = data;
    a.DataSize = uint32_t(data.size());
    return a;
}

} // namespace

TEST(ExpandAttachmentData, TwoLevelTreesAreReplacedByTheirData) {
    for (bool unicode : {true, false}) {
        for (uint8_t crypt : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << "unicode " << unicode << " crypt " << int(crypt));
            TreeFile t(unicode, crypt);
            tattachment a = WithData(XXBlock(unicode, 17, {0x102, 0x106}));
            ASSERT_EQ(ExpandAttachmentData(&t.f.file, &a), 0);
            EXPECT_EQ(propimg::Str(a.Data), "Hello, data tree!");
            EXPECT_EQ(a.DataSize, 17u);
        }
    }
}

TEST(ExpandAttachmentData, ATreeShorterThanItsTotalLeavesZerosBehind) {
    TreeFile t(true, 1);
    tattachment a = WithData(XXBlock(true, 20, {0x106, 0x102}));
    ASSERT_EQ(ExpandAttachmentData(&t.f.file, &a), 0);
    EXPECT_EQ(propimg::Str(a.Data), std::string("tree!Hello, data \0\0\0", 20));
    EXPECT_EQ(a.DataSize, 20u);
    tattachment b = WithData(XXBlock(true, 8, {0x106}));
    ASSERT_EQ(ExpandAttachmentData(&t.f.file, &b), 0);
    EXPECT_EQ(propimg::Str(b.Data), std::string("tree!\0\0\0", 8));
}

TEST(ExpandAttachmentData, FaultsLeaveTheDataAsItWas) {
    TreeFile t(true, 1);
    const std::string cases[] = {
        XXBlock(true, 16, {0x102, 0x106}),               // blocks hold more than lcbTotal
        XXBlock(true, 17, {0x102, 0x10A}),               // an unknown block
        XXBlock(true, 17, {0x10E}),                      // an XBLOCK naming an unknown block
        XXBlock(true, 17, {0x102, 0x100}),               // a data block where an XBLOCK belongs
        XXBlock(true, 12, {0x100, 0x104}, 1),            // 01 01: entries are data blocks
        XXBlock(true, 17, {0x102, 0x106}).substr(0, 20), // cEnt beyond the value
        XXBlock(true, uint32_t(ostrel::limits::kMaxExpandedAttachmentBytes + 1), {0x102}),
    };
    for (const std::string& data : cases) {
        tattachment a = WithData(data);
        EXPECT_EQ(ExpandAttachmentData(&t.f.file, &a), -1);
        EXPECT_EQ(propimg::Str(a.Data), data);
        EXPECT_EQ(a.DataSize, data.size());
    }
}

TEST(ExpandAttachmentData, OtherDataIsLeftAlone) {
    TreeFile t(true, 1);
    for (const std::string& data :
         {std::string("PK\x03\x04 zip"), std::string("\x01\x02\x01", 3)}) {
        tattachment a = WithData(data);
        EXPECT_EQ(ExpandAttachmentData(&t.f.file, &a), 0);
        EXPECT_EQ(propimg::Str(a.Data), data);
    }
    tattachment none;
    EXPECT_EQ(ExpandAttachmentData(&t.f.file, &none), 0);
    EXPECT_FALSE(none.Data);
}

namespace {

// A node whose data is a one-page PC holding `pc`.
struct PcNode {
    ltpimg::LtpFile f{true, 1};
    tnodeentry node;
    explicit PcNode(ltpimg::PcHeap& pc) {
        f.Place(0x40, pc.Build());
        f.Open();
        node.nid = 0x200024;
        node.pDataBlock = FindBlock(&f.file, 0x40);
    }
};

} // namespace

TEST(BuildMessage, AMessageWithoutSubnodesHasNoElements) {
    ltpimg::PcHeap pc;
    uint32_t cls = pc.Value(Of("IPM.Note"));
    uint32_t subject = pc.Value(bytes{0x01, 0x04, 'R', 'E', ':', ' ', 'H', 'i'});
    uint32_t name = pc.Value(ltpimg::Utf16(u"Ann"));
    pc.Add(0x001A, PtypString8, cls);
    pc.Add(0x0037, PtypString8, subject);
    pc.Add(0x0E08, PtypInteger32, 1234);
    pc.Add(0x3001, PtypString, name);
    PcNode n(pc);
    auto m = BuildMessage(&n.f.file, &n.node);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Kind, kKindMail);
    EXPECT_EQ(propimg::Str(m->MessageClass), "IPM.Note");
    ASSERT_TRUE(m->MailInfo && m->MailInfo->Subject);
    EXPECT_EQ(propimg::Str(m->MailInfo->Subject->Text), "RE: Hi");
    EXPECT_EQ(m->MessageSize, 1234u);
    ASSERT_TRUE(m->DisplayName);
    EXPECT_STREQ(m->DisplayName->c_str(), "Ann");
    EXPECT_FALSE(m->Attachments);
    FreeMessage(m);
    EXPECT_FALSE(m);
}

TEST(BuildMessage, UnreadableNodesGiveNoObject) {
    ltpimg::PcHeap pc;
    pc.Add(0x0E08, PtypInteger32, 0);
    PcNode n(pc);
    EXPECT_FALSE(BuildMessage(&n.f.file, nullptr));
    tnodeentry noData;
    EXPECT_FALSE(BuildMessage(&n.f.file, &noData));
}

TEST(FreeMessage, ReleasesEverythingAndClearsThePointer) {
    std::unique_ptr<tpstmessage> none;
    FreeMessage(none);
    EXPECT_FALSE(none);

    auto m = std::make_unique<tpstmessage>();
    m->DisplayName = "only";
    FreeMessage(m);
    EXPECT_FALSE(m);

    // Every kind of owned part, and lists long enough to overflow the stack
    // if they were released by recursion (the sanitizer build checks leaks).
    m = std::make_unique<tpstmessage>();
    tpstmessage& r = *m;
    r.MailInfo = std::make_unique<tmailinfo>();
    r.MailInfo->Subject = std::make_unique<tsubject>();
    r.MailInfo->Subject->Text = "s";
    r.MailInfo->RtfCompressed = {1, 2};
    r.Contact = std::make_unique<tcontactinfo>();
    r.StoreInfo = std::make_unique<tstoreinfo>();
    r.SpecialFolders = std::make_unique<tspecialfolders>();
    r.Companies = std::make_unique<tcompanies>();
    r.Companies->Data = "x";
    for (int i = 0; i < 200000; ++i) {
        auto a = std::make_unique<tattachment>();
        a->Data = "data";
        a->Next = std::move(r.Attachments);
        r.Attachments = std::move(a);
        auto h = std::make_unique<theaderfield>();
        h->Name = "n";
        h->Next = std::move(r.Headers);
        r.Headers = std::move(h);
    }
    r.Attachments->Subnodes = std::make_unique<tsubnodeentry>();
    r.Attachments->Subnodes->pChildren = std::make_unique<tsubnodeentry>();
    FreeMessage(m);
    EXPECT_FALSE(m);
}

// The attachment list as the viewers and ostrel show it, from hand-made
// attachment chains: which chain elements are attachments, their order,
// names and fallbacks, kinds, sizes, media types; and the size texts.
#include <gtest/gtest.h>

#include "display/AttachmentRows.h"

namespace {

// Appends an element at the end of the chain and returns it.
tattachment& Append(tpstmessage& m) {
    std::unique_ptr<tattachment>* link = &m.Attachments;
    while (*link)
        link = &(*link)->Next;
    *link = std::make_unique<tattachment>();
    return **link;
}

tattachment& File(tpstmessage& m, uint64_t nid, const std::string& data) {
    tattachment& a = Append(m);
    a.NodeId = nid;
    a.AttachMethod = kAttachByValue;
    a.Data = data;
    a.DataSize = uint32_t(data.size());
    return a;
}

TEST(AttachmentRows, RecipientElementsAreLeftOutAndObjectIdsGiveTheOrder) {
    tpstmessage m;
    File(m, 0x8045, "second").LongFileName = "b.txt";
    File(m, 0x8025, "first").LongFileName = "a.txt";
    Append(m); // a recipient row: nothing of an attachment
    tattachment& lost = Append(m);
    lost.AttachMethod = kAttachByValue; // its object was not found: NodeId 0
    std::vector<tattachmentrow> rows = AttachmentRows(m);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].Name, "a.txt");
    EXPECT_EQ(rows[1].Name, "b.txt");
    EXPECT_EQ(rows[2].Name, "attachment 3");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(rows[size_t(i)].Index, i + 1);
    EXPECT_EQ(rows[0].Size, 5u);
    EXPECT_EQ(rows[2].Size, 0u);
}

TEST(AttachmentRows, NamesFallFromLongToShortToNumberedWithTheMimeExtension) {
    tpstmessage m;
    tattachment& both = File(m, 1, "x");
    both.LongFileName = "Quarterly report.pdf";
    both.FileName = "QUARTE~1.PDF";
    File(m, 2, "x").FileName = "SHORT.TXT";
    File(m, 3, "x").MimeTag = "IMAGE/PNG";
    File(m, 4, "x").MimeTag = "not a type";
    tattachment& emptyLong = File(m, 5, "x");
    emptyLong.LongFileName = std::string("\0", 1); // present but empty
    emptyLong.FileName = "fallback.doc";
    tattachment& embedded = Append(m);
    embedded.NodeId = 6;
    embedded.AttachMethod = kAttachEmbeddedMessage;
    tattachment& extension = File(m, 7, "x");
    extension.Extension = ".XLSX";
    extension.MimeTag = "image/png";      // the stored extension wins
    File(m, 8, "x").Extension = "./../x"; // not an extension
    std::vector<tattachmentrow> rows = AttachmentRows(m);
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0].Name, "Quarterly report.pdf");
    EXPECT_EQ(rows[0].MediaType, "application/pdf");
    EXPECT_EQ(rows[1].Name, "SHORT.TXT");
    EXPECT_EQ(rows[1].MediaType, "text/plain");
    EXPECT_EQ(rows[2].Name, "attachment 3.png");
    EXPECT_EQ(rows[2].MediaType, "image/png");
    EXPECT_EQ(rows[3].Name, "attachment 4");
    EXPECT_EQ(rows[3].MediaType, "application/octet-stream");
    EXPECT_EQ(rows[4].Name, "fallback.doc");
    EXPECT_EQ(rows[5].Name, "attachment 6.eml");
    EXPECT_EQ(rows[5].MediaType, "message/rfc822");
    EXPECT_EQ(rows[6].Name, "attachment 7.XLSX");
    EXPECT_EQ(rows[7].Name, "attachment 8");
}

TEST(AttachmentRows, KindsFollowTheAttachMethodAndHiddenIsShown) {
    tpstmessage m;
    const uint32_t methods[] = {kAttachNone,
                                kAttachByValue,
                                kAttachByReference,
                                kAttachByReferenceResolve,
                                kAttachByReferenceOnly,
                                kAttachEmbeddedMessage,
                                kAttachOle,
                                kAttachByWebReference,
                                99};
    uint64_t nid = 1;
    for (uint32_t method : methods) {
        tattachment& a = Append(m);
        a.NodeId = nid++;
        a.AttachMethod = method;
        a.FileName = "f";
    }
    m.Attachments->Hidden = 1;
    std::vector<std::string> kinds;
    for (const tattachmentrow& row : AttachmentRows(m))
        kinds.push_back(AttachmentKindText(row));
    EXPECT_EQ(kinds, (std::vector<std::string>{"file, hidden", "file", "reference", "reference",
                                               "reference", "embedded message", "OLE object",
                                               "reference", "file"}));
}

TEST(AttachmentRows, BytesNeverReachBeyondTheStoredData) {
    tattachment a;
    a.Data = std::string("abcdef");
    a.DataSize = 4;
    EXPECT_EQ(AttachmentBytes(a), "abcd");
    a.DataSize = 1000; // a size that claims more than is there
    EXPECT_EQ(AttachmentBytes(a), "abcdef");
    tattachment none;
    none.DataSize = 50;
    EXPECT_TRUE(AttachmentBytes(none).empty());
}

TEST(AttachmentRows, MediaTypesComeFromAWellFormedTagElseTheExtension) {
    EXPECT_EQ(AttachmentMediaType("text/HTML", "x.bin"), "text/html");
    EXPECT_EQ(AttachmentMediaType("text/html; charset=x", "x.JPG"), "image/jpeg");
    EXPECT_EQ(AttachmentMediaType("/", "x.docx"),
              "application/vnd.openxmlformats-officedocument.wordprocessingml.document");
    EXPECT_EQ(AttachmentMediaType("", "noextension"), "application/octet-stream");
    EXPECT_EQ(AttachmentMediaType(std::string(200, 'a') + "/b", "x.zip"), "application/zip");
    EXPECT_EQ(ExtensionForMediaType("image/jpeg"), ".jpg");
    EXPECT_EQ(ExtensionForMediaType("application/x-unknown"), "");
}

TEST(AttachmentRows, ShownNamesKeepEveryCharacterButControls) {
    EXPECT_EQ(ShownName("a\tb\nc\x7f\x01"), "a\xEF\xBF\xBD"
                                            "b\xEF\xBF\xBD"
                                            "c\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(ShownName("../résumé 你好.png"), "../résumé 你好.png");
}

TEST(AttachmentRows, SizeTexts) {
    EXPECT_EQ(SizeText(0), "0 bytes");
    EXPECT_EQ(SizeText(1), "1 byte");
    EXPECT_EQ(SizeText(1023), "1023 bytes");
    EXPECT_EQ(SizeText(1024), "1.0 KB");
    EXPECT_EQ(SizeText(71189), "70 KB");
    EXPECT_EQ(SizeText(5u << 20), "5.0 MB");
    EXPECT_EQ(SizeText(~uint64_t(0)), "16777216 TB");
}

} // namespace

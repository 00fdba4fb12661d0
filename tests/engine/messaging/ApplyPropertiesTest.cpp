// Storing property values into message objects: subjects, string-named
// headers, the order of named properties, attachment tags with and without
// an element, values without data, typed tags and the tag table itself.
#include <gtest/gtest.h>

#include <set>

#include "engine/messaging/TagTable.h"
#include "tests/engine/ltp/PropSetImage.h"

using namespace propimg;

namespace {

tpstmessage WithSubject(const bytes& subject) {
    tpstmessage m;
    Apply(m, Set(Value(0x0037, PtypString8, subject)));
    return m;
}

} // namespace

TEST(ApplyProperties, RefusesAMissingMessage) {
    auto set = Set(Text(0x3001, "x"));
    EXPECT_EQ(ApplyProperties(set.get(), nullptr, nullptr), -1);
}

TEST(Subject, PrefixMarkersAreSplitOff) {
    bytes raw = {0x01, 0x04};
    for (char c : std::string("RE: Hello"))
        raw.push_back(uint8_t(c));
    tpstmessage m = WithSubject(raw);
    ASSERT_TRUE(m.MailInfo && m.MailInfo->Subject);
    EXPECT_EQ(m.MailInfo->Subject->PrefixMarker, 1u);
    EXPECT_EQ(m.MailInfo->Subject->PrefixLength, 4u);
    EXPECT_EQ(Str(m.MailInfo->Subject->Text), "RE: Hello");
}

TEST(Subject, PrintableOrShortSubjectsArePlain) {
    struct tcase {
        bytes raw;
        std::string text;
    } cases[] = {
        {{'H', 'e', 'l', 'l', 'o'}, "Hello"},
        {{0x01}, "\x01"},                               // one byte: too short for a marker
        {{0xC8, 0xE2, 0xE0, 0xED}, "\xC8\xE2\xE0\xED"}, // a letter in Cyrillic code pages
    };
    for (const auto& c : cases) {
        tpstmessage m = WithSubject(c.raw);
        ASSERT_TRUE(m.MailInfo && m.MailInfo->Subject);
        EXPECT_EQ(m.MailInfo->Subject->PrefixMarker, 0u);
        EXPECT_EQ(m.MailInfo->Subject->PrefixLength, 0u);
        EXPECT_EQ(Str(m.MailInfo->Subject->Text), c.text);
    }
}

TEST(Subject, EmptySubjectLeavesNoSubjectRecord) {
    tpstmessage m = WithSubject({});
    ASSERT_TRUE(m.MailInfo);
    EXPECT_FALSE(m.MailInfo->Subject);
}

TEST(HeaderFields, QuotedCharsetOfContentTypeIsTaken) {
    tpstmessage m;
    Apply(m,
          Set(Named("content-type", "text/plain; charset=\"koi8-r\""), Named("x-mailer", "Test")));
    ASSERT_TRUE(m.MailInfo);
    EXPECT_EQ(Str(m.MailInfo->Charset), "koi8-r");
    // The list runs opposite to the order of the values.
    ASSERT_TRUE(m.Headers && m.Headers->Next);
    EXPECT_EQ(m.Headers->Name, "x-mailer");
    EXPECT_EQ(m.Headers->Next->Name, "content-type");
    EXPECT_EQ(Str(m.Headers->Next->Value), "text/plain; charset=\"koi8-r\"");
}

TEST(HeaderFields, OnlyTheExactQuotedFormSetsTheCharset) {
    tpstmessage m;
    Apply(m, Set(Named("content-type", "text/plain; charset=utf-8")));
    EXPECT_FALSE(m.MailInfo); // unquoted: no charset, no mail record
    ASSERT_TRUE(m.Headers);

    Apply(m, Set(Named("content-type", "text/plain; charset=\"koi8-r\"")));
    Apply(m, Set(Named("content-type", "text/plain; charset=\"utf-8")));    // no closing quote
    Apply(m, Set(Named("Content-Type", "text/plain; charset=\"cp1251\""))); // name differs in case
    Apply(m,
          Set(Named("content-type", "text/plain; Charset=\"cp1252\""))); // marker differs in case
    ASSERT_TRUE(m.MailInfo);
    EXPECT_EQ(Str(m.MailInfo->Charset), "koi8-r");
}

TEST(HeaderFields, AStringNamedValueWithoutNameIsSkipped) {
    tpstmessage m;
    Apply(m, Set(Named(nullptr, "text/plain")));
    EXPECT_FALSE(m.Headers);
}

TEST(ApplyProperties, NamedPropertiesComeAfterTheirUnnamedTwins) {
    // A PC lists its records by property ID: 0x3002 before 0x8000 and above.
    tpstmessage m;
    Apply(m, Set(Text(0x3002, "SMTP"), Text(0x3003, "a@b.c"), Text(0x8082, "EX")));
    ASSERT_TRUE(m.Contact);
    EXPECT_EQ(Str(m.Contact->Email1AddressType), "EX");
    EXPECT_EQ(Str(m.Contact->Email1Address), "a@b.c");
}

TEST(AttachmentTags, WithoutElementSomeStopTheSetOthersAreSkipped) {
    tpstmessage m;
    auto first = Set(Text(0x3001, "Name"), Int(0x3714, 4), Int(0x7FFE, 1), Text(0x3704, "a.txt"),
                     Text(0x3A06, "Given"), Int(0x8205, 2));
    auto second = Set(Text(0x3004, "Comment"));
    auto list = List(std::move(first), std::move(second));
    ASSERT_EQ(ApplyProperties(list.get(), &m, nullptr), 0);
    EXPECT_EQ(Str(m.DisplayName), "Name");
    EXPECT_FALSE(m.Contact);              // 0x3A06 came after 0x3704
    EXPECT_FALSE(m.Appointment);          // LID 0x8205 too
    EXPECT_EQ(Str(m.Comment), "Comment"); // the next set is applied again
}

TEST(AttachmentTags, EachSetWritesIntoItsElementOfTheChain) {
    tpstmessage m;
    // As the message layer builds it: one attachment row, two recipient rows.
    auto third = std::make_unique<tattachment>();
    auto second = std::make_unique<tattachment>();
    auto head = std::make_unique<tattachment>();
    second->Next = std::move(third);
    head->Next = std::move(second);
    auto list = List(Set(Text(0x3704, "first.txt"), Int(0x3705, 1), Int(0x67F2, 0x8025)),
                     Set(Text(0x3001, "Bob"), Int(0x67F2, 1)),
                     Set(Text(0x3001, "Alice"), Text(0x3003, "alice@x"), Int(0x67F2, 0)),
                     Set(Text(0x3704, "beyond.txt"), Text(0x3004, "after")));
    ASSERT_EQ(ApplyProperties(list.get(), &m, head.get()), 0);
    tattachment* a = head.get();
    EXPECT_EQ(Str(a->FileName), "first.txt");
    EXPECT_EQ(a->AttachMethod, 1u);
    EXPECT_EQ(a->NodeId, 0x8025u);
    EXPECT_EQ(a->Next->NodeId, 1u);
    EXPECT_FALSE(a->Next->FileName);
    EXPECT_FALSE(a->Next->Next->Next);
    // Recipient rows fill the message itself; the last set applied wins.
    EXPECT_EQ(Str(m.DisplayName), "Alice");
    ASSERT_TRUE(m.Contact);
    EXPECT_EQ(Str(m.Contact->Email1Address), "alice@x");
    // A fourth set finds no element: its 0x3704 ends it before 0x3004.
    EXPECT_FALSE(m.Comment);
}

TEST(AttachmentTags, AnAttachmentsOwnTimesReplaceTheMessages) {
    tpstmessage m;
    Apply(m, Set(Value(0x3007, PtypTime, bytes(8, 0x11)), Value(0x3008, PtypTime, bytes(8, 0x22))));
    tattachment element;
    Apply(m,
          Set(Value(0x3007, PtypTime, bytes(8, 0x33)), Value(0x3008, PtypTime, bytes(8, 0x44)),
              Text(0x3704, "a.bin")),
          &element);
    EXPECT_EQ(m.CreationTime, bytes(8, 0x33));
    EXPECT_EQ(m.LastModificationTime, bytes(8, 0x44));
    EXPECT_EQ(Str(element.FileName), "a.bin");
}

TEST(AttachmentTags, DataAndItsUnreadableForm) {
    tpstmessage m;
    tattachment element;
    Apply(m, Set(Int(0x0E20, 5000), Value(0x3701, PtypBinary, {1, 2, 3})), &element);
    EXPECT_EQ(Str(element.Data), std::string("\x01\x02\x03", 3));
    EXPECT_EQ(element.DataSize, 3u); // the data's size replaces PR_ATTACH_SIZE

    tattachment unread;
    Apply(m, Set(Unreadable(0x3701, 0x1234F)), &unread);
    EXPECT_FALSE(unread.Data);
    EXPECT_EQ(unread.NodeId, 0x1234Fu);
}

TEST(ApplyProperties, UnknownTagsLoseTheirDataKnownOnesKeepIt) {
    tpstmessage m;
    auto set = Set(Text(0x1234, "unknown"), Text(0x3001, "known"), Text(0x0C19, "recognised"));
    ASSERT_EQ(ApplyProperties(set.get(), &m, nullptr), 0);
    EXPECT_TRUE(set->Values[0]->Data.empty());
    EXPECT_EQ(set->Values[0]->Size, 7u);
    EXPECT_FALSE(set->Values[1]->Data.empty());
    EXPECT_FALSE(set->Values[2]->Data.empty());
    EXPECT_FALSE(m.MailInfo); // a recognised-only tag creates nothing
}

TEST(ApplyProperties, ValuesWithoutDataAreSkippedButCreateTheirRecord) {
    tpstmessage m;
    Apply(m, Set(Text(0x3001, "kept"), Unreadable(0x3001, 0x2F), Unreadable(0x1000, 0x3F),
                 Unreadable(0x3A06, 0x4F), Unreadable(0x0071, 0x5F), Unreadable(0x1009, 0x6F)));
    EXPECT_EQ(Str(m.DisplayName), "kept");
    ASSERT_TRUE(m.MailInfo);
    EXPECT_FALSE(m.MailInfo->Body);
    EXPECT_EQ(m.MailInfo->BodyWasUnicode, 0);
    EXPECT_EQ(m.MailInfo->ConversationIndexHead, 0u);
    EXPECT_TRUE(m.MailInfo->RtfCompressed.empty());
    EXPECT_EQ(m.MailInfo->RtfCompressedSize, 0u);
    ASSERT_TRUE(m.Contact);
    EXPECT_FALSE(m.Contact->GivenName);
}

TEST(TypedTags, WrongTypesAreSkipped) {
    tpstmessage m;
    Apply(m, Set(Int(0x0023, 1, PtypInteger32), Int(0x1080, 7, PtypInteger16)));
    EXPECT_FALSE(m.MailInfo);
    EXPECT_EQ(m.IconIndex, 0u);
    Apply(m, Set(Int(0x0023, 0, PtypBoolean), Int(0x1080, 0x103, PtypInteger32)));
    ASSERT_TRUE(m.MailInfo);
    EXPECT_EQ(m.MailInfo->OriginatorDeliveryReportRequested, kTriFalse);
    EXPECT_EQ(m.IconIndex, 0x103u);
}

TEST(TypedTags, ChangeListKeyReplacesTheRecordKey) {
    tpstmessage m;
    Apply(m, Set(Value(0x0FF9, PtypBinary, {0xA1, 0xA2, 0xA3})));
    EXPECT_EQ(Str(m.RecordKey), "\xA1\xA2\xA3");
    EXPECT_EQ(m.RecordKeySize, 3u);
    Apply(m, Set(Value(0x65E3, PtypString8, {9, 9})));
    EXPECT_EQ(m.RecordKeySize, 3u); // not binary: skipped
    Apply(m, Set(Value(0x65E3, PtypBinary, {0x16, 0xB1, 0xB2, 0xB3})));
    // The bytes after the first, the reader's terminator the last of them.
    EXPECT_EQ(Str(m.RecordKey), std::string("\xB1\xB2\xB3\x00", 4));
    EXPECT_EQ(m.RecordKeySize, 4u);
}

TEST(Bodies, FlagsTellUnicodeAndEmptyHtmlIsIgnored) {
    tpstmessage m;
    Apply(m, Set(Text(0x1013, "")));
    EXPECT_FALSE(m.MailInfo);
    Apply(m, Set(Text(0x1000, "plain", PtypString), Text(0x1001, "report"),
                 Text(0x1013, "<p>x</p>", PtypBinary), Value(0x1009, PtypBinary, {5, 6, 7})));
    ASSERT_TRUE(m.MailInfo);
    EXPECT_EQ(Str(m.MailInfo->Body), "plain");
    EXPECT_EQ(m.MailInfo->BodyWasUnicode, 1);
    EXPECT_EQ(m.MailInfo->ReportTextWasUnicode, 0);
    EXPECT_EQ(Str(m.MailInfo->BodyHtml), "<p>x</p>");
    EXPECT_EQ(m.MailInfo->HtmlWasUnicode, 0);
    EXPECT_EQ(m.MailInfo->RtfCompressed, (bytes{5, 6, 7}));
    EXPECT_EQ(m.MailInfo->RtfCompressedSize, 3u);
}

TEST(ApplyProperties, TriStatesFlagsAndNumbers) {
    tpstmessage m;
    tattachment element;
    Apply(m,
          Set(Int(0x0063, 0, PtypBoolean), Int(0x002B, 0x10000, PtypBoolean),
              Int(0x0029, 0x0100, PtypBoolean), Int(0x360A, 0, PtypBoolean),
              Int(0x8215, 1, PtypBoolean), Int(0x8503, 0, PtypBoolean), Int(0x7FFE, 0, PtypBoolean),
              Value(0x8102, PtypFloating64, {0, 0, 0, 0, 0, 0, 0xE0, 0x3F}),
              Value(0x7C07, PtypBinary, bytes(30, 0x7C)), Value(0x3A4D, PtypInteger16, {2, 0})),
          &element);
    EXPECT_EQ(m.ResponseRequested, kTriFalse);
    EXPECT_EQ(m.ReassignmentProhibited, kTriFalse); // only the low 16 bits count
    EXPECT_EQ(m.MailInfo->ReadReceiptRequested, 1);
    EXPECT_EQ(m.FolderCounts->HasSubfolders, 0);
    EXPECT_EQ(m.Appointment->AllDay, 1);
    EXPECT_EQ(m.Appointment->ReminderSet, kTriFalse16);
    EXPECT_EQ(element.Hidden, kTriFalse16);
    EXPECT_DOUBLE_EQ(m.Task->PercentComplete, 0.5);
    EXPECT_EQ(m.StoreInfo->Prop7C07, bytes(24, 0x7C));
    EXPECT_EQ(m.Contact->Gender, 2);
}

TEST(ApplyProperties, ShortValuesAreReadWithoutOverrun) {
    tpstmessage m;
    Apply(m, Set(Value(0x0E08, PtypBinary, {0x34}), Value(0x7C07, PtypBinary, {1, 2})));
    EXPECT_EQ(m.MessageSize, 0x34u); // the reader's zero byte and nothing beyond
    bytes expected(24, 0);
    expected[0] = 1;
    expected[1] = 2;
    EXPECT_EQ(m.StoreInfo->Prop7C07, expected);
}

TEST(TagTable, EveryTagHasOneEntry) {
    std::set<uint32_t> seen;
    for (const ttagentry& e : TagTableEntries()) {
        EXPECT_TRUE(seen.insert(e.tag).second) << std::hex << e.tag;
        EXPECT_EQ(FindTagEntry(e.tag), &e);
        if (e.rule != trule::NotStored && e.rule != trule::HeaderField) {
            EXPECT_NE(e.first.store, nullptr) << std::hex << e.tag;
        }
    }
    EXPECT_EQ(FindTagEntry(0x1234), nullptr);
}

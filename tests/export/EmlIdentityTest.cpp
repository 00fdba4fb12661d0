// What makes an exported message the mail that was sent: its Date from the
// submit or delivery time in the local zone (across a DST change), the
// people of its recipient table with their SMTP addresses (display lists as
// the fallback), Message-ID, In-Reply-To and References, and the fields of
// its original transport headers, which may never repeat one of ours nor
// break the MIME structure. Judged by Python's email package where it reads.
#include <gmock/gmock.h>

#include "export/EmlMessage.h"
#include "export/TransportHeaders.h"
#include "tests/export/EmlTestSupport.h"

using namespace emltest;
using testing::HasSubstr;
using testing::Not;

namespace {

tbytes FileTime(int64_t unixSeconds) {
    uint64_t ticks = uint64_t(unixSeconds + 11644473600LL) * 10000000ULL;
    tbytes out;
    for (int i = 0; i < 8; ++i)
        out.push_back(uint8_t(ticks >> (8 * i)));
    return out;
}

// Sets TZ for the test and restores UTC afterwards.
class Zone {
public:
    explicit Zone(const char* tz) { Set(tz); }
    ~Zone() { Set("UTC"); }

private:
    static void Set(const char* tz) {
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
};

std::string Compose(const tpstmessage& m, temlsource source = {}) {
    std::mt19937 random(7);
    return ComposeEml(m, random, source);
}

// The header block, without the body.
std::string Head(const std::string& eml) {
    return eml.substr(0, eml.find("\r\n\r\n") + 2);
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1))
        ++n;
    return n;
}

// Writes `m` with `source` and returns what Python read; fails on defects.
std::string Shown(const tpstmessage& m, temlsource source = {}) {
    TempDir dir;
    std::string path = dir.Path() + "/m.eml";
    std::string error;
    EXPECT_EQ(WriteEmlFile(m, path, "", &error, source), 0) << error;
    std::string shown = Show(path);
    EXPECT_THAT(shown, HasSubstr("defects: 0\n"));
    return shown;
}

trecipient Person(int32_t type, const std::string& name, const std::string& email,
                  const std::string& addressType, const std::string& smtp = {}) {
    trecipient r;
    r.Type = type;
    r.DisplayName = name;
    r.EmailAddress = email;
    r.AddressType = addressType;
    r.SmtpAddress = smtp;
    return r;
}

trecipienttable Table(std::vector<trecipient> rows) {
    trecipienttable t;
    t.State = trecipientstate::Read;
    t.Rows = std::move(rows);
    return t;
}

constexpr int64_t kSubmitted = 1614744306;     // 2021-03-03 04:05:06 UTC
constexpr int64_t kBeforeDst = 1616893199;     // 2021-03-28 00:59:59 UTC, Berlin +0100
constexpr int64_t kAfterDst = kBeforeDst + 1;  // 2021-03-28 01:00:00 UTC, Berlin +0200
constexpr int64_t kEnronTime = 988115400;      // 2001-04-24 12:30:00 UTC
constexpr int64_t kModifiedLater = 1240000000; // 2009-04-17

class EmlIdentity : public testing::Test {
protected:
    void SetUp() override {
        if (!HavePython()) GTEST_SKIP() << "python3 with the email package is not installed";
    }
};

} // namespace

TEST(EmlDate, SubmitTimeThenDeliveryThenTheOldOrder) {
    Zone utc("UTC");
    auto m = Mail("dated");
    m->CreationTime = FileTime(kModifiedLater - 10);
    EXPECT_EQ(EmlDate(*m), "Fri, 17 Apr 2009 20:26:30 +0000");
    m->LastModificationTime = FileTime(kModifiedLater);
    EXPECT_EQ(EmlDate(*m), "Fri, 17 Apr 2009 20:26:40 +0000");
    m->MailInfo->DeliveryTime = FileTime(kEnronTime + 60);
    EXPECT_EQ(EmlDate(*m), "Tue, 24 Apr 2001 12:31:00 +0000");
    m->MailInfo->ClientSubmitTime = FileTime(kEnronTime);
    EXPECT_EQ(EmlDate(*m), "Tue, 24 Apr 2001 12:30:00 +0000");
    EXPECT_EQ(EmlDateSeconds(*m), kEnronTime);
    // A submit time that is no FILETIME gives way to the next source.
    m->MailInfo->ClientSubmitTime = {1, 2, 3};
    EXPECT_EQ(EmlDate(*m), "Tue, 24 Apr 2001 12:31:00 +0000");
}

TEST(EmlDate, OffsetOfTheInstantAcrossADstChange) {
    Zone berlin("Europe/Berlin");
    auto m = Mail("dst");
    m->MailInfo->ClientSubmitTime = FileTime(kBeforeDst);
    EXPECT_EQ(EmlDate(*m), "Sun, 28 Mar 2021 01:59:59 +0100");
    m->MailInfo->ClientSubmitTime = FileTime(kAfterDst);
    EXPECT_EQ(EmlDate(*m), "Sun, 28 Mar 2021 03:00:00 +0200");
    Zone newYork("America/New_York");
    m->MailInfo->ClientSubmitTime = FileTime(kSubmitted);
    EXPECT_EQ(EmlDate(*m), "Tue, 2 Mar 2021 23:05:06 -0500");
}

TEST_F(EmlIdentity, RecipientsOfTheTableByTypeWithSmtpAddresses) {
    auto m = Mail("table");
    m->MailInfo->DisplayTo = std::string("display only");
    trecipienttable t = Table({
        Person(kRecipientTo, "Bob", "bob@example.com", "SMTP"),
        Person(kRecipientCc, "Harris, Steven", "/o=Example/cn=Recipients/cn=harris", "EX",
               "steven.harris@example.com"),
        Person(kRecipientCc, "Exchange Only", "/o=Example/cn=Recipients/cn=only", "EX"),
        Person(kRecipientBcc, "", "dan@example.com", "SMTP"),
    });
    std::string shown = Shown(*m, {nullptr, 0, &t});
    EXPECT_THAT(shown, HasSubstr("names To: Bob <bob@example.com>\n"));
    EXPECT_THAT(shown,
                HasSubstr("names Cc: Harris, Steven <steven.harris@example.com>|Exchange Only\n"));
    EXPECT_THAT(shown, HasSubstr("names Bcc: dan@example.com\n"));
    EXPECT_THAT(shown, Not(HasSubstr("display only")));
}

TEST_F(EmlIdentity, DisplayListsOnlyWithoutAReadableTable) {
    auto m = Mail("fallback");
    m->MailInfo->DisplayTo = std::string("Ann; Bob");
    for (trecipientstate state : {trecipientstate::Missing, trecipientstate::Unreadable}) {
        trecipienttable t;
        t.State = state;
        EXPECT_THAT(Shown(*m, {nullptr, 0, &t}), HasSubstr("names To: Ann|Bob\n"));
    }
    EXPECT_THAT(Shown(*m), HasSubstr("names To: Ann|Bob\n"));
    // A readable table without rows: the message had no recipients.
    trecipienttable empty = Table({});
    EXPECT_THAT(Head(Compose(*m, {nullptr, 0, &empty})), Not(HasSubstr("To:")));
}

TEST_F(EmlIdentity, HostileRecipientValuesStayInsideTheirField) {
    auto m = Mail("hostile");
    trecipienttable t = Table({
        Person(kRecipientTo, "Eve\r\nBcc: spy@example.com", "eve@example.com", "SMTP"),
        Person(kRecipientTo, "Mallory", "m@example.com>\r\nX-Evil: 1", "SMTP"),
        Person(kRecipientCc, "J\xC3\xBCrgen \"the\" <boss>", "", "SMTP", "juergen@example.com"),
        Person(99, "Unknown type", "u@example.com", "SMTP"),
    });
    std::string head = Head(Compose(*m, {nullptr, 0, &t}));
    EXPECT_THAT(head, Not(HasSubstr("\r\nBcc:")));
    EXPECT_THAT(head, Not(HasSubstr("\r\nX-Evil")));
    EXPECT_THAT(head, Not(HasSubstr("Unknown type")));
    std::string shown = Shown(*m, {nullptr, 0, &t});
    EXPECT_THAT(shown, HasSubstr("<juergen@example.com>"));
    EXPECT_THAT(shown, HasSubstr("<eve@example.com>"));
}

TEST_F(EmlIdentity, TwoHundredRecipientsFoldWithinTheLineLimit) {
    auto m = Mail("many");
    std::vector<trecipient> rows;
    for (int i = 0; i < 200; ++i)
        rows.push_back(Person(kRecipientTo, "Person " + std::to_string(i),
                              "p" + std::to_string(i) + "@example.com", "SMTP"));
    trecipienttable t = Table(rows);
    std::string head = Head(Compose(*m, {nullptr, 0, &t}));
    EXPECT_EQ(Count(head, "@example.com>"), 200u);
    size_t to = head.find("To: ");
    size_t end = head.find("\r\nContent-Type:");
    ASSERT_LT(to, end);
    std::string field = head.substr(to, end - to + 2);
    for (size_t pos = 0, next; (next = field.find("\r\n", pos)) != std::string::npos;
         pos = next + 2)
        EXPECT_LE(next - pos, 78u);
    Shown(*m, {nullptr, 0, &t});
}

TEST_F(EmlIdentity, SenderAndRepresentedPersonUseTheirSmtpForms) {
    auto m = Mail("sender");
    tmailinfo& mail = *m->MailInfo;
    mail.SentRepresentingName = std::string("Boss");
    mail.SentRepresentingEmail = std::string("/o=Example/cn=boss");
    mail.SentRepresentingAddressType = std::string("EX");
    mail.SentRepresentingSmtpAddress = std::string("boss@example.com");
    mail.SenderName = std::string("Assistant");
    mail.SenderEmail = std::string("/o=Example/cn=assistant");
    mail.SenderAddressType = std::string("EX");
    mail.SenderSmtpAddress = std::string("assistant@example.com");
    std::string shown = Shown(*m);
    EXPECT_THAT(shown, HasSubstr("names From: Boss <boss@example.com>\n"));
    EXPECT_THAT(shown, HasSubstr("names Sender: Assistant <assistant@example.com>\n"));
    // Without SMTP forms an Exchange person keeps the name only.
    mail.SentRepresentingSmtpAddress.reset();
    mail.SenderSmtpAddress.reset();
    shown = Shown(*m);
    EXPECT_THAT(shown, HasSubstr("names From: Boss\n"));
    EXPECT_THAT(shown, Not(HasSubstr("/o=Example")));
}

TEST_F(EmlIdentity, MessageIdInReplyToAndReferences) {
    auto m = Mail("Re: thread");
    m->MailInfo->InternetMessageId = std::string("<c@example.com>");
    m->MailInfo->InReplyToId = std::string("b@example.com"); // brackets added
    std::string refs;
    for (int i = 0; i < 40; ++i)
        refs += "<ref" + std::to_string(i) + "@example.com> ";
    m->MailInfo->InternetReferences = refs;
    std::string head = Head(Compose(*m));
    EXPECT_THAT(head, HasSubstr("\r\nMessage-ID: <c@example.com>\r\n"));
    EXPECT_THAT(head, HasSubstr("\r\nIn-Reply-To: <b@example.com>\r\n"));
    EXPECT_EQ(Count(head, "@example.com>"), 42u);
    std::string shown = Shown(*m);
    EXPECT_THAT(shown, HasSubstr("header Message-ID: <c@example.com>\n"));
    EXPECT_THAT(shown, HasSubstr("<ref39@example.com>"));
    // Hostile values: a line break cannot add a field, non-ASCII leaves the field out.
    m->MailInfo->InternetMessageId = std::string("<x@y>\r\nBcc: victim@example.com");
    m->MailInfo->InReplyToId = std::string("<\xC3\xA4@example.com>");
    head = Head(Compose(*m));
    EXPECT_THAT(head, Not(HasSubstr("\r\nBcc:")));
    EXPECT_THAT(head, Not(HasSubstr("In-Reply-To")));
}

TEST(TransportHeaders, FieldsAreUnfoldedAndCutAtTheFirstEmptyLine) {
    auto fields = ParseHeaderFields("Received: from a\r\n\tby b;\r\n Tue, 2 Mar 2021\r\n"
                                    "X-Test :value\nno field here\r\nList-Id: <l>\r\r\n"
                                    "After: the end\r\n");
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[0].Name, "Received");
    EXPECT_EQ(fields[0].Value, " from a\tby b; Tue, 2 Mar 2021");
    EXPECT_EQ(fields[1].Name, "X-Test");
    EXPECT_EQ(fields[2].Name, "List-Id");
}

TEST(TransportHeaders, OwnFieldsAndMimeStructureAreNeverCopied) {
    std::string merged = MergedTransportFields(
        "Received: from a by b\r\nFrom: other@example.com\r\nMESSAGE-ID: <old@x>\r\n"
        "Content-Type: multipart/mixed; boundary=\"evil\"\r\nMIME-Version: 1.0\r\n"
        "Content-Transfer-Encoding: base64\r\nX-Recovered: yes\r\nList-Id: <list.example>\r\n"
        "In-Reply-To: <kept@x>\r\n",
        "From: a@b.c\r\nMessage-ID: <new@x>\r\n");
    EXPECT_EQ(merged, "Received: from a by b\r\nList-Id: <list.example>\r\n"
                      "In-Reply-To: <kept@x>\r\n");
}

TEST(TransportHeaders, NothingCanInjectALineOrABoundary) {
    std::string merged = MergedTransportFields(
        "X-A: one\rtwo\r\n--evil\r\n--evil=_b: looks like a field\r\nX-B: \x01three\x7F "
        "\xC3\xA4\r\n\tfour\r\n",
        "");
    EXPECT_EQ(merged, "X-A: one\r\nX-B: three ?? four\r\n");
    // A field longer than a line folds at spaces; a word too long for any line drops it.
    std::string words;
    for (int i = 0; i < 300; ++i)
        words += "word" + std::to_string(i) + " ";
    merged = MergedTransportFields(
        "X-Long: " + words + "\r\nX-Huge: " + std::string(2000, 'h') + "\r\n", "");
    EXPECT_THAT(merged, Not(HasSubstr("X-Huge")));
    for (size_t pos = 0, next; (next = merged.find("\r\n", pos)) != std::string::npos;
         pos = next + 2) {
        EXPECT_LE(next - pos, 78u);
        if (pos) {
            EXPECT_EQ(merged[pos], ' ');
        }
    }
}

TEST_F(EmlIdentity, TransportHeadersJoinTheMessageOnce) {
    auto m = Mail("merged");
    m->MailInfo->InternetMessageId = std::string("<own@example.com>");
    m->MailInfo->TransportHeaders =
        std::string("Received: from mx.example.com\r\n\tby mail.example.org; Tue, 2 Mar 2021\r\n"
                    "Message-ID: <own@example.com>\r\nSubject: stale\r\nX-Mailer: Test 1.0\r\n"
                    "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\nbody\r\n");
    std::string head = Head(Compose(*m));
    EXPECT_EQ(Count(head, "Message-ID:"), 1u);
    EXPECT_EQ(Count(head, "Subject:"), 1u);
    EXPECT_EQ(Count(head, "Content-Type:"), 1u);
    EXPECT_THAT(head, HasSubstr("Subject: merged\r\n"));
    EXPECT_THAT(head, HasSubstr("Received: from mx.example.com by mail.example.org; Tue, 2 Mar"));
    EXPECT_THAT(head, Not(HasSubstr("--b")));
    std::string shown = Shown(*m);
    EXPECT_THAT(shown, HasSubstr("header X-Mailer: Test 1.0\n"));
    EXPECT_THAT(shown, HasSubstr("multipart multipart/related 1\n"));
}

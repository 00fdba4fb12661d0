// The recipient table reader on written mailboxes: tables of every shape
// (missing, empty, Exchange-only, SMTP, mixed, two hundred rows, 8-bit
// strings) in both layouts and all encodings, and the SMTP address rule.
#include <gtest/gtest.h>

#include "engine/messaging/RecipientTable.h"
#include "tests/engine/messaging/WrittenMailbox.h"
#include "tools/pstwriter/PstMailbox.h"

namespace {

using pstw::Item;
using pstw::Recipient;

constexpr const char* kExchangeDn =
    "/o=Example/ou=Exchange Administrative Group/cn=Recipients/cn=harris";
constexpr size_t kManyRecipients = 200;

Item Mail(const std::string& subject, std::vector<Recipient> recipients) {
    Item i;
    i.subject = subject;
    i.recipients = std::move(recipients);
    return i;
}

pstw::Mailbox Shapes() {
    std::vector<Item> items;
    items.push_back(Mail("Missing", {}));
    Item empty = Mail("Empty", {});
    empty.emptyRecipientTable = true;
    items.push_back(empty);
    items.push_back(Mail("Exchange", {{"Harris, Steven", kExchangeDn, "EX", 1}}));
    items.push_back(Mail("Smtp", {{"Bob", "bob@example.com", "SMTP", 1},
                                  {"Carol", "carol@example.com", "SMTP", 2},
                                  {"Dan", "dan@example.com", "SMTP", 3}}));
    Recipient withSmtp{"Harris, Steven", kExchangeDn, "EX", 2, "steven.harris@example.com"};
    items.push_back(Mail("Mixed", {{"Bob", "bob@example.com", "SMTP", 1}, withSmtp}));
    std::vector<Recipient> many;
    for (size_t i = 0; i < kManyRecipients; ++i)
        many.push_back({"Person " + std::to_string(i), "p" + std::to_string(i) + "@example.com",
                        "SMTP", int32_t(1 + i % 3)});
    items.push_back(Mail("Many", many));
    Item ansi = Mail("Ansi", {{"J\xC3\xBCrgen", "juergen@example.com", "SMTP", 1}});
    ansi.codePage = 1252;
    items.push_back(ansi);
    pstw::Mailbox m;
    pstw::Folder inbox{"Inbox"};
    inbox.items = items;
    m.ipmSubtree.folders.push_back(inbox);
    return m;
}

class RecipientTable : public rtfile::WrittenFileTest {
protected:
    void SetUp() override {
        writer = std::make_unique<pstw::MailboxWriter>(Options());
        Open(writer->write(Shapes()));
    }
    trecipienttable Read(const std::string& subject) {
        for (const pstw::WrittenItem& i : writer->items())
            if (i.subject == subject) return ReadRecipientTable(&file, FindNode(&file, i.nid));
        ADD_FAILURE() << "no item " << subject;
        return {};
    }
    std::unique_ptr<pstw::MailboxWriter> writer;
};

TEST_P(RecipientTable, MissingAndEmptyTablesDiffer) {
    EXPECT_EQ(Read("Missing").State, trecipientstate::Missing);
    trecipienttable empty = Read("Empty");
    EXPECT_EQ(empty.State, trecipientstate::Read);
    EXPECT_TRUE(empty.Rows.empty());
}

TEST_P(RecipientTable, RowsKeepTheirOrderTypesAndAddresses) {
    trecipienttable t = Read("Smtp");
    ASSERT_EQ(t.State, trecipientstate::Read);
    ASSERT_EQ(t.Rows.size(), 3u);
    EXPECT_EQ(t.Rows[0].DisplayName, "Bob");
    EXPECT_EQ(t.Rows[0].Type, kRecipientTo);
    EXPECT_EQ(t.Rows[1].Type, kRecipientCc);
    EXPECT_EQ(t.Rows[2].Type, kRecipientBcc);
    EXPECT_EQ(t.Rows[2].EmailAddress, "dan@example.com");
    EXPECT_EQ(SmtpAddressOf(t.Rows[1]), "carol@example.com");
}

TEST_P(RecipientTable, ExchangeUsersHaveAnSmtpAddressOnlyWhenGivenOne) {
    trecipienttable exchange = Read("Exchange");
    ASSERT_EQ(exchange.Rows.size(), 1u);
    EXPECT_EQ(exchange.Rows[0].AddressType, "EX");
    EXPECT_EQ(exchange.Rows[0].EmailAddress, kExchangeDn);
    EXPECT_EQ(SmtpAddressOf(exchange.Rows[0]), "");
    trecipienttable mixed = Read("Mixed");
    ASSERT_EQ(mixed.Rows.size(), 2u);
    EXPECT_EQ(SmtpAddressOf(mixed.Rows[0]), "bob@example.com");
    EXPECT_EQ(SmtpAddressOf(mixed.Rows[1]), "steven.harris@example.com");
    EXPECT_EQ(mixed.Rows[1].DisplayName, "Harris, Steven");
}

TEST_P(RecipientTable, TwoHundredRowsComeBackInOrder) {
    trecipienttable t = Read("Many");
    ASSERT_EQ(t.Rows.size(), kManyRecipients);
    EXPECT_FALSE(t.Cut);
    for (size_t i = 0; i < kManyRecipients; ++i) {
        EXPECT_EQ(t.Rows[i].DisplayName, "Person " + std::to_string(i));
        EXPECT_EQ(t.Rows[i].Type, int32_t(1 + i % 3));
    }
}

TEST_P(RecipientTable, EightBitStringsAreReadAsStored) {
    trecipienttable t = Read("Ansi");
    ASSERT_EQ(t.Rows.size(), 1u);
    EXPECT_EQ(t.Rows[0].DisplayName, "J\xFCrgen"); // windows-1252, as the file holds it
    EXPECT_EQ(SmtpAddressOf(t.Rows[0]), "juergen@example.com");
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, RecipientTable, rtfile::AllLayoutsAndEncodings(),
                         rtfile::ParamName);

TEST(RecipientTableRules, NothingToReadGivesAMissingTable) {
    EXPECT_EQ(ReadRecipientTable(nullptr, static_cast<tnodeentry*>(nullptr)).State,
              trecipientstate::Missing);
    trecipient r;
    r.AddressType = "smtp";
    r.EmailAddress = "x@example.com";
    EXPECT_EQ(SmtpAddressOf(r), "x@example.com"); // the type's case does not matter
}

} // namespace

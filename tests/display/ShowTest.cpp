// The field dump behind `ostrel show`: that it names and prints every field
// of the field list the records are declared from, how it writes texts,
// bytes, times and tri-states, and what it prints for real sample nodes,
// checked against python3-pypff's reading of them.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <type_traits>

#include "display/MessageDump.h"
#include "tests/cli/CliRun.h"
#include "tests/engine/messaging/FileTimeBytes.h"

namespace {

// "record.member" and the printer member, for every field line of the field
// list (engine/messaging/MessageFields.inc), in the list's order.
struct tlisted {
    std::string name;
    std::string show;
};

std::vector<tlisted> ListedFields() {
    std::vector<tlisted> out;
#define FIELD_TAG(record, type, field, show, ...) out.push_back({#record "." #field, #show});
#define FIELD_TAG_WITH(record, type, field, show, ...) out.push_back({#record "." #field, #show});
#define FIELD_NO_TAG(record, type, field, show, ...) out.push_back({#record "." #field, #show});
#define FIELD_ALSO(...)
#define FIELD_ALSO_WITH(...)
#define FIELD_RULE(...)
#define FIELD_NOT_STORED(...)
#include "engine/messaging/MessageFields.inc"
    return out;
}

// A record with every field of its own set: texts and bytes non-empty,
// numbers non-zero, sub-records and chain elements present but blank.
void Fill(ttext& t) {
    t = std::string("x");
}
void Fill(std::string& t) {
    t = "x";
}
void Fill(tbytes& b) {
    b.assign(8, 1);
}
void Fill(double& d) {
    d = 0.5;
}
template <class N> void Fill(N& n) requires std::is_integral_v<N> {
    n = 1;
}
template <class T> void Fill(std::unique_ptr<T>& p) {
    p = std::make_unique<T>();
}

#undef FIELD_TAG
#undef FIELD_TAG_WITH
#undef FIELD_NO_TAG
#define FIELD_TAG(record, type, field, ...) Fill(r.field);
#define FIELD_TAG_WITH(record, type, field, ...) Fill(r.field);
#define FIELD_NO_TAG(record, type, field, ...) Fill(r.field);
// clang-format off
void FillAll(tsubject& r) {
#include "engine/messaging/fields/Subject.inc"
}
void FillAll(tmailinfo& r) {
#include "engine/messaging/fields/MailInfo.inc"
}
void FillAll(tfolderinfo& r) {
#include "engine/messaging/fields/FolderInfo.inc"
}
void FillAll(tcontactinfo& r) {
#include "engine/messaging/fields/ContactInfo.inc"
}
void FillAll(tattachment& r) {
#include "engine/messaging/fields/Attachment.inc"
}
void FillAll(theaderfield& r) {
#include "engine/messaging/fields/HeaderField.inc"
}
void FillAll(tstoreinfo& r) {
#include "engine/messaging/fields/StoreInfo.inc"
}
void FillAll(tjournalinfo& r) {
#include "engine/messaging/fields/JournalInfo.inc"
}
void FillAll(tappointmentinfo& r) {
#include "engine/messaging/fields/AppointmentInfo.inc"
}
void FillAll(ttaskinfo& r) {
#include "engine/messaging/fields/TaskInfo.inc"
}
void FillAll(tnoteinfo& r) {
#include "engine/messaging/fields/NoteInfo.inc"
}
void FillAll(tcompanies& r) {
#include "engine/messaging/fields/Companies.inc"
}
void FillAll(trssinfo& r) {
#include "engine/messaging/fields/RssInfo.inc"
}
void FillAll(tspecialfolders& r) {
#include "engine/messaging/fields/SpecialFolders.inc"
}
void FillAll(tpstmessage& r) {
#include "engine/messaging/fields/Message.inc"
}
// clang-format on
#include "engine/messaging/fields/UndefFieldMacros.inc"

// Every field of every record set, each record reached once.
tpstmessage FilledMessage() {
    tpstmessage m;
    FillAll(m);
    FillAll(*m.MailInfo);
    FillAll(*m.MailInfo->Subject);
    FillAll(*m.FolderCounts);
    FillAll(*m.Contact);
    FillAll(*m.Attachments);
    FillAll(*m.StoreInfo);
    FillAll(*m.Headers);
    FillAll(*m.Journal);
    FillAll(*m.Appointment);
    FillAll(*m.Task);
    FillAll(*m.StickyNote);
    FillAll(*m.Companies);
    FillAll(*m.Rss);
    FillAll(*m.SpecialFolders);
    return m;
}

// Where the dump of FilledMessage shows the fields of each record.
const std::map<std::string, std::string> kPathOfRecord = {
    {"tpstmessage", ""},
    {"tmailinfo", "MailInfo."},
    {"tsubject", "MailInfo.Subject."},
    {"tfolderinfo", "FolderCounts."},
    {"tcontactinfo", "Contact."},
    {"tattachment", "Attachments[0]."},
    {"theaderfield", "Headers[0]."},
    {"tstoreinfo", "StoreInfo."},
    {"tjournalinfo", "Journal."},
    {"tappointmentinfo", "Appointment."},
    {"ttaskinfo", "Task."},
    {"tnoteinfo", "StickyNote."},
    {"tcompanies", "Companies."},
    {"trssinfo", "Rss."},
    {"tspecialfolders", "SpecialFolders."},
};

TEST(ShowFields, DumpNamesEveryListedFieldInOrder) {
    std::vector<std::string> listed;
    for (const tlisted& f : ListedFields())
        listed.push_back(f.name);
    ASSERT_GT(listed.size(), 250u);
    std::vector<std::string> dumped = DumpedMemberNames();

    std::set<std::string> listedSet(listed.begin(), listed.end());
    std::set<std::string> dumpedSet(dumped.begin(), dumped.end());
    for (const std::string& name : listed)
        EXPECT_TRUE(dumpedSet.count(name)) << "not shown by the dump: " << name;
    for (const std::string& name : dumped)
        EXPECT_TRUE(listedSet.count(name)) << "dumped but not listed: " << name;
    EXPECT_EQ(dumped.size(), dumpedSet.size()) << "a member is dumped twice";

    // Per record, the dump keeps the list's order.
    auto byRecord = [](const std::vector<std::string>& names) {
        std::map<std::string, std::vector<std::string>> out;
        for (const std::string& n : names)
            out[n.substr(0, n.find('.'))].push_back(n);
        return out;
    };
    EXPECT_EQ(byRecord(dumped), byRecord(listed));
}

TEST(ShowFields, EveryListedFieldIsPrinted) {
    std::set<std::string> printed;
    for (const tdumpline& line : DumpMessage(FilledMessage()))
        printed.insert(line.Field);
    for (const tlisted& f : ListedFields()) {
        std::string record = f.name.substr(0, f.name.find('.'));
        ASSERT_TRUE(kPathOfRecord.count(record)) << record;
        std::string path = kPathOfRecord.at(record) + f.name.substr(f.name.find('.') + 1);
        if (f.show == "Link") continue; // the chain is walked by its head
        if (f.show == "Subnodes") path += "[0].Nid";
        EXPECT_TRUE(printed.count(path)) << "not printed: " << path << " (" << f.name << ")";
    }
}

std::map<std::string, std::string> AsMap(const std::vector<tdumpline>& lines) {
    std::map<std::string, std::string> out;
    for (const tdumpline& l : lines)
        out[l.Field] = l.Value;
    return out;
}

TEST(ShowFields, EmptyObjectShowsKindAndMessageClassOnly) {
    std::vector<tdumpline> lines = DumpMessage(tpstmessage{});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].Field, "Kind");
    EXPECT_EQ(lines[0].Value, "0");
    EXPECT_EQ(lines[1].Field, "MessageClass");
    EXPECT_EQ(lines[1].Value, "");
}

TEST(ShowFields, ValuesAreWrittenByTheirStorage) {
    tpstmessage m;
    m.Kind = kKindMail;
    m.MessageClass = "IPM.Note";
    m.MailInfo = std::make_unique<tmailinfo>();
    m.MailInfo->Subject = std::make_unique<tsubject>();
    m.MailInfo->Subject->PrefixMarker = 1;
    m.MailInfo->Subject->Text = std::string("RE:\tHello\r\nWorld");
    m.MailInfo->DeliveryTime = FileTimeBytes(129100251090000000); // 2010-02-07 14:05:09 UTC
    m.MailInfo->RtfCompressed = {0xAB, 0x01, 0x00, 0xFF};
    m.MailInfo->Importance = 0;                       // zero numbers are left out
    m.MailInfo->DeleteAfterSubmit = kTriFalse;        // 32-bit tri-state false
    m.MailInfo->DisplayTo = std::string();            // set, though empty
    m.MailInfo->SenderSearchKey = std::string();      // binary and empty: left out
    m.DisplayName = std::string("Ann\0Bob", 7);       // shown up to its zero byte
    m.RecordKey = std::string("\x00\x01\xFE", 3);     // a binary value, zero byte included
    m.FolderCounts = std::make_unique<tfolderinfo>(); // present with all fields zero
    m.Task = std::make_unique<ttaskinfo>();
    m.Task->PercentComplete = 0.25;

    std::map<std::string, std::string> f = AsMap(DumpMessage(m));
    EXPECT_EQ(f["MailInfo"], "present");
    EXPECT_EQ(f["MailInfo.Subject"], "present");
    EXPECT_EQ(f["MailInfo.Subject.PrefixMarker"], "1");
    EXPECT_EQ(f.count("MailInfo.Subject.PrefixLength"), 0u);
    EXPECT_EQ(f["MailInfo.Subject.Text"], "RE:\\tHello\\r\\nWorld");
    EXPECT_EQ(f["MailInfo.DeliveryTime"], "2010-02-07T14:05:09Z");
    EXPECT_EQ(f["MailInfo.RtfCompressed"], "ab0100ff");
    EXPECT_EQ(f.count("MailInfo.Importance"), 0u);
    EXPECT_EQ(f["MailInfo.DeleteAfterSubmit"], "-1");
    ASSERT_EQ(f.count("MailInfo.DisplayTo"), 1u);
    EXPECT_EQ(f["MailInfo.DisplayTo"], "");
    EXPECT_EQ(f.count("MailInfo.SenderSearchKey"), 0u);
    EXPECT_EQ(f["DisplayName"], "Ann");
    EXPECT_EQ(f["RecordKey"], "0001fe");
    EXPECT_EQ(f["FolderCounts"], "present");
    EXPECT_EQ(f.count("FolderCounts.ContentCount"), 0u);
    EXPECT_EQ(f["Task.PercentComplete"], "0.25");
    EXPECT_EQ(f["Kind"], "1");
    EXPECT_EQ(f["MessageClass"], "IPM.Note");
    EXPECT_EQ(f.count("Contact"), 0u);
}

TEST(ShowFields, ChainsAreIndexedInListOrder) {
    tpstmessage m;
    m.Attachments = std::make_unique<tattachment>();
    m.Attachments->FileName = std::string("a.txt");
    m.Attachments->Hidden = kTriFalse16; // 16-bit tri-state false
    m.Attachments->NodeId = 0x8245;
    m.Attachments->Subnodes = std::make_unique<tsubnodeentry>();
    m.Attachments->Subnodes->nid = 0x855F;
    m.Attachments->Subnodes->pChildren = std::make_unique<tsubnodeentry>();
    m.Attachments->Subnodes->pChildren->nid = 0x1;
    m.Attachments->Next = std::make_unique<tattachment>();
    m.Attachments->Next->DataSize = 29;
    m.Attachments->Next->Next = std::make_unique<tattachment>(); // a recipient: nothing set
    m.Headers = std::make_unique<theaderfield>();
    m.Headers->Name = "content-type";
    m.Headers->Value = std::string("text/plain");

    std::map<std::string, std::string> f = AsMap(DumpMessage(m));
    EXPECT_EQ(f["Attachments"], "3");
    EXPECT_EQ(f["Attachments[0].FileName"], "a.txt");
    EXPECT_EQ(f["Attachments[0].Hidden"], "-1");
    EXPECT_EQ(f["Attachments[0].NodeId"], "0x8245");
    EXPECT_EQ(f["Attachments[0].Subnodes[0].Nid"], "0x855f");
    EXPECT_EQ(f["Attachments[0].Subnodes[0].Children[0].Nid"], "0x1");
    EXPECT_EQ(f["Attachments[1].DataSize"], "29");
    EXPECT_EQ(f.count("Attachments[2].DataSize"), 0u);
    EXPECT_EQ(f["Headers"], "1");
    EXPECT_EQ(f["Headers[0].Name"], "content-type");
    EXPECT_EQ(f["Headers[0].Value"], "text/plain");
}

TEST(ShowFields, FileTimesAcrossTheirRange) {
    EXPECT_EQ(FormatFileTimeUtc(FileTimeBytes(0)), "1601-01-01T00:00:00Z");
    // Sub-second ticks are dropped, not rounded up into the next day.
    EXPECT_EQ(FormatFileTimeUtc(FileTimeBytes(125963423999999999)), "2000-02-29T23:59:59Z");
    EXPECT_EQ(FormatFileTimeUtc(FileTimeBytes(0x7FFFFFFFFFFFFFFFull)), "30828-09-14T02:48:05Z");
    EXPECT_EQ(FormatFileTimeUtc(FileTimeBytes(~0ull)), "60056-05-28T05:36:10Z"); // five-digit year
    // A value that is not 8 bytes is not a FILETIME: its bytes are shown.
    EXPECT_EQ(FormatFileTimeUtc({0x01, 0x02, 0x03}), "010203");
}

TEST(ShowFields, EscapesOnlyTabsAndLineBreaks) {
    EXPECT_EQ(EscapeText("a\tb\nc\rd"), "a\\tb\\nc\\rd");
    EXPECT_EQ(EscapeText("C:\\dir \"q\" \x01"), "C:\\dir \"q\" \x01");
    EXPECT_EQ(HexBytes("\x00\x9f\xff", 3), "009fff");
}

// ---- `ostrel show` on real files ----

std::multimap<std::string, std::string> Show(const std::string& file, const std::string& nid) {
    clirun::tresult r = clirun::Ostrel({"show", file, nid});
    EXPECT_EQ(r.Status, 0) << r.Err;
    std::multimap<std::string, std::string> fields;
    const std::regex name("[A-Za-z0-9]+(\\[[0-9]+\\])?(\\.[A-Za-z0-9]+(\\[[0-9]+\\])?)*");
    for (const std::string& line : clirun::Lines(r.Out)) {
        size_t tab = line.find('\t');
        EXPECT_NE(tab, std::string::npos) << line;
        EXPECT_EQ(line.find('\r'), std::string::npos) << "unescaped line break: " << line;
        std::string field = line.substr(0, tab);
        EXPECT_TRUE(std::regex_match(field, name)) << "odd field name: " << field;
        fields.insert({field, tab == std::string::npos ? "" : line.substr(tab + 1)});
    }
    return fields;
}

std::string One(const std::multimap<std::string, std::string>& f, const std::string& field) {
    EXPECT_EQ(f.count(field), 1u) << field;
    auto it = f.find(field);
    return it == f.end() ? std::string() : it->second;
}

struct tattachfacts {
    std::string FileName, LongFileName;
    int DataSize;
    bool operator<(const tattachfacts& o) const { return FileName < o.FileName; }
    bool operator==(const tattachfacts& o) const {
        return FileName == o.FileName && LongFileName == o.LongFileName && DataSize == o.DataSize;
    }
};

// The attachment elements (those with a file name), in any order: pypff
// lists them in table order, the object from the last row to the first.
std::set<tattachfacts> Attachments(const std::multimap<std::string, std::string>& f) {
    std::set<tattachfacts> out;
    for (int i = 0; f.count("Attachments[" + std::to_string(i) + "].FileName"); ++i) {
        std::string at = "Attachments[" + std::to_string(i) + "].";
        out.insert({One(f, at + "FileName"), One(f, at + "LongFileName"),
                    std::stoi(One(f, at + "DataSize"))});
        EXPECT_EQ(One(f, at + "Data").size(), 2 * size_t(std::stoi(One(f, at + "DataSize"))));
    }
    return out;
}

const char* const kOutlook1 = "aspose-email_Aspose.Email-for-.NET__Outlook_1.pst";

TEST(ShowSamples, MessageWithThreeAttachments) {
    SKIP_WITHOUT_SAMPLE(kOutlook1);
    auto f = Show(clirun::SamplePath(kOutlook1), "0x200144");
    EXPECT_EQ(One(f, "MailInfo.Subject.Text"), "Multiple attachments");
    EXPECT_EQ(One(f, "MessageClass"), "IPM.Note");
    EXPECT_EQ(One(f, "Kind"), "1");
    EXPECT_EQ(One(f, "MailInfo.ClientSubmitTime"), "2011-06-21T23:51:07Z");
    EXPECT_EQ(Attachments(f), (std::set<tattachfacts>{{"textfile.txt", "text file.txt", 29},
                                                      {"Sunset.jpg", "Sunset.jpg", 71189},
                                                      {"BLUEHI~1.JPG", "Blue hills.jpg", 28521}}));
    // The text attachment's bytes, as pypff's read_buffer gives them.
    std::string text = "hello\r\n\r\nthis is a text file.";
    for (int i = 0; i < 3; ++i) {
        std::string at = "Attachments[" + std::to_string(i) + "].";
        if (One(f, at + "FileName") == "textfile.txt") {
            EXPECT_EQ(One(f, at + "Data"), HexBytes(text.data(), text.size()));
        }
    }
}

TEST(ShowSamples, FolderAndStoreObjects) {
    SKIP_WITHOUT_SAMPLE(kOutlook1);
    std::string file = clirun::SamplePath(kOutlook1);
    auto inbox = Show(file, "8082"); // also without "0x"
    EXPECT_EQ(One(inbox, "DisplayName"), "Inbox");
    EXPECT_EQ(One(inbox, "FolderCounts"), "present");
    EXPECT_EQ(One(inbox, "FolderCounts.ContentCount"), "8");
    EXPECT_EQ(One(inbox, "MessageClass"), ""); // no container class: always shown, empty
    EXPECT_EQ(One(inbox, "Kind"), "0");

    auto store = Show(file, "0x21");
    std::string subtree = One(store, "StoreInfo.IpmSubtreeEntryId");
    ASSERT_EQ(subtree.size(), 48u);
    EXPECT_EQ(subtree.substr(40), "22800000"); // NID 0x8022 at byte 20: Top of Personal Folders
    EXPECT_EQ(One(store, "DisplayName"), "Outlook");
}

TEST(ShowSamples, UnicodeAttachmentFileNames) {
    const char* sample = "HiraokaHyperTools_ruby-msg__unicodeAttachmentFilename.pst";
    SKIP_WITHOUT_SAMPLE(sample);
    auto f = Show(clirun::SamplePath(sample), "0x200024");
    EXPECT_EQ(One(f, "MailInfo.Subject.Text"), "Using Japanese in attachment filename");
    EXPECT_EQ(One(f, "MessageClass"), "IPM.Note");
    EXPECT_EQ(Attachments(f), (std::set<tattachfacts>{
                                  {"エラー~1.PNG", "エラー Error を 意味する記号.png", 1692},
                                  {"疑問HE~1.PNG", "疑問 Help を 意味する記号.png", 1684},
                                  {"情報IN~1.PNG", "情報 Information を 意味する記号.png", 1562}}));
}

TEST(ShowSamples, AnsiMessageAndAppointment) {
    const char* sample2 = "emk_pstsdk__sample2.pst";
    const char* ansi32 = "mooijtech_go-pst__32-bit.pst";
    SKIP_WITHOUT_SAMPLE(sample2);
    SKIP_WITHOUT_SAMPLE(ansi32);
    auto m = Show(clirun::SamplePath(sample2), "0x200024");
    EXPECT_EQ(One(m, "MailInfo.Subject.Text"), "Here is a sample message");
    EXPECT_EQ(Attachments(m),
              (std::set<tattachfacts>{{"leah_t~1.jpg", "leah_thumper.jpg", 93142}}));

    auto a = Show(clirun::SamplePath(ansi32), "0X200024");
    EXPECT_EQ(One(a, "MailInfo.Subject.Text"), "Updated: Olympus training for new hires");
    EXPECT_EQ(One(a, "MessageClass"), "IPM.Appointment");
    EXPECT_EQ(One(a, "Kind"), "8");
    // pypff: submitted 14:00:46.596, created 14:40:49.760, modified 19:42:33.271.
    EXPECT_EQ(One(a, "MailInfo.ClientSubmitTime"), "2004-08-17T14:00:46Z");
    EXPECT_EQ(One(a, "CreationTime"), "2004-08-17T14:40:49Z");
    EXPECT_EQ(One(a, "LastModificationTime"), "2004-08-24T19:42:33Z");
}

TEST(ShowSamples, BodiesStayOnOneLine) {
    SKIP_WITHOUT_SAMPLE(kOutlook1);
    auto f = Show(clirun::SamplePath(kOutlook1), "0x200164"); // "HTML body"
    EXPECT_EQ(One(f, "MailInfo.Subject.Text"), "HTML body");
    std::string html = One(f, "MailInfo.BodyHtml");
    EXPECT_NE(html.find("\\r\\n"), std::string::npos);
    EXPECT_NE(html.find("<html"), std::string::npos);
}

TEST(ShowSamples, UnknownNodeExit1) {
    SKIP_WITHOUT_SAMPLE(kOutlook1);
    std::string file = clirun::SamplePath(kOutlook1);
    clirun::tresult r = clirun::Ostrel({"show", file, "0x7fffffe4"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_TRUE(r.Out.empty());
    EXPECT_NE(r.Err.find("no node 0x7fffffe4"), std::string::npos) << r.Err;
}

} // namespace

// The field dump behind `ostrel show`: that it names every member of every
// record of the message object (held against the declarations themselves),
// how it writes texts, bytes, times and tri-states, and what it prints for
// real sample nodes, checked against python3-pypff's reading of them.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>

#include "mailbox/MessageDump.h"
#include "tests/mailbox/CliRun.h"

namespace {

// "record.member" for every data member of every struct of the header, read
// from the source text: one declaration a line, as the header is written.
std::vector<std::string> DeclaredMembers(const std::string& header) {
    std::ifstream in(header);
    const std::regex opens("^struct (\\w+) \\{");
    const std::regex member("^\\s+[A-Za-z_][\\w:<>, ]*[\\s>*&]+(\\w+)\\s*(=[^;]*)?;");
    std::vector<std::string> names;
    std::string record;
    for (std::string line; std::getline(in, line);) {
        line = line.substr(0, line.find("//"));
        std::smatch m;
        if (std::regex_search(line, m, opens))
            record = m[1];
        else if (line.rfind("};", 0) == 0)
            record.clear();
        else if (!record.empty() && line.find('(') == std::string::npos &&
                 std::regex_search(line, m, member))
            names.push_back(record + "." + std::string(m[1]));
    }
    return names;
}

TEST(ShowFields, DumpNamesEveryDeclaredMemberInOrder) {
    std::string header = std::string(OSTREL_SOURCE_DIR) + "/engine/messaging/MessageObject.h";
    std::vector<std::string> declared = DeclaredMembers(header);
    ASSERT_GT(declared.size(), 250u) << "could not read the declarations from " << header;
    std::vector<std::string> dumped = DumpedMemberNames();

    std::set<std::string> declaredSet(declared.begin(), declared.end());
    std::set<std::string> dumpedSet(dumped.begin(), dumped.end());
    for (const std::string& name : declared)
        EXPECT_TRUE(dumpedSet.count(name)) << "not shown by the dump: " << name;
    for (const std::string& name : dumped)
        EXPECT_TRUE(declaredSet.count(name)) << "dumped but not declared: " << name;
    EXPECT_EQ(dumped.size(), dumpedSet.size()) << "a member is dumped twice";

    // Per record, the dump keeps the declaration order.
    auto byRecord = [](const std::vector<std::string>& names) {
        std::map<std::string, std::vector<std::string>> out;
        for (const std::string& n : names)
            out[n.substr(0, n.find('.'))].push_back(n);
        return out;
    };
    EXPECT_EQ(byRecord(dumped), byRecord(declared));
}

std::map<std::string, std::string> AsMap(const std::vector<tdumpline>& lines) {
    std::map<std::string, std::string> out;
    for (const tdumpline& l : lines)
        out[l.Field] = l.Value;
    return out;
}

tbytes FileTime(uint64_t ticks) {
    tbytes b(8);
    for (size_t i = 0; i < 8; ++i)
        b[i] = uint8_t(ticks >> (8 * i));
    return b;
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
    m.MailInfo->DeliveryTime = FileTime(129100251090000000); // 2010-02-07 14:05:09 UTC
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
    EXPECT_EQ(FormatFileTimeUtc(FileTime(0)), "1601-01-01T00:00:00Z");
    // Sub-second ticks are dropped, not rounded up into the next day.
    EXPECT_EQ(FormatFileTimeUtc(FileTime(125963423999999999)), "2000-02-29T23:59:59Z");
    EXPECT_EQ(FormatFileTimeUtc(FileTime(0x7FFFFFFFFFFFFFFFull)), "30828-09-14T02:48:05Z");
    EXPECT_EQ(FormatFileTimeUtc(FileTime(~0ull)), "60056-05-28T05:36:10Z"); // five-digit year
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

// The sample mailbox of `make run` as outside readers see it: readpst (libpst), pffexport and
// pypff (libpff) must read the written file and find its folders with the items, attachments
// and attached messages the sample puts in. A reader that is not installed skips its test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "tools/samplemailbox/SampleMailbox.h"

namespace {

namespace fs = std::filesystem;
using pstw::ItemKind;

struct FolderFacts {
    size_t items = 0, attachments = 0, embedded = 0;
    size_t readpstItems = 0;                // readpst leaves tasks and sticky notes out
    size_t rtfOnly = 0, pffAttachments = 0; // see expectOnlyRtfComplaints
};
using Facts = std::map<std::string, FolderFacts>;

Facts expectedFacts(const pstw::Mailbox& m) {
    Facts facts;
    for (const pstw::Folder& f : m.ipmSubtree.folders) {
        FolderFacts& ff = facts[f.name];
        for (const pstw::Item& i : f.items) {
            ++ff.items;
            if (i.kind != ItemKind::Task && i.kind != ItemKind::StickyNote) ++ff.readpstItems;
            ff.attachments += i.attachments.size();
            const bool rtfOnly = i.rtfCompressed && !i.body && !i.html;
            ff.rtfOnly += rtfOnly ? 1 : 0;
            ff.pffAttachments += rtfOnly ? 0 : i.attachments.size();
            for (const pstw::Attachment& a : i.attachments)
                ff.embedded += a.embedded ? 1 : 0;
        }
    }
    return facts;
}

bool haveTool(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

size_t countDirs(const fs::path& dir, const std::regex& name) {
    size_t n = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(dir))
        n += e.is_directory() && std::regex_match(e.path().filename().string(), name) ? 1 : 0;
    return n;
}

class SampleReaders : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("ostrel_sample_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        file_ = dir_ / "sample.pst";
        samplemailbox::write(file_.string());
        expected_ = expectedFacts(samplemailbox::mailbox());
    }
    void TearDown() override { fs::remove_all(dir_); }

    int run(const std::string& command) {
        return std::system((command + " >'" + log().string() + "' 2>&1").c_str());
    }
    fs::path log() const { return dir_ / "log.txt"; }

    fs::path dir_, file_;
    Facts expected_;
};

TEST_F(SampleReaders, TheSampleLooksLikeAMailbox) {
    const pstw::Mailbox m = samplemailbox::mailbox();
    EXPECT_EQ(m.storeName, "Personal Folders");
    for (const char* name : {"Inbox", "Sent Items", "Drafts", "Deleted Items", "Calendar",
                             "Contacts", "Tasks", "Notes", "Journal"})
        EXPECT_TRUE(expected_.count(name)) << name;
    EXPECT_EQ(expected_.size(), 9u);
    EXPECT_GE(expected_["Inbox"].items, 24u);
    EXPECT_EQ(expected_["Contacts"].items, 12u);
    EXPECT_EQ(expected_["Inbox"].embedded, 1u);
}

TEST_F(SampleReaders, ReadpstExportsEveryFolderAndTheAttachedMessage) {
    if (!haveTool("readpst")) GTEST_SKIP() << "readpst is not installed (apt install pst-utils)";
    const fs::path out = dir_ / "readpst";
    fs::create_directories(out);
    // One job (-j 0): readpst's parent can exit before its parallel jobs finish writing.
    ASSERT_EQ(run("readpst -e -D -j 0 -o '" + out.string() + "' '" + file_.string() + "'"), 0)
        << slurp(log());
    const fs::path top = out / "Personal Folders";
    for (const auto& [name, facts] : expected_) {
        ASSERT_TRUE(fs::is_directory(top / name)) << name << "\n" << slurp(log());
        size_t files = 0, attachedMessages = 0;
        for (const fs::directory_entry& e : fs::directory_iterator(top / name)) {
            ++files;
            attachedMessages += slurp(e.path()).find("message/rfc822") != std::string::npos;
        }
        EXPECT_EQ(files, facts.readpstItems) << name;
        EXPECT_EQ(attachedMessages, facts.embedded) << name;
    }
}

// libpff rejects the uncompressed ("MELA") RTF bodies: it checks their CRC, which
// [MS-OXRTFCP] 2.1.3.1 sets to 0 for that form. pffexport then gives up on the message
// body and leaves that item's attachments out. Those bodies are its only complaints.
void expectOnlyRtfComplaints(const std::string& log, size_t rtfOnly) {
    std::istringstream lines(log);
    size_t rejected = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("unable") == std::string::npos) continue;
        EXPECT_NE(line.find("body"), std::string::npos) << line;
        rejected += line.find("get_rtf_body: unable to decompress") != std::string::npos;
    }
    EXPECT_EQ(rejected, rtfOnly);
}

TEST_F(SampleReaders, PffexportExportsEveryItemAndTheAttachedMessage) {
    if (!haveTool("pffexport"))
        GTEST_SKIP() << "pffexport is not installed (apt install pff-tools)";
    const fs::path target = dir_ / "pff";
    ASSERT_EQ(run("pffexport -m all -t '" + target.string() + "' '" + file_.string() + "'"), 0)
        << slurp(log());
    size_t rtfOnly = 0;
    for (const auto& entry : expected_)
        rtfOnly += entry.second.rtfOnly;
    expectOnlyRtfComplaints(slurp(log()), rtfOnly);
    const fs::path top = fs::path(target.string() + ".export") / "Top of Personal Folders";
    EXPECT_FALSE(fs::exists(target.string() + ".orphans"));
    const std::regex itemDir(R"([A-Za-z]+\d{5})");
    for (const auto& [name, facts] : expected_) {
        ASSERT_TRUE(fs::is_directory(top / name)) << name;
        EXPECT_EQ(countDirs(top / name, itemDir), facts.items) << name;
        size_t attachments = 0, attachedMessages = 0;
        for (const fs::directory_entry& item : fs::directory_iterator(top / name)) {
            if (!fs::is_directory(item.path() / "Attachments")) continue;
            for (const fs::directory_entry& a :
                 fs::directory_iterator(item.path() / "Attachments")) {
                ++attachments; // a file, or a folder holding the attached message
                if (a.is_directory())
                    attachedMessages += countDirs(a.path(), std::regex(R"(Message\d{5})"));
            }
        }
        EXPECT_EQ(attachments, facts.pffAttachments) << name;
        EXPECT_EQ(attachedMessages, facts.embedded) << name;
    }
}

const char* kPypffScript = R"PY(
import sys, pypff
f = pypff.file()
f.open(sys.argv[1])
for top in f.root_folder.sub_folders:
    for folder in top.sub_folders:
        attachments = sum(m.number_of_attachments for m in folder.sub_messages)
        print("%s\t%d\t%d" % (folder.name, folder.number_of_sub_messages, attachments))
)PY";

TEST_F(SampleReaders, PypffCountsEveryFolderItemAndAttachment) {
    if (std::system("/usr/bin/python3 -c 'import pypff' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3-pypff is not installed (apt install python3-pypff)";
    std::ofstream(dir_ / "read.py") << kPypffScript;
    ASSERT_EQ(
        run("/usr/bin/python3 '" + (dir_ / "read.py").string() + "' '" + file_.string() + "'"), 0)
        << slurp(log());
    Facts seen;
    std::istringstream lines(slurp(log()));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string name, items, attachments;
        std::getline(fields, name, '\t');
        std::getline(fields, items, '\t');
        std::getline(fields, attachments, '\t');
        seen[name].items = std::stoul(items);
        seen[name].attachments = std::stoul(attachments);
    }
    ASSERT_EQ(seen.size(), expected_.size()) << slurp(log());
    for (const auto& [name, facts] : expected_) {
        EXPECT_EQ(seen[name].items, facts.items) << name;
        EXPECT_EQ(seen[name].attachments, facts.attachments) << name;
    }
}

} // namespace

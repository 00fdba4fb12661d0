// Saving attachments under names the mailbox chose: hostile and broken names
// become one harmless file name, numbered names never replace a file, and
// nothing is written outside the chosen folder, not even through a link.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "display/FolderWriter.h"
#include "display/SafeFileName.h"

namespace {

using namespace ostrel::names;
namespace fs = std::filesystem;

TEST(SafeFileName, HostileNamesBecomeOneVisibleFileName) {
    const std::pair<std::string, std::string> cases[] = {
        {"../../etc/passwd", "_._etc_passwd"},
        {"a/b", "a_b"},
        {"a\\b.txt", "a_b.txt"},
        {"\x01x", "_x"},
        {".bashrc", "bashrc"},
        {"..", "attachment"},
        {"", "attachment"},
        {"  . ", "attachment"},
        {"report..pdf", "report.pdf"},
        {"trailing. . ", "trailing"},
        {"bad\xff\xfe utf8", "bad__ utf8"},
        {"\xc0\xaf overlong slash", "__ overlong slash"},
        {"\xed\xa0\x80 surrogate", "___ surrogate"},
        {"cut\xe2\x82", "cut__"},
        {"invoice\xe2\x80\xaeTxt.exe", "invoice_Txt.exe"}, // right-to-left override
        {"tab\tand\x7f"
         "del\xc2\x85",
         "tab_and_del_"},
        {"résumé 你好.png", "résumé 你好.png"},
    };
    for (const auto& [name, safe] : cases)
        EXPECT_EQ(SafeFileName(name), safe) << name;
}

TEST(SafeFileName, LongNamesAreCutAtACharacterAndKeepTheirExtension) {
    std::string ascii = SafeFileName(std::string(300, 'a') + ".pdf");
    EXPECT_EQ(ascii.size(), kMaxSafeNameBytes);
    EXPECT_EQ(ascii.substr(ascii.size() - 4), ".pdf");
    std::string wide;
    for (int i = 0; i < 300; ++i)
        wide += "\xe4\xbd\xa0"; // 你, three bytes
    std::string cut = SafeFileName(wide + ".txt");
    EXPECT_LE(cut.size(), kMaxSafeNameBytes);
    EXPECT_EQ(cut.substr(cut.size() - 4), ".txt");
    EXPECT_EQ((cut.size() - 4) % 3, 0u) << "no character is split";
    // A long tail after the last dot is no extension: the cut keeps the start.
    std::string tail = SafeFileName("x." + std::string(300, 'b'));
    EXPECT_EQ(tail.size(), kMaxSafeNameBytes);
    EXPECT_EQ(tail.substr(0, 3), "x.b");
}

TEST(SafeFileName, NumberedNamesGoBeforeTheExtensionAndStayWithinTheLimit) {
    EXPECT_EQ(NumberedFileName("name.ext", 2), "name (2).ext");
    EXPECT_EQ(NumberedFileName("noext", 3), "noext (3)");
    EXPECT_EQ(NumberedFileName("archive.tar.gz", 2), "archive.tar (2).gz");
    std::string longest = SafeFileName(std::string(300, 'a') + ".pdf");
    std::string numbered = NumberedFileName(longest, 9999);
    EXPECT_EQ(numbered.size(), kMaxSafeNameBytes);
    EXPECT_EQ(numbered.substr(numbered.size() - 11), " (9999).pdf");
}

class FolderWriter : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("ostrel-saved-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "chosen");
        fs::create_directories(root_ / "outside");
    }
    void TearDown() override { fs::remove_all(root_); }
    std::string Chosen() const { return (root_ / "chosen").string(); }
    static std::string Read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::string> Entries(const fs::path& dir) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path root_;
};

TEST_F(FolderWriter, ExistingFilesGetNumberedNamesAndKeepTheirBytes) {
    std::ofstream(root_ / "chosen" / "a.txt") << "old";
    EXPECT_EQ(FreeFileName(Chosen(), "a.txt"), "a (2).txt");
    tsavedfile first = WriteNewFileInFolder(Chosen(), "a.txt", "new");
    tsavedfile second = WriteNewFileInFolder(Chosen(), "a.txt", std::string("\0bin", 4));
    ASSERT_TRUE(first.Ok) << first.Error;
    ASSERT_TRUE(second.Ok) << second.Error;
    EXPECT_EQ(first.Path, Chosen() + "/a (2).txt");
    EXPECT_EQ(second.Path, Chosen() + "/a (3).txt");
    EXPECT_EQ(Read(root_ / "chosen" / "a.txt"), "old");
    EXPECT_EQ(Read(first.Path), "new");
    EXPECT_EQ(Read(second.Path), std::string("\0bin", 4));
    EXPECT_EQ(FreeFileName(Chosen(), "fresh.txt"), "fresh.txt");
}

TEST_F(FolderWriter, HostileNamesLandInTheFolderItself) {
    for (const char* name :
         {"../../outside/evil", "../outside/evil", "/tmp/evil", ".profile", "a/../../b", ""}) {
        tsavedfile saved = WriteNewFileInFolder(Chosen(), name, "x");
        ASSERT_TRUE(saved.Ok) << name << ": " << saved.Error;
        EXPECT_EQ(fs::path(saved.Path).parent_path(), fs::path(Chosen())) << name;
    }
    EXPECT_TRUE(Entries(root_ / "outside").empty());
    EXPECT_EQ(Entries(root_ / "chosen"),
              (std::vector<std::string>{"_._outside_evil", "_outside_evil", "_tmp_evil", "a_._._b",
                                        "attachment", "profile"}));
}

TEST_F(FolderWriter, ALinkInTheFolderIsNeverFollowed) {
    fs::path target = root_ / "outside" / "victim.txt";
    std::ofstream(target) << "keep";
    fs::create_symlink(target, root_ / "chosen" / "victim.txt");
    fs::create_symlink(root_ / "outside" / "dangling.txt", root_ / "chosen" / "dangling.txt");
    EXPECT_EQ(FreeFileName(Chosen(), "dangling.txt"), "dangling (2).txt");
    tsavedfile a = WriteNewFileInFolder(Chosen(), "victim.txt", "evil");
    tsavedfile b = WriteNewFileInFolder(Chosen(), "dangling.txt", "evil");
    ASSERT_TRUE(a.Ok && b.Ok);
    EXPECT_EQ(a.Path, Chosen() + "/victim (2).txt");
    EXPECT_EQ(b.Path, Chosen() + "/dangling (2).txt");
    EXPECT_EQ(Read(target), "keep");
    EXPECT_FALSE(fs::exists(root_ / "outside" / "dangling.txt"));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(a.Path)));
}

TEST_F(FolderWriter, TheModeIsKeptAndAMissingFolderIsAnError) {
    tsavedfile saved = WriteNewFileInFolder(Chosen(), "ro.bin", "data", 0400);
    ASSERT_TRUE(saved.Ok);
    struct stat st {};
    ASSERT_EQ(::stat(saved.Path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0400u);
    tsavedfile missing = WriteNewFileInFolder((root_ / "nope").string(), "x", "y");
    EXPECT_FALSE(missing.Ok);
    EXPECT_NE(missing.Error.find("nope"), std::string::npos);
}

} // namespace

// The export's writing thread: every queued file arrives whole whatever the
// bound on waiting bytes, failures come back with their message's NID in the
// order queued, a queue ended without Finish still writes what it holds, and
// a few files are written without more to come.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "export/WriteQueue.h"
#include "tests/export/EmlTestSupport.h"

namespace {

namespace fs = std::filesystem;
using emltest::TempDir;

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string TextOf(int i) {
    return std::string(size_t(i % 17) * 100 + 1, char('a' + i % 26));
}

TEST(WriteQueue, EveryFileArrivesWholeWhateverTheBound) {
    for (size_t bound : {size_t(1), size_t(1000), size_t(1) << 20}) {
        TempDir dir;
        {
            twritequeue queue(bound);
            for (int i = 0; i < 300; ++i)
                queue.Write(dir.Path() + "/m" + std::to_string(i) + ".eml", TextOf(i), uint64_t(i));
            queue.Finish();
            EXPECT_TRUE(queue.TakeFailures().empty());
            for (int i = 0; i < 300; ++i)
                ASSERT_EQ(Read(dir.Path() + "/m" + std::to_string(i) + ".eml"), TextOf(i))
                    << "bound " << bound << ", file " << i;
        }
    }
}

TEST(WriteQueue, FailuresComeBackInOrderAndTheRestIsWritten) {
    TempDir dir;
    twritequeue queue;
    queue.Write(dir.Path() + "/gone/a.eml", "a", 0x200024);
    queue.Write(dir.Path() + "/b.eml", "b", 0x200044);
    fs::create_directory(dir.Path() + "/c.eml"); // a directory where the file should go
    queue.Write(dir.Path() + "/c.eml", "c", 0x200064);
    queue.Finish();
    std::vector<twritequeue::tfailure> failures = queue.TakeFailures();
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].Nid, 0x200024u);
    EXPECT_EQ(failures[0].Error.rfind("cannot write " + dir.Path() + "/gone/a.eml: ", 0), 0u)
        << failures[0].Error;
    EXPECT_EQ(failures[1].Nid, 0x200064u);
    EXPECT_EQ(Read(dir.Path() + "/b.eml"), "b");
    EXPECT_TRUE(queue.TakeFailures().empty()) << "taken once";
}

TEST(WriteQueue, AQueueEndedWithoutFinishWritesWhatItHolds) {
    TempDir dir;
    {
        twritequeue queue(1);
        for (int i = 0; i < 50; ++i)
            queue.Write(dir.Path() + "/m" + std::to_string(i) + ".eml", TextOf(i), uint64_t(i));
    }
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(Read(dir.Path() + "/m" + std::to_string(i) + ".eml"), TextOf(i));
}

// The writing thread is woken for a few files at a time, not for each: a
// queue that never fills that far, and a Finish or an end with no more to
// come, must still get every file written.
TEST(WriteQueue, FewFilesAreWrittenWithoutWaitingForMore) {
    for (int count : {1, 3, 63, 64, 65}) {
        TempDir dir;
        {
            twritequeue queue;
            // Time for the thread to start and wait: the case to check.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            for (int i = 0; i < count; ++i)
                queue.Write(dir.Path() + "/m" + std::to_string(i) + ".eml", TextOf(i), uint64_t(i));
            queue.Finish();
            for (int i = 0; i < count; ++i)
                ASSERT_EQ(Read(dir.Path() + "/m" + std::to_string(i) + ".eml"), TextOf(i))
                    << count << " files, file " << i;
            queue.Write(dir.Path() + "/last.eml", "last", 1);
        }
        EXPECT_EQ(Read(dir.Path() + "/last.eml"), "last") << "written at the end, " << count;
    }
}

} // namespace

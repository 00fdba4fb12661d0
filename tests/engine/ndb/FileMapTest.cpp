// Reads through the mapped view: the same bytes as the file at every size
// and offset, and a file that another program cuts short or lengthens while
// it is open gives short or failed reads, never a crash; reads that jump
// about a large file keep few of its pages in the process.
#include <fcntl.h>
#include <unistd.h>

#include <fstream>

#include "tests/engine/ndb/FileImage.h"

using namespace testimg;

namespace {

constexpr size_t kFileBytes = 256 * 1024;

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t(i * 7 + (i >> 11));
    const uint8_t magic[] = {'!', 'B', 'D', 'N'};
    std::copy(std::begin(magic), std::end(magic), bytes.begin());
    return bytes;
}

std::string SavePattern(const std::vector<uint8_t>& bytes) {
    FileImage img(true, 0);
    img.bytes = bytes;
    return img.save(TestFileName());
}

std::vector<uint8_t> Read(tpstfile& file, int32_t count, int64_t offset, int32_t& got) {
    std::vector<uint8_t> out(size_t(count), 0xEE);
    got = ReadAt(&file, out.data(), count, offset);
    out.resize(got > 0 ? size_t(got) : 0);
    return out;
}

TEST(FileMap, ReadsGiveTheFileBytesAtEverySizeAndOffset) {
    const std::vector<uint8_t> bytes = Pattern(kFileBytes);
    tpstfile file;
    ASSERT_EQ(OpenPstFile(&file, SavePattern(bytes)), 0);
    ASSERT_NE(file.view.base, nullptr);
    struct Case {
        int32_t count;
        int64_t offset;
    };
    // Small reads come from the view, the page scans' large chunks from the
    // file; reads that run past the end are short either way.
    for (Case c :
         {Case{512, 0}, Case{8192, 4096}, Case{65536, 100}, Case{65537, 3}, Case{0x3E000, 512},
          Case{100, int64_t(kFileBytes) - 40}, Case{70000, int64_t(kFileBytes) - 1000},
          Case{10, int64_t(kFileBytes)}, Case{10, int64_t(kFileBytes) + 5}}) {
        int32_t got = 0;
        std::vector<uint8_t> read = Read(file, c.count, c.offset, got);
        const int64_t from = std::min<int64_t>(c.offset, int64_t(kFileBytes));
        const int64_t to = std::min<int64_t>(c.offset + c.count, int64_t(kFileBytes));
        EXPECT_EQ(got, int32_t(to - from)) << c.count << " at " << c.offset;
        EXPECT_TRUE(std::equal(read.begin(), read.end(), bytes.begin() + from))
            << c.count << " at " << c.offset;
        EXPECT_EQ(file.ibNextRead, c.offset + got);
    }
    ClosePstFile(&file);
    EXPECT_EQ(file.view.base, nullptr);
}

TEST(FileMap, AFileCutShortWhileOpenGivesFailedReadsNotACrash) {
    const std::vector<uint8_t> bytes = Pattern(kFileBytes);
    const std::string path = SavePattern(bytes);
    tpstfile file;
    ASSERT_EQ(OpenPstFile(&file, path), 0);
    ASSERT_EQ(::truncate(path.c_str(), 4096), 0);
    int32_t got = 0;
    // The view still spans the old size; the copy faults and fails.
    Read(file, 512, 128 * 1024, got);
    EXPECT_LE(got, 0);
    EXPECT_TRUE(file.view.failed);
    // Reads go to the file from then on: what is left reads, the rest is short.
    std::vector<uint8_t> head = Read(file, 512, 512, got);
    EXPECT_EQ(got, 512);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), bytes.begin() + 512));
    Read(file, 512, 8192, got);
    EXPECT_EQ(got, 0);
    ClosePstFile(&file);
}

TEST(FileMap, AFileLengthenedWhileOpenReadsItsNewBytesFromTheFile) {
    const std::vector<uint8_t> bytes = Pattern(kFileBytes);
    const std::string path = SavePattern(bytes);
    tpstfile file;
    ASSERT_EQ(OpenPstFile(&file, path), 0);
    const std::vector<uint8_t> more(4096, 0x5A);
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, more.data(), more.size()), ssize_t(more.size()));
    ::close(fd);
    int32_t got = 0;
    std::vector<uint8_t> across = Read(file, 1024, int64_t(kFileBytes) - 512, got);
    ASSERT_EQ(got, 1024);
    EXPECT_TRUE(std::equal(across.begin(), across.begin() + 512, bytes.end() - 512));
    EXPECT_EQ(across[512], 0x5A);
    EXPECT_FALSE(file.view.failed);
    ClosePstFile(&file);
}

// The file pages the process has mapped (RssFile in /proc/self/status), in KiB.
int64_t MappedFileKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("RssFile:", 0) == 0) return std::stoll(line.substr(8));
    return -1;
}

TEST(FileMap, ReadsThatJumpAboutALargeFileKeepFewOfItsPagesMapped) {
    // 48 MiB: 24 regions of 2 MiB, three times the regions a thread keeps.
    constexpr size_t kLargeFile = 48u << 20;
    const std::vector<uint8_t> bytes = Pattern(kLargeFile);
    tpstfile file;
    ASSERT_EQ(OpenPstFile(&file, SavePattern(bytes)), 0);
    ASSERT_NE(file.view.base, nullptr);
    const int64_t before = MappedFileKiB();
    // Every 64 KiB of the file twice, in an order that leaves a region for
    // others and comes back to it; odd offsets make some reads straddle
    // two regions.
    constexpr int64_t kChunk = 64 * 1024;
    constexpr int64_t kStride = 3 * (1 << 20) + kChunk;
    const int64_t chunks = int64_t(kLargeFile) / kChunk;
    bool same = true;
    for (int pass = 0; pass < 2; ++pass)
        for (int64_t i = 0; i < chunks; ++i) {
            int64_t offset = (i * kStride) % int64_t(kLargeFile) + (pass ? 7 : 0);
            int32_t got = 0;
            std::vector<uint8_t> read = Read(file, int32_t(kChunk), offset, got);
            same = same && std::equal(read.begin(), read.end(), bytes.begin() + offset) &&
                   got == int32_t(std::min<int64_t>(kChunk, int64_t(kLargeFile) - offset));
        }
    EXPECT_TRUE(same);
    EXPECT_FALSE(file.view.failed);
    // A few regions' worth at most (the file's 48 MiB were all touched).
    if (before >= 0) {
        EXPECT_LT(MappedFileKiB() - before, 24 * 1024);
    }
    ClosePstFile(&file);
}

} // namespace

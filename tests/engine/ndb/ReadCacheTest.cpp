// Small reads through the per-thread chunks: the same bytes as the file at
// every size and offset, in any order, on several threads and with several
// files open; a file that another program cuts short or lengthens while it
// is open gives short reads, never a crash; a file opened again is read
// again, not taken from chunks of the earlier open.
#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <thread>

#include "engine/ndb/ReadCache.h"
#include "tests/engine/ndb/FileImage.h"

using namespace testimg;

namespace {

constexpr size_t kFileBytes = 256 * 1024;

std::vector<uint8_t> Pattern(size_t size, uint8_t salt = 0) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t(i * 7 + (i >> 11) + salt);
    const uint8_t magic[] = {'!', 'B', 'D', 'N'};
    std::copy(std::begin(magic), std::end(magic), bytes.begin());
    return bytes;
}

std::string SavePattern(const std::vector<uint8_t>& bytes,
                        const std::string& name = TestFileName()) {
    FileImage img(true, 0);
    img.bytes = bytes;
    return img.save(name);
}

std::vector<uint8_t> Read(tpstfile& file, int32_t count, int64_t offset, int32_t& got) {
    std::vector<uint8_t> out(size_t(count), 0xEE);
    got = ReadAt(&file, out.data(), count, offset);
    out.resize(got > 0 ? size_t(got) : 0);
    return out;
}

// Whether `count` bytes at `offset` read as the file holds them (short at its end).
bool ReadsAsStored(tpstfile& file, const std::vector<uint8_t>& bytes, int32_t count,
                   int64_t offset) {
    int32_t got = 0;
    std::vector<uint8_t> read = Read(file, count, offset, got);
    const int64_t from = std::min<int64_t>(offset, int64_t(bytes.size()));
    const int64_t to = std::min<int64_t>(offset + count, int64_t(bytes.size()));
    return got == int32_t(to - from) && std::equal(read.begin(), read.end(), bytes.begin() + from);
}

TEST(ReadCache, ReadsGiveTheFileBytesAtEverySizeAndOffset) {
    const std::vector<uint8_t> bytes = Pattern(kFileBytes);
    tpstfile file;
    ASSERT_EQ(OpenPstFile(&file, SavePattern(bytes)), 0);
    struct Case {
        int32_t count;
        int64_t offset;
    };
    // Small reads come from the chunks, one or two of them; the page scans'
    // large chunks from the file; reads that run past the end are short
    // either way.
    for (Case c : {Case{512, 0}, Case{8192, 4096}, Case{65536, 100}, Case{65536, 65536},
                   Case{1, 65535}, Case{2, 65535}, Case{65537, 3}, Case{0x3E000, 512},
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
}

TEST(ReadCache, AFileCutShortWhileOpenGivesShortReadsNotACrash) {
    const std::vector<uint8_t> bytes = Pattern(kFileBytes);
    const std::string path = SavePattern(bytes);
    tpstfile file;
    ASSERT_EQ(OpenPstFile(&file, path), 0);
    ASSERT_EQ(::truncate(path.c_str(), 4096), 0);
    int32_t got = 0;
    // Chunks not read before are read as the file is now: nothing is left there.
    Read(file, 512, 128 * 1024, got);
    EXPECT_EQ(got, 0);
    Read(file, 70000, 100 * 1024, got);
    EXPECT_EQ(got, 0);
    // What is left still reads.
    EXPECT_TRUE(ReadsAsStored(file, bytes, 512, 512));
    ClosePstFile(&file);
}

TEST(ReadCache, AFileLengthenedWhileOpenReadsItsNewBytes) {
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
    ClosePstFile(&file);
}

TEST(ReadCache, ReadsInAnyOrderOnSeveralThreadsAndFilesGiveEachFilesBytes) {
    // Two files of the same size and different bytes: a chunk of the one
    // must never answer a read of the other at the same offset.
    constexpr size_t kLarge = 3u << 20;
    const std::vector<uint8_t> first = Pattern(kLarge, 0), second = Pattern(kLarge, 101);
    tpstfile a, b;
    ASSERT_EQ(OpenPstFile(&a, SavePattern(first)), 0);
    ASSERT_EQ(OpenPstFile(&b, SavePattern(second, TestFileName() + "-2")), 0);
    // Forward, back a little and far away, straddling chunk ends, as block
    // reads go; each thread with its own order.
    auto reader = [&](unsigned seed, bool& same) {
        std::mt19937 random(seed);
        same = true;
        int64_t offset = 0;
        for (int i = 0; i < 4000 && same; ++i) {
            switch (random() % 4) {
            case 0:
                offset = int64_t(random() % kLarge);
                break;
            case 1:
                offset = std::max<int64_t>(0, offset - int64_t(random() % 20000));
                break;
            default:
                offset += int64_t(random() % 30000);
                break;
            }
            offset %= int64_t(kLarge) + 100;
            const int32_t count = int32_t(1 + random() % kLargestCachedRead);
            same =
                ReadsAsStored(a, first, count, offset) && ReadsAsStored(b, second, count, offset);
        }
    };
    bool same[3] = {};
    std::thread one(reader, 1u, std::ref(same[0])), two(reader, 2u, std::ref(same[1]));
    reader(3u, same[2]);
    one.join();
    two.join();
    EXPECT_TRUE(same[0] && same[1] && same[2]);
    ClosePstFile(&a);
    ClosePstFile(&b);
}

TEST(ReadCache, AFileOpenedAgainIsReadAgain) {
    // The same path, likely the same descriptor number: the second open must
    // read the new bytes, not the chunks the first open left in this thread.
    const std::string path = TestFileName();
    const std::vector<uint8_t> before = Pattern(kFileBytes, 0), after = Pattern(kFileBytes, 55);
    tpstfile file;
    ASSERT_EQ(OpenPstFile(&file, SavePattern(before, path)), 0);
    EXPECT_TRUE(ReadsAsStored(file, before, 4096, 8192));
    ClosePstFile(&file);
    ASSERT_EQ(OpenPstFile(&file, SavePattern(after, path)), 0);
    EXPECT_TRUE(ReadsAsStored(file, after, 4096, 8192));
    ClosePstFile(&file);
    EXPECT_NE(NewReadSerial(), NewReadSerial());
}

} // namespace

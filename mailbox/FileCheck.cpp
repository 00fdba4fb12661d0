// The reasons of an unreadable file, from the header fields of [MS-PST]
// 2.2.2.6 and the first page positions of each layout.
#include "mailbox/FileCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/ndb/Crc.h"
#include "engine/ndb/FormatOffsets.h"
#include "support/LittleEndian.h"

namespace {

constexpr size_t kMagicSize = 4;
constexpr size_t kVersionOffset = 10;
// HEADER of the ANSI and the Unicode layout.
constexpr size_t kAnsiHeaderSize = 512;
constexpr size_t kUnicodeHeaderSize = 564;
// dwCRCPartial covers 471 bytes from wMagicClient; the Unicode layout's
// dwCRCFull covers 516.
constexpr size_t kCrcPartialOffset = 4;
constexpr size_t kCrcFullOffset = 524;
constexpr size_t kCrcStart = 8;
constexpr int32_t kCrcPartialBytes = 471;
constexpr int32_t kCrcFullBytes = 516;

constexpr uint16_t kKnownVersions[] = {14, 15, 21, 23, kVerUnicode4k, kVerUnicode4kAlt};

uint16_t VersionOf(const tfilefacts& f) {
    return LoadU16(f.Header.data() + kVersionOffset);
}

bool IsKnownVersion(uint16_t version) {
    for (uint16_t v : kKnownVersions)
        if (v == version) return true;
    return false;
}

bool IsAnsiVersion(uint16_t version) {
    return version < 21;
}

size_t HeaderSizeOf(uint16_t version) {
    return IsAnsiVersion(version) ? kAnsiHeaderSize : kUnicodeHeaderSize;
}

const tpageoffsets& LayoutOf(uint16_t version) {
    if (version == kVerUnicode4k || version == kVerUnicode4kAlt)
        return PageOffsets(tlayout::Unicode4k);
    return PageOffsets(IsAnsiVersion(version) ? tlayout::Ansi : tlayout::Unicode);
}

bool CrcHolds(const tfilefacts& f, size_t at, int32_t count) {
    return ComputeCrc(count, f.Header.data() + kCrcStart) == LoadU32(f.Header.data() + at);
}

std::string Bytes(int64_t n) {
    return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

} // namespace

tfilefacts ReadFileFacts(const std::string& path) {
    tfilefacts facts;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return facts;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        facts.Size = st.st_size;
        facts.Header.resize(kUnicodeHeaderSize);
        ssize_t got = ::pread(fd, facts.Header.data(), facts.Header.size(), 0);
        facts.Header.resize(got > 0 ? size_t(got) : 0);
    }
    ::close(fd);
    return facts;
}

std::string FatalHeaderFault(const tfilefacts& f) {
    if (f.Header.size() < kMagicSize)
        return "too short for an Outlook data file (" + Bytes(f.Size) + ")";
    if (LoadU32(f.Header.data()) != kPstMagic)
        return "not an Outlook data file (it does not begin with \"!BDN\")";
    if (f.Header.size() < kVersionOffset + 2)
        return "too short for an Outlook data file (" + Bytes(f.Size) + ")";
    size_t need = HeaderSizeOf(VersionOf(f));
    if (f.Header.size() < need)
        return "too short: " + Bytes(f.Size) + ", the header alone takes " + Bytes(int64_t(need));
    return {};
}

std::string EmptyOpenReason(const tfilefacts& f) {
    std::string fatal = FatalHeaderFault(f);
    if (!fatal.empty()) return fatal;
    uint16_t version = VersionOf(f);
    if (!IsKnownVersion(version))
        return "unknown file version " + std::to_string(version) +
               " (this program reads 14 and 15 ANSI, 21 and 23 Unicode, 36 and 37 OST)";
    if (!CrcHolds(f, kCrcPartialOffset, kCrcPartialBytes) ||
        (!IsAnsiVersion(version) && !CrcHolds(f, kCrcFullOffset, kCrcFullBytes)))
        return "the header fails its CRC and no index page was found";
    const tpageoffsets& po = LayoutOf(version);
    if (f.Size < po.ibFirstAMap + po.pageSize)
        return "too short: " + Bytes(f.Size) + ", the file ends before its first page";
    if (!f.FoundRoots)
        return "no B-tree page of a layout this program reads (version " + std::to_string(version) +
               ")";
    return "no readable node in the file's indexes";
}

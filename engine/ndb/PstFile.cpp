// Opening a PST/OST file, reading its header ([MS-PST] 2.2.2.6), positioned
// reads, and closing with the release of everything built for the file.
#include "engine/ndb/PstFile.h"

#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/ndb/FormatOffsets.h"
#include "engine/ndb/ReadCache.h"
#include "support/LittleEndian.h"

namespace {

bool IsOpen(const tpstfile* file) {
    return file->hFile != 0 && file->hFile != -1;
}

// A descriptor of 0 would read as "never opened"; keep real handles above it.
int OpenReadOnly(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd == 0) {
        int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
        ::close(fd);
        fd = moved;
    }
    if (fd > 0) {
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return -1;
        }
        // Linux has no deny-write sharing mode; an advisory shared lock is
        // the closest request, and other readers are not hindered by it.
        ::flock(fd, LOCK_SH | LOCK_NB);
    }
    return fd;
}

// wVer 14 and 15 are ANSI, 21 and 23 Unicode; unknown versions read as ANSI
// until the page scan's layout probe says otherwise.
tlayout LayoutOfVersion(uint16_t wVer) {
    if (wVer == 21 || wVer == 23) return tlayout::Unicode;
    if (wVer == kVerUnicode4k || wVer == kVerUnicode4kAlt) return tlayout::Unicode4k;
    return tlayout::Ansi;
}

// Reads may come from more than one thread (the collections read items on
// both cores); the position they leave is only a progress measure then.
std::atomic_ref<int64_t> NextRead(tpstfile* file) {
    return std::atomic_ref<int64_t>(file->ibNextRead);
}

void CloseHandle(tpstfile* file) {
    ::close(file->hFile);
    file->hFile = -1;
}

void ResetRecord(tpstfile* file) {
    FreeBlockIndex(file);
    file->pNodeFirst = file->pNodeLast = nullptr;
    file->pNamedProps.reset();
    file->nodes.owned.clear();
    file->nodes.records.Clear();
    file->nodes.byNid.Clear();
    file->nodes.orphansByParent.clear();
    file->nodes.nextSeq = 0;
    file->fUnicode = 0;
    file->layout = tlayout::Ansi;
    file->ibBBT = file->ibNBT = 0;
    file->bidBBT = file->bidNBT = 0;
    file->hFile = 0;
    file->readSerial = 0;
    file->ibFileEof = 0;
    file->ibNextRead = 0;
    file->bCryptMethod = 0;
    file->wVer = 0;
    file->fOffline = 0;
    file->cBlocks = file->cNodes = 0;
    file->fInsertGrew = 0;
}

} // namespace

tpstfile::~tpstfile() {
    ClosePstFile(this);
}

int32_t OpenPstFile(tpstfile* file, const std::string& path) {
    if (!file) return -1;
    // Indexes still held are released rather than leaked: a record must
    // start from zero, and unique_ptr cannot simply be forgotten.
    FreeBlockIndex(file);
    FreeNodeTree(file);
    file->pNamedProps.reset();
    ResetRecord(file);

    file->hFile = OpenReadOnly(path);
    if (file->hFile <= 0) {
        file->hFile = -1;
        return -1;
    }
    file->readSerial = NewReadSerial();
    uint8_t magic[4];
    if (ReadAt(file, magic, 4, 0) < 4) {
        CloseHandle(file);
        return -1;
    }
    if (LoadU32(magic) != kPstMagic) {
        CloseHandle(file);
        return -2;
    }
    uint8_t ver[2] = {0, 0};
    if (ReadAt(file, ver, 2, 10) == 2) file->wVer = LoadU16(ver);
    file->layout = LayoutOfVersion(file->wVer);
    file->fUnicode = file->layout == tlayout::Ansi ? 0 : 1;

    const theaderoffsets& h = file->fUnicode ? kUnicodeHeader : kAnsiHeader;
    uint8_t crypt = 0;
    if (ReadAt(file, &crypt, 1, h.bCryptMethod) == 1) file->bCryptMethod = crypt;
    file->bidNBT = uint64_t(ReadSizedValueAt(file, h.bidNBT));
    file->ibNBT = ReadSizedValueAt(file, h.ibNBT);
    file->ibFileEof = ReadSizedValueAt(file, h.ibFileEof);
    file->bidBBT = uint64_t(ReadSizedValueAt(file, h.bidBBT));
    file->ibBBT = ReadSizedValueAt(file, h.ibBBT);
    return 0;
}

int32_t ClosePstFile(tpstfile* file) {
    if (!file) return -1;
    FreeBlockIndex(file);
    FreeNodeTree(file);
    file->pNamedProps.reset();
    if (!IsOpen(file)) return -1;
    CloseHandle(file);
    return 0;
}

int32_t ReadAt(tpstfile* file, void* buffer, int32_t count, int64_t offset) {
    if (!file || !IsOpen(file) || count < 0 || (count > 0 && !buffer)) return 0;
    // pread: one system call instead of a seek and a read. A relative
    // offset counts from where the last read ended, as a seek would.
    int64_t pos = offset >= 0 ? offset : NextRead(file).load(std::memory_order_relaxed) + offset;
    if (pos < 0) return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    if (count <= kLargestCachedRead) {
        int32_t got = ReadThroughCache(file->hFile, file->readSerial, out, count, pos);
        if (got >= 0) {
            NextRead(file).store(pos + got, std::memory_order_relaxed);
            return got;
        }
        // A chunk that could not be read whole may still have the bytes asked for.
    }
    int32_t done = 0;
    const bool read = ReadFromFile(file->hFile, out, count, pos, done);
    NextRead(file).store(pos + done, std::memory_order_relaxed);
    return read ? done : -1;
}

int64_t ReadSizedValueAt(tpstfile* file, int64_t offset) {
    uint8_t raw[8] = {};
    int32_t width = file->fUnicode ? 8 : 4;
    if (ReadAt(file, raw, width, offset) < width) return 0;
    return file->fUnicode ? int64_t(LoadU64(raw)) : LoadS32Widened(raw);
}

int32_t ReadFreshBuffer(tpstfile* file, int32_t count, tbuffer& buffer, int64_t offset) {
    // Zeros where the read falls short; the buffer's storage is reused.
    if (count < 0) {
        buffer.clear();
        return 0;
    }
    // Only the bytes the read leaves are zeroed: the rest is overwritten.
    buffer.resize(size_t(count));
    const int32_t got = ReadAt(file, buffer.data(), count, offset);
    std::fill(buffer.begin() + std::clamp(got, 0, count), buffer.end(), uint8_t(0));
    return got;
}

int64_t PstFileSize(tpstfile* file) {
    if (!file || !IsOpen(file)) return 0;
    struct stat st {};
    if (::fstat(file->hFile, &st) != 0) return 0;
    return int64_t(st.st_size);
}

// The per-thread chunks of the mailbox file (see ReadCache.h).
#include "engine/ndb/ReadCache.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

constexpr int32_t kChunkBytes = 0x10000; // a read of up to 64 KiB spans at most two
// Four: a read may straddle two chunks, and the reads of one item go back
// a little as often as forward (a table's rows before its heap's end).
constexpr int kChunksKept = 4;

struct tchunk {
    uint64_t serial = 0; // 0: holds nothing
    int64_t number = 0;  // offset / kChunkBytes
    int32_t valid = 0;   // bytes read: fewer than kChunkBytes only at the end of the file
    uint64_t lastUse = 0;
    std::vector<uint8_t> bytes;
};

thread_local tchunk tChunks[kChunksKept];
thread_local uint64_t tUses = 0;

std::atomic<uint64_t> gSerials{0};

// Reads the whole chunk; a chunk that fails keeps nothing.
bool Fill(tchunk& chunk, int fd, uint64_t serial, int64_t number) {
    chunk.serial = 0;
    if (chunk.bytes.empty()) chunk.bytes.resize(kChunkBytes);
    int32_t done = 0;
    if (!ReadFromFile(fd, chunk.bytes.data(), kChunkBytes, number * kChunkBytes, done))
        return false;
    chunk.serial = serial;
    chunk.number = number;
    chunk.valid = done;
    return true;
}

// The chunk `number` of the file, from the cache or read in place of the
// one used longest ago; null if the file could not be read.
const tchunk* Chunk(int fd, uint64_t serial, int64_t number) {
    tchunk* oldest = &tChunks[0];
    for (tchunk& c : tChunks) {
        if (c.serial == serial && c.number == number) {
            c.lastUse = ++tUses;
            return &c;
        }
        if (c.lastUse < oldest->lastUse) oldest = &c;
    }
    if (!Fill(*oldest, fd, serial, number)) return nullptr;
    oldest->lastUse = ++tUses;
    return oldest;
}

} // namespace

bool ReadFromFile(int fd, uint8_t* out, int32_t count, int64_t offset, int32_t& done) {
    done = 0;
    while (done < count) {
        ssize_t n = ::pread(fd, out + done, size_t(count - done), off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        done += int32_t(n);
    }
    return true;
}

uint64_t NewReadSerial() {
    return gSerials.fetch_add(1, std::memory_order_relaxed) + 1;
}

int32_t ReadThroughCache(int fd, uint64_t serial, uint8_t* out, int32_t count, int64_t offset) {
    if (fd < 0 || serial == 0 || count < 0 || count > kLargestCachedRead || offset < 0) return -1;
    int32_t done = 0;
    while (done < count) {
        const int64_t at = offset + done;
        const tchunk* chunk = Chunk(fd, serial, at / kChunkBytes);
        if (!chunk) return -1;
        const int64_t inside = at % kChunkBytes;
        if (inside >= chunk->valid) break; // the end of the file
        const int32_t n = int32_t(std::min<int64_t>(count - done, chunk->valid - inside));
        std::memcpy(out + done, chunk->bytes.data() + inside, size_t(n));
        done += n;
    }
    return done;
}

// The mapped view of the mailbox file (see FileMap.h).
#include "engine/ndb/FileMap.h"

#include <algorithm>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <mutex>
#include <sys/mman.h>

namespace {

// Pages of the view that were touched stay counted in the process's
// resident size although they are the kernel's page cache, so the view's
// pages are let go to keep the resident size about the indexes'. A fault
// maps the whole page-cache folio around the touched byte, and a file read
// just before (by `cat`, by a copy) sits in folios of up to 2 MiB: a few
// scattered reads can map tens of MiB. So each thread keeps the last few
// 2 MiB regions it read, and lets a region's pages go when a newer one
// pushes it out: the view then holds a few regions per thread however the
// reads jump, and a return to a recent region costs no fault.
constexpr int kRegionShift = 21; // 2 MiB: the largest folio the page cache maps
constexpr size_t kRegionsKept = 8;

// volatile: the compiler must not drop the store before the copy, which to
// it is dead since the copy does not read it.
thread_local sigjmp_buf* volatile tGuard = nullptr;
// Each thread's own regions, numbered from 1 (0: none yet): threads that
// read at once share nothing here. Numbers may stay from a view since
// closed; letting such a region go in the current view only costs a fault.
thread_local int64_t tRegions[kRegionsKept] = {};
thread_local size_t tOldestRegion = 0;
struct sigaction gPrevious {};

// A bus error outside a guarded copy is none of ours: it goes where it went before.
void ChainToPrevious(int sig, siginfo_t* info, void* context) {
    if (gPrevious.sa_handler == SIG_DFL || gPrevious.sa_handler == SIG_IGN) {
        // Returning re-runs the faulting instruction, which now ends the process.
        ::signal(sig, SIG_DFL);
        return;
    }
    if (gPrevious.sa_flags & SA_SIGINFO)
        gPrevious.sa_sigaction(sig, info, context);
    else
        gPrevious.sa_handler(sig);
}

void OnBusError(int sig, siginfo_t* info, void* context) {
    if (tGuard) siglongjmp(*tGuard, 1);
    ChainToPrevious(sig, info, context);
}

void InstallGuard() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        // SA_NODEFER: the handler leaves by a jump, which would otherwise
        // leave SIGBUS blocked in this thread.
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &gPrevious);
    });
}

// memcpy under the guard; false if it faulted.
bool GuardedCopy(uint8_t* out, const uint8_t* from, size_t count) {
    sigjmp_buf jump;
    if (sigsetjmp(jump, 0) != 0) {
        tGuard = nullptr;
        return false;
    }
    tGuard = &jump;
    std::memcpy(out, from, count);
    tGuard = nullptr;
    return true;
}

// Notes that this thread reads `region`; when it is not among those kept,
// it takes the place of the one kept longest, whose pages are let go.
void KeepRegion(const tfilemap& map, int64_t region) {
    const int64_t number = region + 1;
    for (int64_t kept : tRegions)
        if (kept == number) return;
    const int64_t pushedOut = tRegions[tOldestRegion];
    tRegions[tOldestRegion] = number;
    tOldestRegion = (tOldestRegion + 1) % kRegionsKept;
    if (pushedOut == 0) return;
    const int64_t start = (pushedOut - 1) << kRegionShift;
    if (start >= map.size) return;
    size_t length = size_t(std::min<int64_t>(int64_t(1) << kRegionShift, map.size - start));
    ::madvise(const_cast<uint8_t*>(map.base + start), length, MADV_DONTNEED);
}

} // namespace

void UnmapFile(tfilemap& map) {
    if (map.base) ::munmap(const_cast<uint8_t*>(map.base), size_t(map.size));
    map.base = nullptr;
    map.size = 0;
    map.failed = false;
}

void MapFile(tfilemap& map, int fd, int64_t size) {
    UnmapFile(map);
    if (fd <= 0 || size <= 0 || uint64_t(size) > SIZE_MAX) return;
    void* base = ::mmap(nullptr, size_t(size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (base == MAP_FAILED) return;
    InstallGuard();
    map.base = static_cast<const uint8_t*>(base);
    map.size = size;
}

bool CopyFromMap(tfilemap& map, uint8_t* out, int32_t count, int64_t offset) {
    if (!map.base || map.failed || count < 0 || offset < 0 || offset > map.size ||
        count > map.size - offset)
        return false;
    if (count == 0) return true; // `out` may be null then
    KeepRegion(map, offset >> kRegionShift);
    KeepRegion(map, (offset + count - 1) >> kRegionShift);
    if (GuardedCopy(out, map.base + offset, size_t(count))) return true;
    map.failed = true;
    return false;
}

// Linked into the programs that take their memory from mimalloc: asks it to
// back its segments with 2 MiB pages (on Linux, transparent huge pages by
// madvise).
//
// Why: the open fills a few hundred megabytes of fresh memory for a mailbox
// of some gigabytes (node records, the NID map, file-order lists), and every
// first write to a 4 KiB page is a page fault. On the virtual machines the
// program is measured on, such a fault costs 10 to 20 microseconds, several
// times the filling of its page. The open of the bench's 6 GB mailbox takes
// 7,400 page faults instead of 28,000, for some 3.5 MB more peak memory.
#include <mimalloc.h>

#include <cstdint>
#include <sys/mman.h>

namespace {

// mimalloc 2.0 carves its memory out of segments of this size, each aligned
// to it.
constexpr uintptr_t kSegmentBytes = uintptr_t(32) << 20;

// The libraries loaded before the program (the C++ runtime's exception
// pool, for one) allocate before the option below is set, and the segment
// that mimalloc made for them goes on serving the main thread's next
// allocations in small pages: on the bench's 1.1 GB mailbox, 2,000 of the
// open's 2,200 page faults. Advising that segment as mimalloc advises the
// later ones lets what is still untouched in it come in huge pages: 450
// faults, for some 3.5 MB more peak memory (a huge page is resident whole).
// Only advice: the call changes no byte, and where it fails nothing is lost.
void AdviseFirstSegment() {
    void* probe = mi_malloc(1);
    if (!probe) return;
    const uintptr_t segment = reinterpret_cast<uintptr_t>(probe) & ~(kSegmentBytes - 1);
    ::madvise(reinterpret_cast<void*>(segment), kSegmentBytes, MADV_HUGEPAGE);
    mi_free(probe);
}

// Set while the loader runs the programs' static initialisers.
const bool kLargePages = [] {
    mi_option_set(mi_option_large_os_pages, 1);
    // The first segments of a thread are otherwise committed page by page
    // as they fill, which leaves them in small pages.
    mi_option_set(mi_option_eager_commit_delay, 0);
    AdviseFirstSegment();
    return true;
}();

} // namespace

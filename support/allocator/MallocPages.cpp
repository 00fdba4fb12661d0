// Linked into the programs that take their memory from mimalloc: carries
// out the open's memory plan (support/MemoryHint.h). Once a large mailbox is
// opened, asks mimalloc to back its segments with 2 MiB pages (on Linux,
// transparent huge pages by madvise); for a small one, to give freed memory
// back at once.
//
// Why: the open fills a few hundred megabytes of fresh memory for a mailbox
// of some gigabytes (node records, the NID map, file-order lists), and every
// first write to a 4 KiB page is a page fault. On the virtual machines the
// program is measured on, such a fault costs 10 to 20 microseconds, several
// times the filling of its page. The open of the bench's 6 GB mailbox takes
// 7,400 page faults instead of 28,000. The price is some 8 MB more peak
// memory whatever the file, which is why small mailboxes do without.
#include <mimalloc.h>

#include "support/MemoryHint.h"

#include <cstdint>
#include <sys/mman.h>

namespace {

// mimalloc 2.0 carves its memory out of segments of this size, each aligned
// to it.
constexpr uintptr_t kSegmentBytes = uintptr_t(32) << 20;

// The segment that served the calling thread before the option below was
// set goes on serving its next allocations in small pages: on the bench's
// 1.1 GB mailbox, 2,000 of the open's 2,200 page faults. Advising it as
// mimalloc advises the later ones lets what is still untouched in it come
// in huge pages: 450 faults, for some 3.5 MB more peak memory (a huge page
// is resident whole). Only advice: the call changes no byte, and where it
// fails nothing is lost.
void AdviseCurrentSegment() {
    void* probe = mi_malloc(1);
    if (!probe) return;
    const uintptr_t segment = reinterpret_cast<uintptr_t>(probe) & ~(kSegmentBytes - 1);
    ::madvise(reinterpret_cast<void*>(segment), kSegmentBytes, MADV_HUGEPAGE);
    mi_free(probe);
}

// mimalloc reads both options each time it maps a segment, so setting them
// in the middle of the run takes effect from the next segment on; a thread
// that maps one meanwhile (the window's own) gets it in either kind of page.
// Runs on the thread that opens the mailbox, whose segment is the one advised.
void UseLargePages() {
    mi_option_set(mi_option_large_os_pages, 1);
    // The first segments of a thread are otherwise committed page by page
    // as they fill, which leaves them in small pages.
    mi_option_set(mi_option_eager_commit_delay, 0);
    AdviseCurrentSegment();
}

// mimalloc keeps a freed span committed this many milliseconds (its own
// default, or the MIMALLOC_DECOMMIT_DELAY of the environment), in case the
// thread asks for one again.
long defaultDecommitDelay = 0;

// Small mailboxes: the open's phases free buffers and pages that the next
// phase, or another thread, does not take again, and kept for the delay
// they add half a megabyte to the peak of a 50 MB mailbox's open.
void CarryOut(ostrel::tmemoryplan plan) {
    using ostrel::tmemoryplan;
    mi_option_set(mi_option_decommit_delay,
                  plan == tmemoryplan::GiveBackAtOnce ? 0 : defaultDecommitDelay);
    if (plan == tmemoryplan::LargePages) UseLargePages();
}

// Set while the loader runs the programs' static initialisers.
const bool kHookSet = [] {
    defaultDecommitDelay = mi_option_get(mi_option_decommit_delay);
    ostrel::SetMemoryPlanHook(CarryOut);
    return true;
}();

} // namespace

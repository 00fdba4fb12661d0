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

namespace {

// Set while the loader runs the programs' static initialisers: only what
// little the libraries allocate before main comes in small pages.
const bool kLargePages = [] {
    mi_option_set(mi_option_large_os_pages, 1);
    // The first segments of a thread are otherwise committed page by page
    // as they fill, which leaves them in small pages.
    mi_option_set(mi_option_eager_commit_delay, 0);
    return true;
}();

} // namespace

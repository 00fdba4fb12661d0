// How the open tells the memory allocator what is coming, by the mailbox's
// size. The allocator glue of the programs (support/allocator/MallocPages.cpp)
// answers by changing how it maps and gives back memory from then on; builds
// without it (the tests, the sanitizer builds) set no answer. The engine's
// record slabs, which it maps itself, follow the same plan in every build.
#pragma once

#include <cstdint>

namespace ostrel {

// Files under this size hold few records: most of what their open holds is
// the same whatever the file (each thread's buffers and allocator pages), and
// the allocator's habit of keeping freed memory a while for reuse shows as a
// tenth of a 50 MB mailbox's open. Giving it back at once costs that open a
// few milliseconds.
constexpr uint64_t kSmallMailboxBytes = uint64_t(256) << 20;

// Files from this size on are worth huge pages. A heap in huge pages costs
// some 8 MB more resident memory whatever the file: under 1% of such a
// file, where on a 50 MB mailbox it is more than all that the open holds
// (5.9 MB). Below it the page faults it saves are a few hundredths of a
// second.
constexpr uint64_t kLargeMailboxBytes = uint64_t(1) << 30;

// How the allocator is asked to serve the opens from some point on.
enum class tmemoryplan {
    Default,        // as the allocator comes: the state of a new process
    GiveBackAtOnce, // freed memory returns to the system at once
    LargePages,     // 2 MiB pages; stays for the rest of the process
};

// The plan for a mailbox of `fileBytes`.
tmemoryplan MemoryPlanFor(uint64_t fileBytes);

// Registers what to run when the plan changes; nullptr unregisters. The
// process counts as in the default plan again. Meant for a static
// initialiser, before any open.
void SetMemoryPlanHook(void (*hook)(tmemoryplan));

// Called by the open with the file's size: runs the hook when the file's
// plan differs from the one last given to it. Once LargePages was given,
// nothing changes any more: what the allocator mapped in huge pages stays
// so. True if it ran the hook now.
bool ExpectMailboxOf(uint64_t fileBytes);

// The plan of the file last given to ExpectMailboxOf, hook or no hook;
// Default before any. For the memory the engine maps itself (the index
// record slabs, engine/ndb/RecordSlabs.h).
tmemoryplan PlanOfLastMailbox();

} // namespace ostrel

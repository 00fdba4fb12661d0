// How the open tells the memory allocator what is coming: a mailbox large
// enough that its records fill hundreds of megabytes. The allocator glue of
// the programs (support/allocator/MallocPages.cpp) answers by backing what
// it maps from then on with 2 MiB pages; builds without it (the tests, the
// sanitizer builds) set no answer and the hint does nothing.
#pragma once

#include <cstdint>

namespace ostrel {

// Files from this size on are worth huge pages. A heap in huge pages costs
// some 8 MB more resident memory whatever the file: under 1% of such a
// file, where on a 50 MB mailbox it is more than all that the open holds
// (5.9 MB). Below it the page faults it saves are a few hundredths of a
// second.
constexpr uint64_t kLargeMailboxBytes = uint64_t(1) << 30;

// Registers what to run the first time a large mailbox is opened; nullptr
// unregisters. Meant for a static initialiser, before any open.
void SetLargeMailboxHook(void (*hook)());

// Called by the open with the file's size: runs the hook, once per process,
// when the size is at least kLargeMailboxBytes. True if it ran the hook now.
bool ExpectMailboxOf(uint64_t fileBytes);

} // namespace ostrel

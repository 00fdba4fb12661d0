// See MemoryHint.h.
#include "support/MemoryHint.h"

#include <atomic>

namespace ostrel {

namespace {

std::atomic<void (*)()> largeMailboxHook{nullptr};
std::atomic<bool> hookRan{false};

} // namespace

void SetLargeMailboxHook(void (*hook)()) {
    largeMailboxHook.store(hook);
    hookRan.store(false);
}

bool ExpectMailboxOf(uint64_t fileBytes) {
    if (fileBytes < kLargeMailboxBytes) return false;
    void (*hook)() = largeMailboxHook.load();
    // The allocator's options are process-wide and stay set: one run is enough.
    if (!hook || hookRan.exchange(true)) return false;
    hook();
    return true;
}

} // namespace ostrel

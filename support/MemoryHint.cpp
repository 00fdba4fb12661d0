// See MemoryHint.h.
#include "support/MemoryHint.h"

#include <atomic>

namespace ostrel {

namespace {

std::atomic<void (*)(tmemoryplan)> planHook{nullptr};
std::atomic<tmemoryplan> planGiven{tmemoryplan::Default};
std::atomic<tmemoryplan> lastMailboxPlan{tmemoryplan::Default};

} // namespace

tmemoryplan MemoryPlanFor(uint64_t fileBytes) {
    if (fileBytes >= kLargeMailboxBytes) return tmemoryplan::LargePages;
    if (fileBytes < kSmallMailboxBytes) return tmemoryplan::GiveBackAtOnce;
    return tmemoryplan::Default;
}

void SetMemoryPlanHook(void (*hook)(tmemoryplan)) {
    planHook.store(hook);
    planGiven.store(tmemoryplan::Default);
}

bool ExpectMailboxOf(uint64_t fileBytes) {
    const tmemoryplan plan = MemoryPlanFor(fileBytes);
    lastMailboxPlan.store(plan);
    void (*hook)(tmemoryplan) = planHook.load();
    if (!hook) return false;
    tmemoryplan given = planGiven.load();
    // Opens on two threads at once agree on one change: the exchange decides.
    do {
        if (given == plan || given == tmemoryplan::LargePages) return false;
    } while (!planGiven.compare_exchange_weak(given, plan));
    hook(plan);
    return true;
}

tmemoryplan PlanOfLastMailbox() {
    return lastMailboxPlan.load();
}

} // namespace ostrel

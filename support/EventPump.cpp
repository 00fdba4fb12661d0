// The throttled event pump hook (see EventPump.h).
#include "support/EventPump.h"

#include <chrono>
#include <thread>

namespace ostrel {
namespace {

struct PumpState {
    std::function<void()> hook;
    std::chrono::steady_clock::duration interval{};
    std::chrono::steady_clock::time_point last{};
    bool inside = false;
    std::thread::id owner; // the thread that installed the hook: the only one it serves
};

PumpState& State() {
    static PumpState state;
    return state;
}

} // namespace

void SetEventPump(std::function<void()> hook, int minIntervalMs) {
    PumpState& s = State();
    s.hook = std::move(hook);
    s.owner = std::this_thread::get_id();
    s.interval = std::chrono::milliseconds(minIntervalMs < 0 ? 0 : minIntervalMs);
    s.last = {};
}

void PumpEvents() {
    PumpState& s = State();
    // Work shared out to other threads pumps nothing: a user interface's
    // events belong to the thread that runs it.
    if (!s.hook || s.owner != std::this_thread::get_id() || s.inside) return;
    auto now = std::chrono::steady_clock::now();
    if (s.interval.count() > 0 && now - s.last < s.interval) return;
    s.last = now;
    // A hook that itself triggers long work must not pump recursively.
    s.inside = true;
    s.hook();
    s.inside = false;
}

} // namespace ostrel

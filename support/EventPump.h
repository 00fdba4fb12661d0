// The event pump hook: long work (B-tree walks, page scans, collections, the
// export) calls PumpEvents() at fixed points so that a user interface can keep
// its window responsive. The engine knows nothing about windows; the user
// interface installs the hook, and with no hook installed nothing is called.
#pragma once

#include <functional>

namespace ostrel {

// Installs (or, with an empty function, removes) the hook. minIntervalMs
// throttles it: the hook is called through at most once per interval, so
// that millions of calls from a page scan cost next to nothing.
void SetEventPump(std::function<void()> hook, int minIntervalMs = 20);

// Calls the hook when one is installed, the interval has passed and the
// caller runs on the thread that installed it (other threads never pump).
void PumpEvents();

} // namespace ostrel

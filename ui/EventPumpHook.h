// The toolkit's side of the event pump: long work in the mailbox calls
// ostrel::PumpEvents(), which lets the window's pending events run.
#pragma once

#include <functional>

namespace ostrel::ui {

// How often long work lets the window run at most.
inline constexpr int kPumpIntervalMs = 25;

// Installs QCoreApplication::processEvents, throttled, as the pump;
// `eachTurn` (a progress display) runs before each turn.
void InstallEventPump(std::function<void()> eachTurn = {});

} // namespace ostrel::ui

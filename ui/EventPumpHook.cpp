// The throttled processEvents pump (see EventPumpHook.h).
#include "ui/EventPumpHook.h"

#include <QCoreApplication>

#include "support/EventPump.h"

namespace ostrel::ui {

void InstallEventPump(std::function<void()> eachTurn) {
    ostrel::SetEventPump(
        [eachTurn = std::move(eachTurn)] {
            if (eachTurn) eachTurn();
            QCoreApplication::processEvents();
        },
        kPumpIntervalMs);
}

} // namespace ostrel::ui

// Start-up settings of the program (see AppSetup.h).
#include "ui/AppSetup.h"

#include <QApplication>
#include <QFont>
#include <QLocale>

#include <clocale>

#include "ui/EventPumpHook.h"
#include "ui/ImageList.h"

namespace ostrel::ui {

void SetUpApplication(QApplication& app) {
    // QApplication took the user's locale for the C library; numbers keep "." everywhere.
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
    QApplication::setApplicationName(QStringLiteral("quarrow-ostrel"));
    QApplication::setApplicationDisplayName(QString::fromLatin1(kAppTitle));
    QApplication::setWindowIcon(ProgramIcon());
    QFont font(QString::fromLatin1(kFontFamily), kFontPoints);
    app.setFont(font);
    InstallEventPump();
}

} // namespace ostrel::ui

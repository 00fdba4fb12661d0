// quarrow-ostrel: the desktop viewer. Without an argument it starts with
// the open dialog; `quarrow-ostrel FILE` opens FILE at the first showing.
#include <QApplication>
#include <QFileInfo>

#include "ui/AppSetup.h"
#include "ui/Main.h"
#include "ui/WebBrowser.h"

int main(int argc, char** argv) {
    ostrel::ui::PrepareWebEngine();
    QApplication app(argc, argv);
    ostrel::ui::SetUpApplication(app);
    TMainForm mainForm;
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) mainForm.SetStartFile(QFileInfo(arguments.at(1)).absoluteFilePath());
    mainForm.show();
    return QApplication::exec();
}

// The open-file dialog and the folder chooser (see Dialogs.h).
#include "ui/Dialogs.h"

#include <QDir>

namespace ostrel::ui {

std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget* parent) {
    auto dialog = std::make_unique<QFileDialog>(parent, QStringLiteral("Select PST file"));
    dialog->setObjectName(QStringLiteral("PstOpenDialog"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setNameFilters(
        {QStringLiteral("PST/OST Files (*.pst *.ost)"), QStringLiteral("All Files (*)")});
    dialog->setDefaultSuffix(QStringLiteral("pst"));
    return dialog;
}

std::unique_ptr<QFileDialog> MakeEmlDirDialog(QWidget* parent) {
    auto dialog =
        std::make_unique<QFileDialog>(parent, QStringLiteral("Select EML dir"), QDir::homePath());
    dialog->setObjectName(QStringLiteral("EmlDirDialog"));
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    return dialog;
}

std::unique_ptr<QFileDialog> MakeMboxDirDialog(QWidget* parent) {
    auto dialog =
        std::make_unique<QFileDialog>(parent, QStringLiteral("Select mbox dir"), QDir::homePath());
    dialog->setObjectName(QStringLiteral("MboxDirDialog"));
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    return dialog;
}

QString RunForPath(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

} // namespace ostrel::ui

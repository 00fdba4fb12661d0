// The two modal choosers of the main window: the open-file dialog
// PstOpenDialog and the folder chooser of the EML export.
#pragma once

#include <QFileDialog>

#include <memory>

namespace ostrel::ui {

// Title "Select PST file", PST/OST files or all files, default suffix "pst".
std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget* parent);

// Title "Select EML dir", folders only, starting in the user's home folder.
std::unique_ptr<QFileDialog> MakeEmlDirDialog(QWidget* parent);
// The folder chooser of "Save messages to mbox".
std::unique_ptr<QFileDialog> MakeMboxDirDialog(QWidget* parent);

// Runs the dialog modally: the chosen path, or empty when it was cancelled.
QString RunForPath(QFileDialog& dialog);

} // namespace ostrel::ui

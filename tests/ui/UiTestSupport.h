// What the window tests and the screenshot tool share: the mailboxes they
// open (the generated sample and the real samples), waiting for the window,
// answering its modal dialogs, and reading its rows as the user sees them.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;
class TMainForm;

namespace uitest {

// The generated sample mailbox, written once per run into a temporary folder.
QString GeneratedMailbox();
// A real sample mailbox by its file name, or empty when the samples are absent.
QString RealSample(const QString& name);

// Calls `answer` with the next modal dialog once it is up (polling), from the event loop.
void WhenModal(std::function<void(QWidget* dialog)> answer);
// Accepts every message box that comes up from now on; returns how many did.
int* AcceptMessageBoxes();

// Opens `file` in `form` and waits until the open has finished.
bool OpenAndWait(TMainForm& form, const QString& file);
// The folder row whose path ends with `suffix`, or -1.
int FolderRowEndingWith(const TMainForm& form, const QString& suffix);
// Selects the folder row, which sets up the item list.
void SelectFolderRow(TMainForm& form, int row);
// The displayed text of a cell of the folder list or the item list.
QString FolderCell(const TMainForm& form, int row, int column);
QString ItemCell(const TMainForm& form, int row, int column);
QStringList ItemCaptions(const TMainForm& form);

} // namespace uitest

// TStickyNoteForm: the small olive tool window of one sticky note: the note's
// text in the HTML view and its last modification time in the status line.
#pragma once

#include <string>

#include "ui/ItemForm.h"

class QStatusBar;
class QLabel;

class TStickyNoteForm : public TItemForm {
    Q_OBJECT
public:
    explicit TStickyNoteForm(QWidget* parent = nullptr);
    ~TStickyNoteForm() override;

    // body is HTML as GetItemBodyText gives it; lastModified a local
    // date-time value as FileTimeToDateTime gives it (0 when absent).
    void ShowStickyNote(const std::string& body, double lastModified);

    // "Sun 07.02.2010 9:05": English day name, one-digit hours before 10.
    static QString FormatModified(double dateTime);

    QStatusBar* StatusBar = nullptr;
    // The status line's one panel (width 270).
    QLabel* StatusPanel = nullptr;
};

// The Find window (Edit > Find..., Ctrl+F): what to find, where (subject,
// people, body, attachment names), in which folders (all, or the selected
// one and those below it), an optional date range, whole words or parts of
// words. It asks the main window to search; the results go to the main
// window's item list, the progress to the bar here, and Stop ends the search.
#pragma once

#include <QDialog>

#include <atomic>

#include "display/SearchItem.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

class TFindWindow : public QDialog {
    Q_OBJECT
public:
    explicit TFindWindow(QWidget* parent = nullptr);

    // The query the window's fields make; the date range in local days.
    ostrel::search::tsearchquery Query() const;
    // Only the selected folder and the folders below it.
    bool SelectedFolderOnly() const;

    // A search runs from here until SearchEnded: Find is disabled, Stop enabled.
    void SearchStarted();
    void SetProgress(uint64_t examined, uint64_t total);
    void SearchEnded(const QString& status);
    const std::atomic<bool>& StopFlag() const { return stop_; }

    QLineEdit* TextEdit = nullptr;
    QCheckBox* SubjectBox = nullptr;
    QCheckBox* PeopleBox = nullptr;
    QCheckBox* BodyBox = nullptr;
    QCheckBox* AttachmentsBox = nullptr;
    QCheckBox* WholeWordsBox = nullptr;
    QRadioButton* AllFoldersButton = nullptr;
    QRadioButton* SelectedFolderButton = nullptr;
    QCheckBox* FromBox = nullptr;
    QDateEdit* FromDate = nullptr;
    QCheckBox* ToBox = nullptr;
    QDateEdit* ToDate = nullptr;
    QProgressBar* Progress = nullptr;
    QLabel* StatusLabel = nullptr;
    QPushButton* FindButton = nullptr;
    QPushButton* StopButton = nullptr;

signals:
    void FindRequested();

private:
    void UpdateFindButton();

    std::atomic<bool> stop_{false};
    bool running_ = false;
};

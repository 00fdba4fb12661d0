// StatusBar1: the one-line status text, with a progress bar beside it that
// is shown only while a file is opened or exported.
#pragma once

#include <QStatusBar>

class QLabel;
class QProgressBar;

class TStatusLine : public QStatusBar {
    Q_OBJECT
public:
    explicit TStatusLine(QWidget* parent = nullptr);

    void SetText(const QString& text);
    QString Text() const;

    // A bar of `maximum` steps, or a busy bar for a maximum of 0.
    void StartProgress(int maximum, const QString& format = QStringLiteral("%p%"));
    void SetProgress(int value);
    void StopProgress();
    QProgressBar* ProgressBar() const { return progress_; }

private:
    QLabel* text_;
    QProgressBar* progress_;
};

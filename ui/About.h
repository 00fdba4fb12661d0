// TAboutBox: the about window, a fixed-size modal dialog with the program
// icon, its name and version, and two links to the makers.
#pragma once

#include <QDialog>

class QLabel;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 298;
    static constexpr int kHeight = 213;

    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* WebLink = nullptr;
    QLabel* MailLink = nullptr;

private:
    // A blue, underlined label with a hand cursor that opens `target` (its hint).
    QLabel* MakeLink(const QString& caption, const QString& target);
};

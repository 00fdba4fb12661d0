// The sticky note window: an olive tool window whose HTML view fills the area
// above a one-panel status line (see StickyNoteItem.h).
#include "ui/StickyNoteItem.h"

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QPalette>
#include <QStatusBar>
#include <QVBoxLayout>

#include "ui/AppSetup.h"
#include "ui/WebBrowser.h"

namespace {

constexpr int kOuterWidth = 271;
constexpr int kOuterHeight = 211;
constexpr int kStartLeft = 318;
constexpr int kStartTop = 258;
constexpr int kPanelWidth = 270;
const QColor kOlive(128, 128, 0);

void PaintOlive(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, kOlive);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

TStickyNoteForm::TStickyNoteForm(QWidget* parent) : TItemForm(parent) {
    setObjectName(QStringLiteral("StickyNoteForm"));
    setWindowTitle(QStringLiteral("StickyNoteForm"));
    setWindowFlag(Qt::Tool);
    setFont(QFont(QString::fromLatin1(ostrel::ui::kFontFamily), ostrel::ui::kFontPoints));
    // The note shows its view directly, without the bevelled panel of the other viewers.
    if (QLayout* panelLayout = PanelMessage->layout()) panelLayout->removeWidget(WebBrowser);
    PanelMessage->hide();
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);
    StatusPanel = new QLabel(StatusBar);
    // At most its width, so that the window may still be made narrower.
    StatusPanel->setMinimumWidth(0);
    StatusPanel->setMaximumWidth(kPanelWidth);
    StatusBar->addWidget(StatusPanel, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(WebBrowser, 1);
    layout->addWidget(StatusBar);
    PaintOlive(this);
    PaintOlive(StatusBar);
    resize(kOuterWidth, kOuterHeight);
    move(kStartLeft, kStartTop);
}

TStickyNoteForm::~TStickyNoteForm() = default;

QString TStickyNoteForm::FormatModified(double dateTime) {
    return QLocale::c().toString(DateTimeOfValue(dateTime), QStringLiteral("ddd dd.MM.yyyy H:mm"));
}

void TStickyNoteForm::ShowStickyNote(const std::string& body, double lastModified) {
    setWindowTitle(QString());
    StatusPanel->setText(FormatModified(lastModified));
    SetItemBody(WebBrowser, body);
}

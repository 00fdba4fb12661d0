// The about window (see About.h).
#include "ui/About.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include "ui/ImageList.h"

namespace {

constexpr int kIconSize = 65;
constexpr const char* kWebTarget = "https://quarrow.example/ostrel";
constexpr const char* kMailTarget = "mailto:ostrel@quarrow.example";

QLabel* MakeLabel(QWidget* parent, const QString& text, QRect where) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(where);
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(kWidth, kHeight);
    setModal(true);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setGeometry(8, 8, 282, 161);

    auto* icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("ProgramIcon"));
    icon->setGeometry(8, 8, kIconSize, kIconSize);
    icon->setPixmap(ostrel::ui::ProgramPixmap(kIconSize));

    ProductName = MakeLabel(panel, QStringLiteral("Ostrel"), {88, 16, 180, 20});
    QFont big = ProductName->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() + 4);
    ProductName->setFont(big);
    Version = MakeLabel(panel, QStringLiteral("Version 1.01"), {88, 44, 180, 16});
    WebLink = MakeLink(QStringLiteral("quarrow.example/ostrel"), QString::fromLatin1(kWebTarget));
    WebLink->setParent(panel);
    WebLink->setGeometry(8, 100, 266, 16);
    MailLink = MakeLink(QStringLiteral("ostrel@quarrow.example"), QString::fromLatin1(kMailTarget));
    MailLink->setParent(panel);
    MailLink->setGeometry(8, 124, 266, 16);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setGeometry(111, 178, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

QLabel* TAboutBox::MakeLink(const QString& caption, const QString& target) {
    auto* label = new QLabel(this);
    label->setToolTip(target);
    label->setCursor(Qt::PointingHandCursor);
    label->setTextFormat(Qt::RichText);
    label->setText(QStringLiteral("<a href=\"%1\" style=\"color: blue;\">%2</a>")
                       .arg(target.toHtmlEscaped(), caption.toHtmlEscaped()));
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    // The target is the label's hint; the desktop's default handler opens it.
    connect(label, &QLabel::linkActivated, this,
            [label](const QString&) { QDesktopServices::openUrl(QUrl(label->toolTip())); });
    return label;
}

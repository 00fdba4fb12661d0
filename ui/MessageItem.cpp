// The message viewer (see MessageItem.h).
#include "ui/MessageItem.h"

#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QResizeEvent>

#include "display/AddressTexts.h"
#include "engine/messaging/FileTime.h"
#include "engine/messaging/Subject.h"
#include "ui/InlinePictures.h"
#include "ui/WebBrowser.h"

namespace {

// The client area that the outer size 629 x 452 leaves inside a frame.
constexpr int kDesignWidth = 621;
constexpr int kDesignHeight = 425;
// Space kept between the sender and the "Sent:" label.
constexpr int kSenderGap = 8;

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->move(left, top);
    label->adjustSize();
    return label;
}

void SetLabel(QLabel* label, const std::string& text) {
    label->setText(QString::fromStdString(text));
    label->adjustSize();
}

} // namespace

TMessageForm::TMessageForm(QWidget* parent) : TItemForm(parent) {
    setObjectName(QStringLiteral("MessageForm"));
    setWindowTitle(QStringLiteral("Message Item"));
    PanelInfo = new QWidget(this);
    PanelInfo->setObjectName(QStringLiteral("PanelInfo"));
    LFrom = MakeLabel(PanelInfo, "LFrom", QStringLiteral("From:"), 8, 8);
    LTo = MakeLabel(PanelInfo, "LTo", QStringLiteral("To:"), 8, 24);
    LCopy = MakeLabel(PanelInfo, "LCopy", QStringLiteral("Copy:"), 8, 40);
    LSubject = MakeLabel(PanelInfo, "LSubject", QStringLiteral("Subject"), 8, 56);
    LSent = MakeLabel(PanelInfo, "LSent", QStringLiteral("Sent:"), 344, 8);
    LabelFrom = MakeLabel(PanelInfo, "LabelFrom", QString(), 56, 8);
    LabelTo = MakeLabel(PanelInfo, "LabelTo", QString(), 56, 24);
    LabelCopy = MakeLabel(PanelInfo, "LabelCopy", QString(), 56, 40);
    LabelSubject = MakeLabel(PanelInfo, "LabelSubject", QString(), 56, 56);
    LabelSent = MakeLabel(PanelInfo, "LabelSent", QString(), 384, 8);
    PanelMessage->setParent(PanelInfo);
    PanelMessage->setGeometry(8, 80, 605, 337);
    PanelMessage->setMinimumHeight(100);
    resize(kDesignWidth, kDesignHeight);
}

TMessageForm::~TMessageForm() = default;

QString TMessageForm::FormatSent(double dateTime) {
    return QLocale::c().toString(DateTimeOfValue(dateTime), QStringLiteral("ddd dd.MM.yyyy hh:mm"));
}

void TMessageForm::ShowMessageItem(const std::string& from, const std::string& to,
                                   const std::string& cc, const std::string& subject, double sent,
                                   const std::string& body) {
    FullSender = QString::fromStdString(from);
    LabelFrom->setToolTip(FullSender);
    ElideSender();
    SetLabel(LabelTo, to);
    SetLabel(LabelCopy, cc);
    SetLabel(LabelSubject, subject);
    setWindowTitle(QString::fromStdString(subject) + QStringLiteral(" - Message"));
    LabelSent->setText(FormatSent(sent));
    LabelSent->adjustSize();
    SetItemBody(WebBrowser, body);
}

void TMessageForm::ShowMessageObject(const tpstmessage& m) {
    static const tmailinfo kNoMailInfo;
    const tmailinfo& mi = m.MailInfo ? *m.MailInfo : kNoMailInfo;
    std::string to = mi.DisplayTo ? StripClosingTags(TextOf(mi.DisplayTo)) : std::string();
    // Pictures the HTML names by cid: come from the message's own attachments.
    std::string body = WithInlinePictures(*Browser(), m, GetItemBodyText(m));
    ShowMessageItem(ViewerSenderText(mi), to, TextOf(mi.DisplayCc), SubjectText(m),
                    FileTimeToDateTime(mi.ClientSubmitTime), body);
}

void TMessageForm::resizeEvent(QResizeEvent* event) {
    TItemForm::resizeEvent(event);
    PanelInfo->setGeometry(rect());
    ArrangeControls();
}

void TMessageForm::ElideSender() {
    // The sender shares its line with "Sent:"; a long one is cut with "..."
    // and shown whole in the tool tip.
    const int room = std::max(0, LSent->x() - kSenderGap - LabelFrom->x());
    QString shown = LabelFrom->fontMetrics().elidedText(FullSender, Qt::ElideRight, room);
    LabelFrom->setText(shown);
    LabelFrom->adjustSize();
    LabelFrom->resize(std::min(LabelFrom->width(), room), LabelFrom->height());
}

void TMessageForm::ArrangeControls() {
    const int w = PanelInfo->width();
    const int h = PanelInfo->height();
    if (w > 620) {
        LSent->move(w - 277, LSent->y());
        LabelSent->move(w - 237, LabelSent->y());
        PanelMessage->resize(w - 16, PanelMessage->height());
    }
    ElideSender();
    PanelMessage->resize(PanelMessage->width(), std::max(h - 88, PanelMessage->minimumHeight()));
}

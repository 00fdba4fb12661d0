// The viewer base (see ItemForm.h): window behaviour and the operations
// every viewer shares.
#include "ui/ItemForm.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <string>

#include "display/BodyText.h"
#include "display/Durations.h"
#include "display/MultiString.h"
#include "ui/AttachmentStrip.h"
#include "ui/WebBrowser.h"

TItemForm::TItemForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    // A window of its own: the main window neither owns nor closes it.
    setAttribute(Qt::WA_DeleteOnClose, false);
    PanelMessage = new QFrame(this);
    PanelMessage->setObjectName(QStringLiteral("PanelMessage"));
    PanelMessage->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PanelMessage->setLineWidth(1);
    auto* layout = new QVBoxLayout(PanelMessage);
    layout->setContentsMargins(1, 1, 1, 1);
    Attachments = new TAttachmentStrip(PanelMessage);
    layout->addWidget(Attachments);
    WebBrowser = new TWebBrowser(PanelMessage);
    layout->addWidget(WebBrowser);
    AddKeys();
}

void TItemForm::AddKeys() {
    // Escape and Ctrl+W close (hide) the window; N and P step through the list.
    for (const QKeySequence& key :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_N), this), &QShortcut::activated, this,
            [this] { emit StepRequested(1); });
    connect(new QShortcut(QKeySequence(Qt::Key_P), this), &QShortcut::activated, this,
            [this] { emit StepRequested(-1); });
}

TItemForm::~TItemForm() = default;

void TItemForm::ShowItem(tpstmessage*) {}

void TItemForm::ShowAttachments(tpstfile* file, std::unique_ptr<tpstmessage> message, int depth) {
    Attachments->ShowMessage(file, std::move(message), depth);
}

void TItemForm::closeEvent(QCloseEvent* event) {
    // Closing only hides: the window keeps its item and comes back when it is clicked.
    event->ignore();
    hide();
}

std::string TItemForm::GetItemBodyText(const tpstmessage& item) {
    return ItemBodyText(item);
}

std::string TItemForm::GetCompanyList(const uint8_t* value, size_t size) {
    return MultiStringText(value, size);
}

void TItemForm::SetItemBody(TWebBrowser* view, const std::string& text) {
    if (!view) return;
    view->ShowDocument(QString::fromStdString(text));
}

void TItemForm::SetIntervalTime(QComboBox* box) {
    box->clear();
    for (int i = 0; i < 48; ++i)
        box->addItem(
            QStringLiteral("%1:%2").arg(i / 2).arg(i % 2 ? 30 : 0, 2, 10, QLatin1Char('0')));
}

int TItemForm::GetMinutesIndex(int minutes) {
    return DurationIndex(minutes);
}

void TItemForm::SetDurationList(QComboBox* box) {
    box->clear();
    for (const tduration& d : DurationList())
        box->addItem(QString::fromStdString(d.Text));
}

QDateTime TItemForm::DateTimeOfValue(double value) {
    const QDate base(1899, 12, 30);
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6) return QDateTime(base, QTime(0, 0));
    double days = std::trunc(value);
    // Before the base day the fraction still counts forward into the day.
    int64_t ms = std::llround(std::fabs(value - days) * 86400000.0);
    ms = std::min<int64_t>(ms, 86400000 - 1);
    return QDateTime(base.addDays(qint64(days)), QTime::fromMSecsSinceStartOfDay(int(ms)));
}

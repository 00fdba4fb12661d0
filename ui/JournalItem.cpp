// The journal window: its fields in PanelInfo, the fill from the arguments
// the item opening computes, and the rule that widens the fields when the
// window grows (see JournalItem.h).
#include "ui/JournalItem.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QEvent>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <climits>

#include "ui/AppSetup.h"
#include "ui/ViewerFields.h"

using namespace ostrel::ui::fields;

namespace {

// The design's client area: the outer size 621 x 452 less the 4-pixel borders
// and the 19-pixel caption the layout was drawn for. The resize rule leaves
// the fields at their design places up to this width.
constexpr int kClientWidth = 613;
constexpr int kClientHeight = 425;
constexpr int kStartLeft = 230;
constexpr int kStartTop = 106;
constexpr int kWidenFrom = 620; // the fields keep their design widths up to here

template <size_t N> QStringList Entries(const char* const (&names)[N]) {
    QStringList entries;
    for (const char* name : names)
        entries << QString::fromLatin1(name);
    return entries;
}

} // namespace

const char* const TJournalForm::kTypeNames[16] = {
    "Microsoft Word",       "Document",        "Task",           "Note",
    "Task Request",         "Meeting Request", "Task Response",  "Meeting Response",
    "Meeting Cancellation", "Letter",          "Conversation",   "Meeting",
    "E-mail Message",       "Phone Call",      "Remote Session", "Fax"};

TJournalForm::TJournalForm(QWidget* parent) : TItemForm(parent) {
    setObjectName(QStringLiteral("JournalForm"));
    setWindowTitle(QStringLiteral("JournalForm"));
    setFont(QFont(QString::fromLatin1(ostrel::ui::kFontFamily), ostrel::ui::kFontPoints));
    PanelInfo = new QWidget(this);
    PanelInfo->setObjectName(QStringLiteral("PanelInfo"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PanelInfo);
    CreateControls();
    PanelInfo->installEventFilter(this);
    resize(kClientWidth, kClientHeight);
    move(kStartLeft, kStartTop);
}

TJournalForm::~TJournalForm() = default;

void TJournalForm::CreateControls() {
    QWidget* p = PanelInfo;
    lSubject = MakeLabel(p, "Subject:", 16, 16);
    edSubject = MakeEdit(p, 88, 8, 513);
    lType = MakeLabel(p, "Type:", 16, 40);
    cbType = MakeList(p, 88, 32, 249, {}, false);
    cbType->addItems(Entries(kTypeNames));
    cbType->setCurrentIndex(-1);
    lOrganization = MakeLabel(p, "Organization:", 344, 40);
    edOrganization = MakeEdit(p, 416, 32, 185);
    lStartDate = MakeLabel(p, "Start:", 16, 72);
    dtpStartDate = new QDateEdit(p);
    dtpStartDate->setMinimumDate(QDate(100, 1, 1));
    dtpStartDate->setDisplayFormat(QString::fromLatin1(kShortDateFormat));
    dtpStartDate->setDate(DateTimeOfValue(0).date());
    dtpStartDate->setEnabled(false);
    dtpStartDate->setGeometry(88, 64, 145, kEditHeight);
    cbStartTime = MakeList(p, 240, 64, 97, {}, false);
    cbStartTime->setEditable(true);
    SetIntervalTime(cbStartTime);
    lDuration = MakeLabel(p, "Duration:", 16, 96);
    cbDuration = MakeList(p, 88, 88, 145, {}, false);
    SetDurationList(cbDuration);
    cbDuration->setCurrentIndex(-1);
    PanelMessage->setParent(p);
    PanelMessage->setGeometry(11, 120, 592, 293);
    PanelMessage->show();
}

void TJournalForm::ShowJournalRecord(const std::string& subject, const std::string& logType,
                                     const std::string& organization, double start,
                                     uint32_t duration, const std::string& body) {
    setWindowTitle(Q(subject) + QStringLiteral(" - record in journal"));
    edSubject->setText(Q(subject));
    // MatchFixedString compares without regard to letter case.
    cbType->setCurrentIndex(cbType->findText(Q(logType), Qt::MatchFixedString));
    const QDateTime when = DateTimeOfValue(start);
    dtpStartDate->setDate(when.date());
    cbStartTime->setEditText(when.time().toString(QStringLiteral("H:mm")));
    cbDuration->setCurrentIndex(duration > uint32_t(INT_MAX) ? -1 : GetMinutesIndex(int(duration)));
    edOrganization->setText(Q(organization));
    SetItemBody(WebBrowser, body);
}

bool TJournalForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PanelInfo && event->type() == QEvent::Resize) ArrangeControls();
    return TItemForm::eventFilter(watched, event);
}

void TJournalForm::ArrangeControls() {
    const int w = PanelInfo->width();
    const int h = PanelInfo->height();
    if (w > kWidenFrom) {
        edSubject->resize(w - 100, edSubject->height());
        edOrganization->resize(w - 428, edOrganization->height());
        PanelMessage->resize(w - 25, PanelMessage->height());
    }
    PanelMessage->resize(PanelMessage->width(), h - 132);
}

// The task window: its two pages, the fill from a task object and the rule
// that widens the fields when the window grows (see TaskItem.h).
#include "ui/TaskItem.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QEvent>
#include <QFont>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <utility>

#include "display/TaskTexts.h"
#include "engine/messaging/Subject.h"
#include "ui/AppSetup.h"
#include "ui/ViewerFields.h"

using namespace ostrel::ui::fields;

namespace {

// The design's client area: the outer size 621 x 452 less the 4-pixel borders
// and the 19-pixel caption the layout was drawn for. The resize rule leaves
// the fields at their design places up to this width.
constexpr int kClientWidth = 613;
constexpr int kClientHeight = 425;
constexpr int kStartLeft = 292;
constexpr int kStartTop = 188;
constexpr int kUpDownWidth = 17;
constexpr int kReminderItemHeight = 16;
constexpr int kWidenFrom = 620; // the fields keep their design widths up to here
constexpr int kReadyMax = 100;

// Up and down arrows that step a number, like the buttons beside a spin edit.
QWidget* MakeUpDown(QWidget* page, int left, int top, const std::function<void(int)>& step) {
    auto* buttons = new QWidget(page);
    auto* layout = new QVBoxLayout(buttons);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (auto [arrow, delta] : {std::pair{Qt::UpArrow, 1}, std::pair{Qt::DownArrow, -1}}) {
        auto* button = new QToolButton(buttons);
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        // A structured binding is captured by copy: older compilers cannot capture it by name.
        QObject::connect(button, &QToolButton::clicked, buttons, [step, by = delta] { step(by); });
        layout->addWidget(button);
    }
    buttons->setGeometry(left, top, kUpDownWidth, kEditHeight);
    return buttons;
}

int EntryOrNone(uint32_t value, int count) {
    return value < uint32_t(count) ? int(value) : -1;
}

} // namespace

TTaskForm::TTaskForm(QWidget* parent) : TItemForm(parent) {
    setObjectName(QStringLiteral("TaskForm"));
    setWindowTitle(QStringLiteral("TaskForm"));
    setFont(QFont(QString::fromLatin1(ostrel::ui::kFontFamily), ostrel::ui::kFontPoints));
    pctrlTask = new QTabWidget(this);
    pctrlTask->setObjectName(QStringLiteral("pctrlTask"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pctrlTask);
    tsTask = new QWidget;
    tsDetails = new QWidget;
    pctrlTask->addTab(tsTask, QStringLiteral("Task"));
    pctrlTask->addTab(tsDetails, QStringLiteral("Details"));
    CreateTaskPage();
    CreateDetailsPage();
    pctrlTask->installEventFilter(this);
    resize(kClientWidth, kClientHeight);
    move(kStartLeft, kStartTop);
}

TTaskForm::~TTaskForm() = default;

void TTaskForm::CreateTaskPage() {
    QWidget* p = tsTask;
    LSubject = MakeLabel(p, "Subject:", 8, 16);
    edSubject = MakeEdit(p, 88, 8, 505);
    lDueTo = MakeLabel(p, "Due To:", 8, 48);
    dtpDueTo = MakeDatePicker(p, 88, 40, 129);
    lStart = MakeLabel(p, "Start:", 8, 72);
    dtpStart = MakeDatePicker(p, 88, 64, 129);
    lStatus = MakeLabel(p, "Status:", 224, 48);
    cbStatus = MakeList(
        p, 288, 40, 217,
        {"Not Started", "Task In Progress", "Task Completed", "Task Waiting", "Task Deferred"},
        false);
    lImportance = MakeLabel(p, "Importance:", 224, 72);
    cbImportance = MakeList(p, 288, 64, 97, {"Low", "Normal", "High"}, false);
    lReady = MakeLabel(p, "Ready, %", 392, 72);
    edReady = new QLineEdit(QStringLiteral("0"), p);
    edReady->setGeometry(440, 64, 49 - kUpDownWidth, kEditHeight);
    udReady = MakeUpDown(p, 440 + 49 - kUpDownWidth, 64, [this](int delta) { StepReady(delta); });
    chbReminder = new QCheckBox(QStringLiteral("Reminder:"), p);
    chbReminder->setTristate(true);
    chbReminder->setEnabled(false);
    chbReminder->move(8, 96);
    chbReminder->adjustSize();
    dtpReminderDate = MakeDatePicker(p, 88, 96, 129);
    cbReminderTime = MakeList(p, 224, 96, 73, {}, false);
    SetIntervalTime(cbReminderTime);
    for (int i = 0; i < cbReminderTime->count(); ++i)
        cbReminderTime->setItemData(i, QSize(0, kReminderItemHeight), Qt::SizeHintRole);
    cbReminderTime->setCurrentIndex(-1);
    lOwner = MakeLabel(p, "Owner:", 304, 104);
    edOwner = MakeEdit(p, 344, 96, 201);
    PanelMessage->setParent(p);
    PanelMessage->setGeometry(8, 136, 588, 253);
    PanelMessage->show();
}

void TTaskForm::CreateDetailsPage() {
    QWidget* p = tsDetails;
    lEndDate = MakeLabel(p, "End Date:", 8, 12);
    dtpEndDate = MakeDatePicker(p, 88, 8, 145);
    lTotalWork = MakeLabel(p, "Total Work:", 8, 36);
    edTotalWork = MakeEdit(p, 88, 32, 145);
    lActualWork = MakeLabel(p, "Actual Work:", 8, 60);
    edActualWork = MakeEdit(p, 88, 56, 145);
    lMileAge = MakeLabel(p, "MileAge:", 248, 36);
    edMileAge = MakeEdit(p, 296, 32, 265);
    lBillingInformation = MakeLabel(p, "Billing:", 248, 60);
    edBillingInformation = MakeEdit(p, 296, 56, 265);
    lCompanies = MakeLabel(p, "Companies:", 8, 84);
    edCompanies = MakeEdit(p, 88, 80, 473);
}

QString TTaskForm::FormatPercent(double fraction) {
    return QString::fromStdString(PercentText(fraction));
}

QString TTaskForm::FormatWork(uint32_t minutes) {
    return QString::fromStdString(WorkText(minutes));
}

void TTaskForm::ShowItem(tpstmessage* item) {
    if (!item || !item->Task) return;
    const ttaskinfo& task = *item->Task;
    if (HasSubject(*item)) {
        QString subject = Q(SubjectText(*item));
        setWindowTitle(subject + QStringLiteral("- Task"));
        edSubject->setText(subject);
    }
    dtpDueTo->setDate(LocalDate(task.DueDate));
    dtpStart->setDate(LocalDate(task.StartDate));
    ShowReminder(*item);
    cbStatus->setCurrentIndex(EntryOrNone(task.Status, cbStatus->count()));
    cbImportance->setCurrentIndex(
        item->MailInfo ? EntryOrNone(item->MailInfo->Importance, cbImportance->count()) : 1);
    edReady->setText(FormatPercent(task.PercentComplete));
    cbReminderTime->setCurrentIndex(cbReminderTime->findText(
        DateTimeOfValue(ReminderTime).time().toString(QStringLiteral("H:mm")),
        Qt::MatchFixedString | Qt::MatchCaseSensitive));
    edOwner->setText(Q(TextOf(task.Owner)));
    ShowDetails(*item);
    SetItemBody(WebBrowser, GetItemBodyText(*item));
}

void TTaskForm::ShowReminder(const tpstmessage& item) {
    ReminderTime = 0;
    if (item.Appointment) {
        const uint16_t set = item.Appointment->ReminderSet;
        chbReminder->setCheckState(set == 0             ? Qt::PartiallyChecked
                                   : set == kTriFalse16 ? Qt::Unchecked
                                                        : Qt::Checked);
        ReminderTime = FileTimeToDateTime(item.Appointment->ReminderSignalTime);
    }
    dtpReminderDate->setDate(DateTimeOfValue(ReminderTime).date());
}

void TTaskForm::ShowDetails(const tpstmessage& item) {
    const ttaskinfo& task = *item.Task;
    dtpEndDate->setDate(LocalDate(task.DateCompleted));
    edTotalWork->setText(FormatWork(task.EstimatedEffort));
    edActualWork->setText(FormatWork(task.ActualEffort));
    const tcompanies* companies = item.Companies.get();
    edCompanies->setText(
        companies && companies->Data
            ? Q(GetCompanyList(reinterpret_cast<const uint8_t*>(companies->Data->data()),
                               std::min<size_t>(companies->Size, companies->Data->size())))
            : QString());
    if (item.Contact) {
        SetIfPresent(edMileAge, item.Contact->Mileage);
        SetIfPresent(edBillingInformation, item.Contact->BillingInformation);
    }
}

void TTaskForm::StepReady(int delta) {
    bool ok = false;
    int value = edReady->text().trimmed().toInt(&ok);
    edReady->setText(QString::number(std::clamp(ok ? value + delta : 0, 0, kReadyMax)));
}

bool TTaskForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pctrlTask && event->type() == QEvent::Resize) ArrangeControls();
    return TItemForm::eventFilter(watched, event);
}

void TTaskForm::ArrangeControls() {
    const int w = pctrlTask->width();
    const int h = pctrlTask->height();
    if (w > kWidenFrom) {
        edSubject->resize(w - 108, edSubject->height());
        edOwner->resize(w - 412, edOwner->height());
        PanelMessage->resize(w - 25, PanelMessage->height());
        edMileAge->resize(w - 348, edMileAge->height());
        edBillingInformation->resize(w - 348, edBillingInformation->height());
        edCompanies->resize(w - 140, edCompanies->height());
    }
    PanelMessage->resize(PanelMessage->width(), h - 172);
}

// The appointment viewer (see AppointmentItem.h).
#include "ui/AppointmentItem.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>
#include <QTabWidget>

#include <vector>

#include "ui/SwatchList.h"
#include "ui/WebBrowser.h"

namespace {

// The client area that the outer size 629 x 452 leaves inside a frame.
constexpr int kDesignWidth = 621;
constexpr int kDesignHeight = 425;
constexpr int kStartLeft = 255;
constexpr int kStartTop = 183;
constexpr int kFieldHeight = 21;

std::vector<tswatch> LabelEntries() {
    return {{"No", QColor(255, 255, 255)},
            {"Importent", QColor(255, 0, 0)},
            {"Office", QColor(0, 0, 255)},
            {"Private", QColor(0, 128, 0)},
            {"Vacation", QColor(128, 128, 128)},
            {"Obligatory attendance", QColor(255, 128, 64)},
            {"The trip is required", QColor(0, 255, 255)},
            {"Preparation is required", QColor(128, 128, 0)},
            {"Birthday", QColor(128, 0, 128)},
            {"Anniversary", QColor(0, 128, 128)},
            {"Phone call", QColor(255, 255, 0)}};
}

std::vector<tswatch> BusyEntries() {
    return {{"Free", QColor(255, 255, 255)},
            {"Tentative", QColor(0, 0, 128), true},
            {"Busy", QColor(0, 0, 255)},
            {"Out of Office", QColor(128, 0, 128)}};
}

template <class T> T* Place(T* widget, const char* name, int left, int top, int width) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, kFieldHeight);
    return widget;
}

QLabel* MakeLabel(QWidget* page, const char* name, const char* text, int left, int top) {
    auto* label = new QLabel(QString::fromLatin1(text), page);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

QComboBox* MakeList(QWidget* page, const char* name, int left, int top, int width) {
    auto* box = Place(new QComboBox(page), name, left, top, width);
    box->setEnabled(false);
    return box;
}

QDateEdit* MakeDate(QWidget* page, const char* name, int left, int top, int width) {
    auto* picker = Place(new QDateEdit(page), name, left, top, width);
    picker->setMinimumDate(QDate(100, 1, 1));
    picker->setDisplayFormat(QString::fromLatin1(TItemForm::kShortDateFormat));
    picker->setDate(TItemForm::DateTimeOfValue(0).date());
    picker->setEnabled(false);
    return picker;
}

QCheckBox* MakeCheck(QWidget* page, const char* name, const char* text, int left, int top) {
    auto* check = new QCheckBox(QString::fromLatin1(text), page);
    check->setObjectName(QString::fromLatin1(name));
    check->move(left, top);
    check->adjustSize();
    check->setEnabled(false);
    return check;
}

void SelectIndex(QComboBox* box, int64_t index) {
    box->setCurrentIndex(index >= 0 && index < box->count() ? int(index) : -1);
}

void SelectTime(QComboBox* box, const QDateTime& when) {
    QTime t = when.time();
    box->setCurrentIndex(box->findText(
        QStringLiteral("%1:%2").arg(t.hour()).arg(t.minute(), 2, 10, QLatin1Char('0'))));
}

} // namespace

TAppointmentForm::TAppointmentForm(QWidget* parent) : TItemForm(parent) {
    setObjectName(QStringLiteral("AppointmentForm"));
    setWindowTitle(QStringLiteral("AppointmentForm"));
    pctrlApppoitment = new QTabWidget(this);
    pctrlApppoitment->setObjectName(QStringLiteral("pctrlApppoitment"));
    tsMeeting = new QWidget;
    tsMeeting->setObjectName(QStringLiteral("tsMeeting"));
    tsPlanning = new QWidget;
    tsPlanning->setObjectName(QStringLiteral("tsPlanning"));
    pctrlApppoitment->addTab(tsMeeting, QStringLiteral("Meeting"));
    pctrlApppoitment->addTab(tsPlanning, QStringLiteral("Planning"));
    pctrlApppoitment->setTabVisible(1, false);
    CreateControls();
    SetIntervalTime(cbStartTime);
    for (int i = 0; i < cbStartTime->count(); ++i)
        cbEndTime->addItem(cbStartTime->itemText(i));
    SetDurationList(cbReminderMinutesBeforeStart);
    cbStartTime->setCurrentIndex(-1);
    cbEndTime->setCurrentIndex(-1);
    cbReminderMinutesBeforeStart->setCurrentIndex(-1);
    cbLabel->setCurrentIndex(-1);
    cbBusyStatus->setCurrentIndex(-1);
    move(kStartLeft, kStartTop);
    resize(kDesignWidth, kDesignHeight);
}

TAppointmentForm::~TAppointmentForm() = default;

void TAppointmentForm::CreateControls() {
    QWidget* p = tsMeeting;
    lSubject = MakeLabel(p, "lSubject", "Subject:", 7, 13);
    edSubject = Place(new QLineEdit(p), "edSubject", 64, 8, 539);
    edSubject->setReadOnly(true);
    lLocation = MakeLabel(p, "lLocation", "Location:", 7, 37);
    cbLocation = MakeList(p, "cbLocation", 64, 32, 321);
    lLabel = MakeLabel(p, "lLabel", "Label:", 394, 39);
    cbLabel = Place(new TSwatchBox(LabelEntries(), p), "cbLabel", 434, 32, 169);
    cbLabel->setEnabled(false);
    lStartDate = MakeLabel(p, "lStartDate", "Start date:", 7, 85);
    dtpStartDate = MakeDate(p, "dtpStartDate", 88, 80, 137);
    cbStartTime = MakeList(p, "cbStartTime", 240, 80, 89);
    lEndDate = MakeLabel(p, "lEndDate", "End date:", 7, 109);
    dtpEndDate = MakeDate(p, "dtpEndDate", 88, 104, 137);
    cbEndTime = MakeList(p, "cbEndTime", 240, 104, 89);
    chbAllDay = MakeCheck(p, "chbAllDay", "All Day", 344, 80);
    chbReminderSet = MakeCheck(p, "chbReminderSet", "Reminder", 8, 144);
    cbReminderMinutesBeforeStart = MakeList(p, "cbReminderMinutesBeforeStart", 88, 144, 145);
    lBusyStatus = MakeLabel(p, "lBusyStatus", "At this time:", 270, 148);
    cbBusyStatus = Place(new TSwatchBox(BusyEntries(), p), "cbBusyStatus", 337, 144, 145);
    cbBusyStatus->setEnabled(false);
    PanelMessage->setParent(p);
    PanelMessage->setGeometry(6, 176, 598, 215);
}

void TAppointmentForm::ShowAppointment(const std::string& subject, const std::string& location,
                                       int64_t label, double start, double end, bool allDay,
                                       bool reminderSet, int reminderMinutes, int64_t busyStatus,
                                       const std::string& body) {
    edSubject->setText(QString::fromStdString(subject));
    setWindowTitle(QString::fromStdString(subject) + QStringLiteral(" - Meeting"));
    cbLocation->clear();
    cbLocation->addItem(QString::fromStdString(location));
    cbLocation->setCurrentIndex(0);
    SelectIndex(cbLabel, label);
    const QDateTime from = DateTimeOfValue(start);
    const QDateTime to = DateTimeOfValue(end);
    dtpStartDate->setDate(from.date());
    dtpEndDate->setDate(to.date());
    SelectTime(cbStartTime, from);
    SelectTime(cbEndTime, to);
    chbAllDay->setChecked(allDay);
    chbReminderSet->setChecked(reminderSet);
    SelectIndex(cbReminderMinutesBeforeStart, GetMinutesIndex(reminderMinutes));
    SelectIndex(cbBusyStatus, busyStatus);
    SetItemBody(WebBrowser, body);
}

void TAppointmentForm::resizeEvent(QResizeEvent* event) {
    TItemForm::resizeEvent(event);
    pctrlApppoitment->setGeometry(rect());
    ArrangeControls();
}

void TAppointmentForm::ArrangeControls() {
    const int w = pctrlApppoitment->width();
    const int h = pctrlApppoitment->height();
    if (w > 620) {
        lLabel->move(w - 227, lLabel->y());
        cbLabel->move(w - 187, cbLabel->y());
        cbLocation->resize(w - 300, cbLocation->height());
        edSubject->resize(w - 82, edSubject->height());
        PanelMessage->resize(w - 25, PanelMessage->height());
    }
    PanelMessage->resize(PanelMessage->width(), std::max(h - 210, 0));
}

// TAppointmentForm: the read-only window of one calendar item: subject,
// location, colour label, start and end, all-day flag, reminder, busy status
// and the body, on the page "Meeting" (the page "Planning" stays hidden).
#pragma once

#include <cstdint>
#include <string>

#include "ui/ItemForm.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTabWidget;
class TSwatchBox;

class TAppointmentForm : public TItemForm {
    Q_OBJECT
public:
    explicit TAppointmentForm(QWidget* parent = nullptr);
    ~TAppointmentForm() override;

    // Texts are 8-bit as the engine holds them (UTF-8); start and end are
    // local date-time values (0 when absent); an index outside its list
    // selects nothing.
    void ShowAppointment(const std::string& subject, const std::string& location, int64_t label,
                         double start, double end, bool allDay, bool reminderSet,
                         int reminderMinutes, int64_t busyStatus, const std::string& body);

    QTabWidget* pctrlApppoitment = nullptr;
    QWidget* tsMeeting = nullptr;
    QWidget* tsPlanning = nullptr;
    QLabel* lSubject = nullptr;
    QLineEdit* edSubject = nullptr;
    QLabel* lLocation = nullptr;
    QComboBox* cbLocation = nullptr;
    QLabel* lLabel = nullptr;
    TSwatchBox* cbLabel = nullptr;
    QLabel* lStartDate = nullptr;
    QDateEdit* dtpStartDate = nullptr;
    QComboBox* cbStartTime = nullptr;
    QLabel* lEndDate = nullptr;
    QDateEdit* dtpEndDate = nullptr;
    QComboBox* cbEndTime = nullptr;
    QCheckBox* chbAllDay = nullptr;
    QCheckBox* chbReminderSet = nullptr;
    QComboBox* cbReminderMinutesBeforeStart = nullptr;
    QLabel* lBusyStatus = nullptr;
    TSwatchBox* cbBusyStatus = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    void ArrangeControls();
};

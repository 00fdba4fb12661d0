// TTaskForm: the read-only window of one task, on the pages "Task" (subject,
// dates, status, importance, percentage done, reminder, owner, body) and
// "Details" (completion date, work figures, mileage, billing, companies).
#pragma once

#include "ui/ItemForm.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTabWidget;

class TTaskForm : public TItemForm {
    Q_OBJECT
public:
    explicit TTaskForm(QWidget* parent = nullptr);
    ~TTaskForm() override;

    // Fills the window from a task; nothing happens without its Task part.
    void ShowItem(tpstmessage* item) override;

    // PercentText (display/TaskTexts.h): the fraction times 100 as "%2.0f".
    static QString FormatPercent(double fraction);
    // WorkText (display/TaskTexts.h): minutes as whole hours, "1 h" for 90.
    static QString FormatWork(uint32_t minutes);

    QTabWidget* pctrlTask = nullptr;
    QWidget* tsTask = nullptr;
    QWidget* tsDetails = nullptr;

    QLabel* LSubject = nullptr;
    QLineEdit* edSubject = nullptr;
    QLabel* lDueTo = nullptr;
    QDateEdit* dtpDueTo = nullptr;
    QLabel* lStart = nullptr;
    QDateEdit* dtpStart = nullptr;
    QLabel* lStatus = nullptr;
    QComboBox* cbStatus = nullptr;
    QLabel* lImportance = nullptr;
    QComboBox* cbImportance = nullptr;
    QLabel* lReady = nullptr;
    // The user may edit the text or step it with the up-down buttons (0 to 100).
    QLineEdit* edReady = nullptr;
    QWidget* udReady = nullptr;
    QCheckBox* chbReminder = nullptr;
    QDateEdit* dtpReminderDate = nullptr;
    QComboBox* cbReminderTime = nullptr;
    QLabel* lOwner = nullptr;
    QLineEdit* edOwner = nullptr;

    QLabel* lEndDate = nullptr;
    QDateEdit* dtpEndDate = nullptr;
    QLabel* lTotalWork = nullptr;
    QLineEdit* edTotalWork = nullptr;
    QLabel* lActualWork = nullptr;
    QLineEdit* edActualWork = nullptr;
    QLabel* lMileAge = nullptr;
    QLineEdit* edMileAge = nullptr;
    QLabel* lBillingInformation = nullptr;
    QLineEdit* edBillingInformation = nullptr;
    QLabel* lCompanies = nullptr;
    QLineEdit* edCompanies = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateTaskPage();
    void CreateDetailsPage();
    void ShowReminder(const tpstmessage& item);
    void ShowDetails(const tpstmessage& item);
    void ArrangeControls();
    void StepReady(int delta);

    double ReminderTime = 0; // the value dtpReminderDate shows, with its time of day
};

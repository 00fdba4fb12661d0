// TJournalForm: the read-only window of one journal record: subject, entry
// type, the companies it concerns, start, duration and body.
#pragma once

#include <cstdint>
#include <string>

#include "ui/ItemForm.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;

class TJournalForm : public TItemForm {
    Q_OBJECT
public:
    explicit TJournalForm(QWidget* parent = nullptr);
    ~TJournalForm() override;

    // Texts are 8-bit as the engine holds them (UTF-8); start is a local
    // date-time value as FileTimeToDateTime gives it (0 when absent);
    // duration is in minutes.
    void ShowJournalRecord(const std::string& subject, const std::string& logType,
                           const std::string& organization, double start, uint32_t duration,
                           const std::string& body);

    // The 16 entry types, in list order.
    static const char* const kTypeNames[16];

    QWidget* PanelInfo = nullptr;
    QLabel* lSubject = nullptr;
    QLineEdit* edSubject = nullptr;
    QLabel* lType = nullptr;
    QComboBox* cbType = nullptr;
    QLabel* lOrganization = nullptr;
    QLineEdit* edOrganization = nullptr;
    QLabel* lStartDate = nullptr;
    QDateEdit* dtpStartDate = nullptr;
    QComboBox* cbStartTime = nullptr;
    QLabel* lDuration = nullptr;
    QComboBox* cbDuration = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void ArrangeControls();
};

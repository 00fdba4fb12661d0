// TContactForm: the read-only window of one contact, on the pages "General"
// (names, phones, one of three addresses, one of three e-mail entries, web
// page, notes) and "Details" (organisation and personal data). The three
// addresses and e-mail entries are kept in the window and shown one at a time
// through their selector boxes.
#pragma once

#include <array>
#include <string>

#include "ui/ItemForm.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTabWidget;

class TContactForm : public TItemForm {
    Q_OBJECT
public:
    explicit TContactForm(QWidget* parent = nullptr);
    ~TContactForm() override;

    // Fills the window from a contact; nothing happens without its Contact part.
    void ShowItem(tpstmessage* item) override;

    // Components, named as in the other viewers.
    QTabWidget* pctrlContact = nullptr;
    QWidget* tsGeneral = nullptr;
    QWidget* tsDetails = nullptr;

    QLabel* lFullName = nullptr;
    QLineEdit* edFullName = nullptr;
    QLabel* lJobTitle = nullptr;
    QLineEdit* edJobTitle = nullptr;
    QLabel* lCompany = nullptr;
    QLineEdit* edCompanyName = nullptr;
    QLabel* lSaveAs = nullptr;
    QLineEdit* edSaveAs = nullptr;
    QLabel* lPhone1 = nullptr;
    QLineEdit* edPhone1 = nullptr;
    QLabel* lPhone2 = nullptr;
    QLineEdit* edPhone2 = nullptr;
    QLabel* lPhone3 = nullptr;
    QLineEdit* edPhone3 = nullptr;
    QLabel* lPhone4 = nullptr;
    QLineEdit* edPhone4 = nullptr;
    QComboBox* cbAddressType = nullptr;
    QPlainTextEdit* mAddress = nullptr;
    QComboBox* cbEmailSelect = nullptr;
    QLineEdit* edEmail = nullptr;
    QLabel* lShortName = nullptr;
    QLineEdit* edShortName = nullptr;
    QLabel* lWebPage = nullptr;
    QLineEdit* edWebPage = nullptr;
    QLabel* lInstantMessage = nullptr;
    QLineEdit* edInstantMessage = nullptr;

    QLabel* lDepartment = nullptr;
    QLineEdit* edDepartment = nullptr;
    QLabel* lOfficeLocation = nullptr;
    QLineEdit* edOfficeLocation = nullptr;
    QLabel* lProfession = nullptr;
    QLineEdit* edProfession = nullptr;
    QLabel* lManagerName = nullptr;
    QLineEdit* edManagerName = nullptr;
    QLabel* lAssistant = nullptr;
    QLineEdit* edAssistant = nullptr;
    QLabel* lNickName = nullptr;
    QLineEdit* edNickName = nullptr;
    QLabel* lDispayPrefix = nullptr;
    QComboBox* cbDisplayPrefix = nullptr;
    QLabel* lDisplaySuffix = nullptr;
    QComboBox* cbDisplaySuffix = nullptr;
    QLabel* lSpouseName = nullptr;
    QLineEdit* edSpouseName = nullptr;
    QLabel* lBirthDay = nullptr;
    QDateEdit* dtpBirthDay = nullptr;
    QLabel* lAnniversary = nullptr;
    QDateEdit* dtpAnniversary = nullptr;

public slots:
    // Also run when the user picks an entry.
    void cbEmailSelectChange(int index);
    void cbAddressTypeChange(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateGeneralPage();
    void CreateDetailsPage();
    void StoreEntries(const tcontactinfo& contact);
    void ShowDetails(const tpstmessage& item);
    void ArrangeControls();

    // Entry 0 work / e-mail 1, 1 home / e-mail 2, 2 other / e-mail 3.
    std::array<std::string, 3> EmailAddresses;
    std::array<std::string, 3> EmailNames;
    std::array<std::string, 3> Addresses;
};

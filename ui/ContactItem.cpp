// The contact window: its two pages, the fill from a contact object, the
// e-mail and address selectors, and the rule that widens the fields when the
// window grows (see ContactItem.h).
#include "ui/ContactItem.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QEvent>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QVBoxLayout>

#include <initializer_list>

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
constexpr int kStartLeft = 327;
constexpr int kStartTop = 171;
constexpr int kWidenFrom = 620; // the fields keep their design widths up to here

QComboBox* MakeDisabledCombo(QWidget* page, int left, int top, int width,
                             const QStringList& entries) {
    QComboBox* box = MakeList(page, left, top, width, entries, true);
    box->setEditable(true);
    box->setEditText(QString());
    box->setEnabled(false);
    return box;
}

// Addresses are stored with CR LF line breaks.
QString PlainLines(const std::string& text) {
    QString lines = Q(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return lines;
}

} // namespace

TContactForm::TContactForm(QWidget* parent) : TItemForm(parent) {
    setObjectName(QStringLiteral("ContactForm"));
    setWindowTitle(QStringLiteral("ContactForm"));
    setFont(QFont(QString::fromLatin1(ostrel::ui::kFontFamily), ostrel::ui::kFontPoints));
    pctrlContact = new QTabWidget(this);
    pctrlContact->setObjectName(QStringLiteral("pctrlContact"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pctrlContact);
    tsGeneral = new QWidget;
    tsDetails = new QWidget;
    pctrlContact->addTab(tsGeneral, QStringLiteral("General"));
    pctrlContact->addTab(tsDetails, QStringLiteral("Details"));
    CreateGeneralPage();
    CreateDetailsPage();
    pctrlContact->installEventFilter(this);
    resize(kClientWidth, kClientHeight);
    move(kStartLeft, kStartTop);
}

TContactForm::~TContactForm() = default;

void TContactForm::CreateGeneralPage() {
    QWidget* p = tsGeneral;
    lFullName = MakeLabel(p, "Full Name:", 8, 16);
    edFullName = MakeEdit(p, 88, 8, 153);
    lJobTitle = MakeLabel(p, "Job Title:", 8, 40);
    edJobTitle = MakeEdit(p, 88, 32, 153);
    lCompany = MakeLabel(p, "Company:", 8, 64);
    edCompanyName = MakeEdit(p, 88, 56, 153);
    lSaveAs = MakeLabel(p, "Save As:", 8, 88);
    edSaveAs = MakeEdit(p, 88, 80, 153);
    lPhone1 = MakeLabel(p, "Work Phone:", 8, 120);
    edPhone1 = MakeEdit(p, 88, 112, 153);
    lPhone2 = MakeLabel(p, "Home Phone:", 8, 144);
    edPhone2 = MakeEdit(p, 88, 136, 153);
    lPhone3 = MakeLabel(p, "Work Fax:", 8, 168);
    edPhone3 = MakeEdit(p, 88, 160, 153);
    lPhone4 = MakeLabel(p, "Mobile:", 8, 192);
    edPhone4 = MakeEdit(p, 88, 184, 153);
    cbAddressType = MakeList(p, 8, 216, 73, {"Work", "Home", "Other"}, true);
    mAddress = new QPlainTextEdit(p);
    mAddress->setReadOnly(true);
    mAddress->setGeometry(88, 216, 153, 105);
    cbEmailSelect = MakeList(p, 272, 8, 81, {"E-Mail", "E-Mail 2", "E-Mail 3"}, true);
    edEmail = MakeEdit(p, 360, 8, 241);
    lShortName = MakeLabel(p, "Short Name:", 272, 40);
    edShortName = MakeEdit(p, 360, 32, 241);
    lWebPage = MakeLabel(p, "Web Page:", 272, 64);
    edWebPage = MakeEdit(p, 360, 56, 241);
    lInstantMessage = MakeLabel(p, "Instant Message:", 272, 88);
    edInstantMessage = MakeEdit(p, 360, 80, 241);
    PanelMessage->setParent(p);
    PanelMessage->setGeometry(272, 112, 329, 281);
    PanelMessage->show();
    connect(cbEmailSelect, &QComboBox::currentIndexChanged, this,
            &TContactForm::cbEmailSelectChange);
    connect(cbAddressType, &QComboBox::currentIndexChanged, this,
            &TContactForm::cbAddressTypeChange);
}

void TContactForm::CreateDetailsPage() {
    QWidget* p = tsDetails;
    lDepartment = MakeLabel(p, "Department:", 0, 16);
    edDepartment = MakeEdit(p, 88, 8, 140);
    lOfficeLocation = MakeLabel(p, "Office Location:", 0, 40);
    edOfficeLocation = MakeEdit(p, 88, 32, 140);
    lProfession = MakeLabel(p, "Profession:", 0, 64);
    edProfession = MakeEdit(p, 88, 56, 140);
    lManagerName = MakeLabel(p, "Manager:", 240, 16);
    edManagerName = MakeEdit(p, 304, 8, 297);
    lAssistant = MakeLabel(p, "Assistant:", 240, 40);
    edAssistant = MakeEdit(p, 304, 32, 297);
    lNickName = MakeLabel(p, "NickName:", 0, 104);
    edNickName = MakeEdit(p, 88, 96, 140);
    lDispayPrefix = MakeLabel(p, "Prefix:", 0, 128);
    cbDisplayPrefix = MakeDisabledCombo(p, 88, 120, 140, {"Mr.", "Ms.", "D.Ph."});
    lDisplaySuffix = MakeLabel(p, "Suffix:", 0, 152);
    cbDisplaySuffix = MakeDisabledCombo(p, 88, 144, 140, {"Jr.", "Sr."});
    lSpouseName = MakeLabel(p, "Spouse:", 240, 104);
    edSpouseName = MakeEdit(p, 304, 96, 121);
    lBirthDay = MakeLabel(p, "BirthDay:", 240, 128);
    dtpBirthDay = MakeDatePicker(p, 304, 120, 121);
    lAnniversary = MakeLabel(p, "Anniversary:", 240, 152);
    dtpAnniversary = MakeDatePicker(p, 304, 144, 121);
}

void TContactForm::ShowItem(tpstmessage* item) {
    if (!item || !item->Contact) return;
    const tcontactinfo& c = *item->Contact;
    SetIfPresent(edFullName, item->DisplayName);
    if (HasSubject(*item)) setWindowTitle(Q(SubjectText(*item)) + QStringLiteral("- Contact"));
    SetIfPresent(edJobTitle, c.JobTitle);
    SetIfPresent(edCompanyName, c.CompanyName);
    SetIfPresent(edSaveAs, c.FileUnder);
    SetIfPresent(edPhone1, c.BusinessTelephoneNumber);
    SetIfPresent(edPhone2, c.HomeTelephoneNumber);
    SetIfPresent(edPhone3, c.BusinessFaxNumber);
    SetIfPresent(edPhone4, c.MobileTelephoneNumber);
    StoreEntries(c);
    SetIfPresent(edWebPage, c.BusinessHomePage);
    SetItemBody(WebBrowser, GetItemBodyText(*item));
    // Selecting entry 0 again emits no change; the fields must follow the new item all the same.
    cbEmailSelect->setCurrentIndex(0);
    cbEmailSelectChange(0);
    cbAddressType->setCurrentIndex(0);
    cbAddressTypeChange(0);
    ShowDetails(*item);
}

void TContactForm::StoreEntries(const tcontactinfo& c) {
    Addresses = {TextOf(c.BusinessAddress), TextOf(c.HomeAddress), TextOf(c.OtherAddress)};
    EmailAddresses = {TextOf(c.Email1Address), TextOf(c.Email2Address), TextOf(c.Email3Address)};
    // The object keeps no PidLidEmail2DisplayName or PidLidEmail3DisplayName; the names
    // it keeps for these entries are their original display names.
    EmailNames = {TextOf(c.Email1DisplayName), TextOf(c.Email2OriginalDisplayName),
                  TextOf(c.Email3OriginalDisplayName)};
}

void TContactForm::ShowDetails(const tpstmessage& item) {
    const tcontactinfo& c = *item.Contact;
    edDepartment->setText(Q(TextOf(c.Department)));
    edOfficeLocation->setText(Q(TextOf(c.OfficeLocation)));
    edProfession->setText(Q(TextOf(c.Profession)));
    edManagerName->setText(Q(TextOf(c.ManagerName)));
    edAssistant->setText(Q(TextOf(c.Assistant)));
    edNickName->setText(Q(TextOf(c.Nickname)));
    cbDisplayPrefix->setEditText(Q(TextOf(c.DisplayNamePrefix)));
    cbDisplaySuffix->setEditText(Q(TextOf(c.Generation)));
    edSpouseName->setText(Q(TextOf(c.SpouseName)));
    dtpBirthDay->setDate(LocalDate(c.Birthday));
    dtpAnniversary->setDate(LocalDate(c.WeddingAnniversary));
}

void TContactForm::cbEmailSelectChange(int index) {
    if (index < 0 || index >= int(EmailAddresses.size())) return;
    edEmail->setText(Q(EmailAddresses[size_t(index)]));
    edShortName->setText(Q(EmailNames[size_t(index)]));
}

void TContactForm::cbAddressTypeChange(int index) {
    if (index < 0 || index >= int(Addresses.size())) return;
    mAddress->setPlainText(PlainLines(Addresses[size_t(index)]));
}

bool TContactForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pctrlContact && event->type() == QEvent::Resize) ArrangeControls();
    return TItemForm::eventFilter(watched, event);
}

void TContactForm::ArrangeControls() {
    const int w = pctrlContact->width();
    const int h = pctrlContact->height();
    const int m = w / 2;
    if (w > kWidenFrom) {
        using TWidgets = std::initializer_list<QWidget*>;
        for (QWidget* field : TWidgets{edFullName, edJobTitle, edCompanyName, edSaveAs, edPhone1,
                                       edPhone2, edPhone3, edPhone4, mAddress})
            field->resize(m - 146, field->height());
        for (QWidget* field :
             TWidgets{cbEmailSelect, lShortName, lWebPage, lInstantMessage, PanelMessage})
            field->move(m - 35, field->y());
        for (QWidget* field : TWidgets{edEmail, edShortName, edWebPage, edInstantMessage})
            field->setGeometry(m + 53, field->y(), m - 66, field->height());
        PanelMessage->resize(m + 22, PanelMessage->height());
        edManagerName->resize(w - 316, edManagerName->height());
        edAssistant->resize(w - 316, edAssistant->height());
    }
    PanelMessage->resize(PanelMessage->width(), h - 144);
}

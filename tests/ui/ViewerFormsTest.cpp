// The contact, task, journal and sticky note windows as the user sees them
// after a fill: captions, selected list entries, field texts and date
// formats, the contact's e-mail and address selectors, and the resize rules
// at the design size and wider. Objects are built here field by field, as
// the engine delivers them.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <cstdlib>
#include <ctime>
#include <memory>

#include "mailbox/uPST64File.h"
#include "tests/ui/ViewerFormsSample.h"
#include "ui/AppSetup.h"
#include "ui/ContactItem.h"
#include "ui/JournalItem.h"
#include "ui/StickyNoteItem.h"
#include "ui/TaskItem.h"
#include "ui/WebBrowser.h"

namespace {

// 7 February 2010 (a Sunday) as a date-time value: days since 30.12.1899.
constexpr double kFeb7th2010 = 40216;

double At(int hour, int minute) {
    return kFeb7th2010 + (hour * 60 + minute) / 1440.0;
}

// The stored FILETIME of a UTC time (the tests run with TZ=UTC).
tbytes FileTime(int year, int month, int day, int hour, int minute) {
    QDateTime utc(QDate(year, month, day), QTime(hour, minute), QTimeZone::utc());
    uint64_t ticks = (uint64_t(utc.toSecsSinceEpoch()) + 11644473600ull) * 10000000ull;
    tbytes bytes(8);
    for (int i = 0; i < 8; ++i)
        bytes[size_t(i)] = uint8_t(ticks >> (8 * i));
    return bytes;
}

void SetSubject(tpstmessage& item, const char* subject) {
    if (!item.MailInfo) item.MailInfo = std::make_unique<tmailinfo>();
    item.MailInfo->Subject = std::make_unique<tsubject>();
    item.MailInfo->Subject->Text = subject;
}

// PtypMultipleString: count, offsets from the value's start, UTF-16LE strings.
std::unique_ptr<tcompanies> Companies(std::initializer_list<const char16_t*> names) {
    std::u16string strings;
    std::vector<uint32_t> offsets;
    const uint32_t head = uint32_t(4 + 4 * names.size());
    for (const char16_t* name : names) {
        offsets.push_back(head + uint32_t(strings.size() * 2));
        strings += name;
    }
    std::string value;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            value.push_back(char(v >> (8 * i)));
    };
    put32(uint32_t(names.size()));
    for (uint32_t offset : offsets)
        put32(offset);
    for (char16_t c : strings)
        value += {char(c & 0xFF), char(c >> 8)};
    auto companies = std::make_unique<tcompanies>();
    companies->Size = uint32_t(value.size());
    companies->Data = value;
    return companies;
}

std::unique_ptr<tpstmessage> FullContact() {
    auto item = std::make_unique<tpstmessage>();
    item->Kind = kKindContact;
    item->DisplayName = "Ann Smith";
    SetSubject(*item, "Ann Smith");
    item->Contact = std::make_unique<tcontactinfo>();
    tcontactinfo& c = *item->Contact;
    c.JobTitle = "Buyer";
    c.CompanyName = "Example Ltd";
    c.FileUnder = "Smith, Ann";
    c.BusinessTelephoneNumber = "+1 555 0100";
    c.HomeTelephoneNumber = "+1 555 0101";
    c.BusinessFaxNumber = "+1 555 0102";
    c.MobileTelephoneNumber = "+1 555 0103";
    c.BusinessAddress = "1 Work Street\r\nWorktown";
    c.HomeAddress = "2 Home Road\r\nHometown\r\nHomeland";
    c.Email1Address = "ann@example.com";
    c.Email1DisplayName = "Ann Smith (ann@example.com)";
    c.Email2Address = "ann.smith@example.org";
    c.Email2OriginalDisplayName = "Ann at home";
    c.BusinessHomePage = "http://example.com/ann";
    c.Department = "Purchasing";
    c.OfficeLocation = "Room 4";
    c.Profession = "Engineer";
    c.ManagerName = "Bob Jones";
    c.Assistant = "Carol";
    c.Nickname = "Annie";
    c.DisplayNamePrefix = "Dr.";
    c.Generation = "Jr.";
    c.SpouseName = "Dan";
    c.Birthday = FileTime(1980, 3, 9, 0, 0);
    return item;
}

std::unique_ptr<tpstmessage> FullTask() {
    auto item = std::make_unique<tpstmessage>();
    item->Kind = kKindTask;
    SetSubject(*item, "Order paper");
    item->MailInfo->Importance = 2;
    item->Task = std::make_unique<ttaskinfo>();
    ttaskinfo& t = *item->Task;
    t.DueDate = FileTime(2010, 2, 7, 0, 0);
    t.StartDate = FileTime(2010, 2, 1, 0, 0);
    t.DateCompleted = FileTime(2010, 2, 6, 0, 0);
    t.Status = 1;
    t.PercentComplete = 0.5;
    t.EstimatedEffort = 90;
    t.ActualEffort = 150;
    t.Owner = "Ann Smith";
    item->Appointment = std::make_unique<tappointmentinfo>();
    item->Appointment->ReminderSet = 1;
    item->Appointment->ReminderSignalTime = FileTime(2010, 2, 7, 14, 30);
    item->Companies = Companies({u"A", u"B"});
    item->Contact = std::make_unique<tcontactinfo>();
    item->Contact->Mileage = "12 km";
    item->Contact->BillingInformation = "Account 7";
    return item;
}

// A viewer whose HTML view and its panel the test may look at.
template <class TForm> class TPanelShown : public TForm {
public:
    using TForm::PanelMessage;
    using TForm::WebBrowser;
};

// Shows the window with its client area at the given size and waits for the layout.
void ShowAt(QWidget& form, int width, int height) {
    form.resize(width, height);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QVERIFY(QTest::qWaitFor([&] { return form.size() == QSize(width, height); }));
    QApplication::processEvents();
}

} // namespace

class TViewerFormsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void contactCaptionAndFields();
    void contactEmailSelector();
    void contactAddressSelector();
    void contactRefillKeepsAbsentFields();
    void contactResize();

    void taskCaptionAndFields();
    void taskSelectionsAndFormats();
    void taskReminderStates();
    void taskResize();

    void journalCaptionTypeAndDuration();
    void journalResize();

    void stickyNote();

    void writtenItemsReadBack();
};

void TViewerFormsTest::initTestCase() {
    setenv("TZ", "UTC", 1);
    tzset();
    ostrel::ui::SetUpApplication(*qApp);
}

void TViewerFormsTest::contactCaptionAndFields() {
    TContactForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("ContactForm"));
    auto item = FullContact();
    form.ShowItem(item.get());
    QCOMPARE(form.windowTitle(), QStringLiteral("Ann Smith- Contact"));
    QCOMPARE(form.pctrlContact->tabText(0), QStringLiteral("General"));
    QCOMPARE(form.pctrlContact->tabText(1), QStringLiteral("Details"));
    QCOMPARE(form.edFullName->text(), QStringLiteral("Ann Smith"));
    QCOMPARE(form.edJobTitle->text(), QStringLiteral("Buyer"));
    QCOMPARE(form.edCompanyName->text(), QStringLiteral("Example Ltd"));
    QCOMPARE(form.edSaveAs->text(), QStringLiteral("Smith, Ann"));
    QCOMPARE(form.edPhone1->text(), QStringLiteral("+1 555 0100"));
    QCOMPARE(form.edPhone4->text(), QStringLiteral("+1 555 0103"));
    QCOMPARE(form.edWebPage->text(), QStringLiteral("http://example.com/ann"));
    QCOMPARE(form.edInstantMessage->text(), QString());
    QCOMPARE(form.edManagerName->text(), QStringLiteral("Bob Jones"));
    QCOMPARE(form.edNickName->text(), QStringLiteral("Annie"));
    // Prefix and suffix are shown as typed, even when not among the entries.
    QCOMPARE(form.cbDisplayPrefix->currentText(), QStringLiteral("Dr."));
    QCOMPARE(form.cbDisplaySuffix->currentText(), QStringLiteral("Jr."));
    QVERIFY(!form.cbDisplayPrefix->isEnabled());
    QCOMPARE(form.dtpBirthDay->text(), QStringLiteral("Sun 09.03.1980"));
    // No anniversary: the date value 0.
    QCOMPARE(form.dtpAnniversary->text(), QStringLiteral("Sat 30.12.1899"));
    QVERIFY(form.edFullName->isReadOnly());
    QVERIFY(form.cbEmailSelect->isEnabled() && form.cbAddressType->isEnabled());

    // Without a Contact part nothing is filled.
    TContactForm other;
    tpstmessage notContact;
    SetSubject(notContact, "x");
    other.ShowItem(&notContact);
    other.ShowItem(nullptr);
    QCOMPARE(other.windowTitle(), QStringLiteral("ContactForm"));
}

void TViewerFormsTest::contactEmailSelector() {
    TContactForm form;
    auto item = FullContact();
    form.ShowItem(item.get());
    QCOMPARE(form.cbEmailSelect->count(), 3);
    QCOMPARE(form.cbEmailSelect->itemText(2), QStringLiteral("E-Mail 3"));
    QCOMPARE(form.cbEmailSelect->currentText(), QStringLiteral("E-Mail"));
    QCOMPARE(form.edEmail->text(), QStringLiteral("ann@example.com"));
    QCOMPARE(form.edShortName->text(), QStringLiteral("Ann Smith (ann@example.com)"));
    form.cbEmailSelect->setCurrentIndex(1);
    QCOMPARE(form.edEmail->text(), QStringLiteral("ann.smith@example.org"));
    QCOMPARE(form.edShortName->text(), QStringLiteral("Ann at home"));
    form.cbEmailSelect->setCurrentIndex(2);
    QCOMPARE(form.edEmail->text(), QString());
    QCOMPARE(form.edShortName->text(), QString());

    // A refill selects the first entry again and shows the new item's first address,
    // although the selection was already there.
    form.cbEmailSelect->setCurrentIndex(0);
    item->Contact->Email1Address = "new@example.com";
    form.ShowItem(item.get());
    QCOMPARE(form.edEmail->text(), QStringLiteral("new@example.com"));
}

void TViewerFormsTest::contactAddressSelector() {
    TContactForm form;
    auto item = FullContact();
    form.ShowItem(item.get());
    QCOMPARE(form.cbAddressType->currentText(), QStringLiteral("Work"));
    QCOMPARE(form.mAddress->toPlainText(), QStringLiteral("1 Work Street\nWorktown"));
    form.cbAddressType->setCurrentIndex(1);
    QCOMPARE(form.cbAddressType->currentText(), QStringLiteral("Home"));
    QCOMPARE(form.mAddress->toPlainText(), QStringLiteral("2 Home Road\nHometown\nHomeland"));
    QCOMPARE(form.mAddress->document()->blockCount(), 3);
    form.cbAddressType->setCurrentIndex(2);
    QCOMPARE(form.mAddress->toPlainText(), QString());
}

void TViewerFormsTest::contactRefillKeepsAbsentFields() {
    TContactForm form;
    auto first = FullContact();
    form.ShowItem(first.get());
    tpstmessage second;
    second.Contact = std::make_unique<tcontactinfo>();
    second.Contact->CompanyName = "Other Inc";
    form.ShowItem(&second);
    // No subject: the caption stays; absent first-page fields keep their text.
    QCOMPARE(form.windowTitle(), QStringLiteral("Ann Smith- Contact"));
    QCOMPARE(form.edFullName->text(), QStringLiteral("Ann Smith"));
    QCOMPARE(form.edPhone2->text(), QStringLiteral("+1 555 0101"));
    QCOMPARE(form.edCompanyName->text(), QStringLiteral("Other Inc"));
    // The stored entries and the details page follow the new item.
    QCOMPARE(form.edEmail->text(), QString());
    QCOMPARE(form.mAddress->toPlainText(), QString());
    QCOMPARE(form.edDepartment->text(), QString());
    QCOMPARE(form.cbDisplayPrefix->currentText(), QString());
    QCOMPARE(form.dtpBirthDay->text(), QStringLiteral("Sat 30.12.1899"));
}

void TViewerFormsTest::contactResize() {
    TPanelShown<TContactForm> form;
    ShowAt(form, 613, 425);
    const int h = form.pctrlContact->height();
    QCOMPARE(form.pctrlContact->width(), 613);
    QCOMPARE(form.edFullName->geometry(), QRect(88, 8, 153, 21));
    QCOMPARE(form.edEmail->geometry(), QRect(360, 8, 241, 21));
    QCOMPARE(form.PanelMessage->geometry(), QRect(272, 112, 329, h - 144));
    QCOMPARE(form.edManagerName->width(), 297);

    ShowAt(form, 900, 600);
    const int w = form.pctrlContact->width();
    const int m = w / 2;
    QCOMPARE(w, 900);
    QCOMPARE(form.edFullName->width(), m - 146);
    QCOMPARE(form.mAddress->width(), m - 146);
    QCOMPARE(form.cbEmailSelect->x(), m - 35);
    QCOMPARE(form.lShortName->x(), m - 35);
    QCOMPARE(form.edEmail->geometry(), QRect(m + 53, 8, m - 66, 21));
    QCOMPARE(form.edInstantMessage->geometry(), QRect(m + 53, 80, m - 66, 21));
    QCOMPARE(form.PanelMessage->geometry(),
             QRect(m - 35, 112, m + 22, form.pctrlContact->height() - 144));
    QCOMPARE(form.edManagerName->width(), w - 316);
    QCOMPARE(form.edAssistant->width(), w - 316);
}

void TViewerFormsTest::taskCaptionAndFields() {
    TTaskForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("TaskForm"));
    QCOMPARE(form.edReady->text(), QStringLiteral("0"));
    auto item = FullTask();
    form.ShowItem(item.get());
    QCOMPARE(form.windowTitle(), QStringLiteral("Order paper- Task"));
    QCOMPARE(form.edSubject->text(), QStringLiteral("Order paper"));
    QCOMPARE(form.dtpDueTo->text(), QStringLiteral("Sun 07.02.2010"));
    QCOMPARE(form.dtpStart->text(), QStringLiteral("Mon 01.02.2010"));
    QCOMPARE(form.dtpEndDate->text(), QStringLiteral("Sat 06.02.2010"));
    QCOMPARE(form.edOwner->text(), QStringLiteral("Ann Smith"));
    QCOMPARE(form.edTotalWork->text(), QStringLiteral("1 h"));
    QCOMPARE(form.edActualWork->text(), QStringLiteral("2 h"));
    QCOMPARE(form.edCompanies->text(), QStringLiteral("A; B"));
    QCOMPARE(form.edMileAge->text(), QStringLiteral("12 km"));
    QCOMPARE(form.edBillingInformation->text(), QStringLiteral("Account 7"));
    QCOMPARE(form.edReady->text(), QStringLiteral("50"));
    QVERIFY(!form.edReady->isReadOnly());

    // Absent dates show the date value 0; no companies leaves the field empty.
    tpstmessage bare;
    bare.Task = std::make_unique<ttaskinfo>();
    form.ShowItem(&bare);
    QCOMPARE(form.windowTitle(), QStringLiteral("Order paper- Task"));
    QCOMPARE(form.dtpDueTo->text(), QStringLiteral("Sat 30.12.1899"));
    QCOMPARE(form.dtpReminderDate->text(), QStringLiteral("Sat 30.12.1899"));
    QCOMPARE(form.edCompanies->text(), QString());
    QCOMPARE(form.edTotalWork->text(), QStringLiteral("0 h"));
    QCOMPARE(form.edMileAge->text(), QStringLiteral("12 km")); // no Contact part: kept
}

void TViewerFormsTest::taskSelectionsAndFormats() {
    QCOMPARE(TTaskForm::FormatPercent(0.5), QStringLiteral("50"));
    QCOMPARE(TTaskForm::FormatPercent(0.05), QStringLiteral(" 5"));
    QCOMPARE(TTaskForm::FormatPercent(1), QStringLiteral("100"));
    QCOMPARE(TTaskForm::FormatPercent(0), QStringLiteral(" 0"));
    QCOMPARE(TTaskForm::FormatWork(90), QStringLiteral("1 h"));
    QCOMPARE(TTaskForm::FormatWork(59), QStringLiteral("0 h"));
    QCOMPARE(TTaskForm::FormatWork(600), QStringLiteral("10 h"));

    TTaskForm form;
    auto item = FullTask();
    form.ShowItem(item.get());
    QCOMPARE(form.cbStatus->currentText(), QStringLiteral("Task In Progress"));
    QCOMPARE(form.cbImportance->currentText(), QStringLiteral("High"));
    item->Task->Status = 5;
    item->MailInfo->Importance = 3;
    item->Task->PercentComplete = 1;
    form.ShowItem(item.get());
    QCOMPARE(form.cbStatus->currentIndex(), -1);
    QCOMPARE(form.cbImportance->currentIndex(), -1);
    QCOMPARE(form.edReady->text(), QStringLiteral("100"));
    // Without a MailInfo part the importance is "Normal".
    item->MailInfo.reset();
    item->Task->Status = 4;
    form.ShowItem(item.get());
    QCOMPARE(form.cbImportance->currentText(), QStringLiteral("Normal"));
    QCOMPARE(form.cbStatus->currentText(), QStringLiteral("Task Deferred"));

    // The up-down buttons step the edited number within 0 to 100.
    form.edReady->setText(QStringLiteral("99"));
    for (QObject* child : form.udReady->children())
        if (auto* button = qobject_cast<QAbstractButton*>(child)) button->click();
    QCOMPARE(form.edReady->text(), QStringLiteral("99")); // up to 100, then down to 99
}

void TViewerFormsTest::taskReminderStates() {
    TTaskForm form;
    QCOMPARE(form.cbReminderTime->count(), 48);
    auto item = FullTask();
    form.ShowItem(item.get());
    QCOMPARE(form.chbReminder->checkState(), Qt::Checked);
    QCOMPARE(form.dtpReminderDate->text(), QStringLiteral("Sun 07.02.2010"));
    QCOMPARE(form.cbReminderTime->currentText(), QStringLiteral("14:30"));
    item->Appointment->ReminderSet = kTriFalse16;
    item->Appointment->ReminderSignalTime = FileTime(2010, 2, 7, 9, 0);
    form.ShowItem(item.get());
    QCOMPARE(form.chbReminder->checkState(), Qt::Unchecked);
    QCOMPARE(form.cbReminderTime->currentText(), QStringLiteral("9:00"));
    // Absent flag: indeterminate; a time between the half hours selects no time.
    item->Appointment->ReminderSet = 0;
    item->Appointment->ReminderSignalTime = FileTime(2010, 2, 7, 9, 15);
    form.ShowItem(item.get());
    QCOMPARE(form.chbReminder->checkState(), Qt::PartiallyChecked);
    QCOMPARE(form.cbReminderTime->currentIndex(), -1);
    // No Appointment part: the box keeps its state, the date is the date value 0.
    item->Appointment.reset();
    form.ShowItem(item.get());
    QCOMPARE(form.chbReminder->checkState(), Qt::PartiallyChecked);
    QCOMPARE(form.dtpReminderDate->text(), QStringLiteral("Sat 30.12.1899"));
    QCOMPARE(form.cbReminderTime->currentText(), QStringLiteral("0:00"));
}

void TViewerFormsTest::taskResize() {
    TPanelShown<TTaskForm> form;
    ShowAt(form, 613, 425);
    int h = form.pctrlTask->height();
    QCOMPARE(form.edSubject->width(), 505);
    QCOMPARE(form.edCompanies->width(), 473);
    QCOMPARE(form.PanelMessage->geometry(), QRect(8, 136, 588, h - 172));

    ShowAt(form, 800, 560);
    const int w = form.pctrlTask->width();
    h = form.pctrlTask->height();
    QCOMPARE(form.edSubject->width(), w - 108);
    QCOMPARE(form.edOwner->width(), w - 412);
    QCOMPARE(form.edMileAge->width(), w - 348);
    QCOMPARE(form.edBillingInformation->width(), w - 348);
    QCOMPARE(form.edCompanies->width(), w - 140);
    QCOMPARE(form.PanelMessage->geometry(), QRect(8, 136, w - 25, h - 172));
}

void TViewerFormsTest::journalCaptionTypeAndDuration() {
    TJournalForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("JournalForm"));
    QCOMPARE(form.cbType->count(), 16);
    QCOMPARE(form.cbDuration->count(), 24);
    QCOMPARE(form.cbDuration->itemText(16), QStringLiteral("0,5 day"));
    QCOMPARE(form.cbStartTime->count(), 48);

    form.ShowJournalRecord("Call Ann", "Phone call", "A; B", At(14, 20), 30, "<p>x</p>");
    QCOMPARE(form.windowTitle(), QStringLiteral("Call Ann - record in journal"));
    QCOMPARE(form.edSubject->text(), QStringLiteral("Call Ann"));
    QCOMPARE(form.cbType->currentText(), QStringLiteral("Phone Call"));
    QCOMPARE(form.edOrganization->text(), QStringLiteral("A; B"));
    QCOMPARE(form.dtpStartDate->text(), QStringLiteral("07.02.2010"));
    // The time shows although no list entry has it.
    QCOMPARE(form.cbStartTime->currentText(), QStringLiteral("14:20"));
    QCOMPARE(form.cbDuration->currentText(), QStringLiteral("30 min."));

    form.ShowJournalRecord("", "Telegram", "", 0, 45, "");
    QCOMPARE(form.windowTitle(), QStringLiteral(" - record in journal"));
    QCOMPARE(form.cbType->currentIndex(), -1);
    QCOMPARE(form.cbDuration->currentIndex(), -1);
    QCOMPARE(form.dtpStartDate->text(), QStringLiteral("30.12.1899"));
    QCOMPARE(form.cbStartTime->currentText(), QStringLiteral("0:00"));

    form.ShowJournalRecord("x", "E-MAIL MESSAGE", "", At(9, 5), 720, "");
    QCOMPARE(form.cbType->currentText(), QStringLiteral("E-mail Message"));
    QCOMPARE(form.cbStartTime->currentText(), QStringLiteral("9:05"));
    QCOMPARE(form.cbDuration->currentText(), QStringLiteral("0,5 day"));
    form.ShowJournalRecord("x", "Fax", "", At(9, 5), 0xFFFFFFFFu, "");
    QCOMPARE(form.cbType->currentIndex(), 15);
    QCOMPARE(form.cbDuration->currentIndex(), -1);
}

void TViewerFormsTest::journalResize() {
    TPanelShown<TJournalForm> form;
    ShowAt(form, 613, 425);
    QCOMPARE(form.PanelInfo->size(), QSize(613, 425));
    QCOMPARE(form.edSubject->width(), 513);
    QCOMPARE(form.edOrganization->width(), 185);
    QCOMPARE(form.PanelMessage->geometry(), QRect(11, 120, 592, 425 - 132));

    ShowAt(form, 1000, 700);
    QCOMPARE(form.edSubject->width(), 1000 - 100);
    QCOMPARE(form.edOrganization->width(), 1000 - 428);
    QCOMPARE(form.PanelMessage->geometry(), QRect(11, 120, 1000 - 25, 700 - 132));
}

void TViewerFormsTest::stickyNote() {
    QCOMPARE(TStickyNoteForm::FormatModified(At(9, 5)), QStringLiteral("Sun 07.02.2010 9:05"));
    QCOMPARE(TStickyNoteForm::FormatModified(At(14, 5)), QStringLiteral("Sun 07.02.2010 14:05"));
    QCOMPARE(TStickyNoteForm::FormatModified(0), QStringLiteral("Sat 30.12.1899 0:00"));

    TPanelShown<TStickyNoteForm> form;
    QCOMPARE(form.windowTitle(), QStringLiteral("StickyNoteForm"));
    QVERIFY(form.windowFlags().testFlag(Qt::Tool));
    form.ShowStickyNote("<p>Buy milk</p>", At(9, 5));
    QCOMPARE(form.WebBrowser->DocumentText(), QStringLiteral("<p>Buy milk</p>"));
    QCOMPARE(form.windowTitle(), QString());
    QCOMPARE(form.StatusPanel->text(), QStringLiteral("Sun 07.02.2010 9:05"));
    QCOMPARE(form.palette().color(QPalette::Window), QColor(128, 128, 0));
    QCOMPARE(form.StatusBar->palette().color(QPalette::Window), QColor(128, 128, 0));

    // The view fills the window above the status line; there is no bevelled panel.
    ShowAt(form, 271, 211);
    QVERIFY(!form.PanelMessage->isVisible());
    auto viewGeometry = [&] {
        for (QWidget* child : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child->isVisible() && child != form.StatusBar) return child->geometry();
        return QRect();
    };
    QCOMPARE(viewGeometry(), QRect(0, 0, 271, form.StatusBar->y()));
    QCOMPARE(form.StatusBar->geometry().bottom(), 210);
    QCOMPARE(form.StatusBar->width(), 271);
    ShowAt(form, 400, 300);
    QCOMPARE(viewGeometry(), QRect(0, 0, 400, form.StatusBar->y()));
    QCOMPARE(form.StatusPanel->width(), 270);
    QCOMPARE(form.StatusBar->geometry().bottom(), 299);
}

// The four kinds written to a file and read back by the engine, each shown
// as the item opening hands it over: the properties the viewers name reach
// the fields they belong in.
void TViewerFormsTest::writtenItemsReadBack() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string path = (dir.path() + QStringLiteral("/viewers.pst")).toStdString();
    const viewersample::tnids nids = viewersample::Write(path);
    TPst64File pst;
    pst.Open(path);
    auto read = [&](uint32_t nid) {
        std::unique_ptr<tpstmessage> object;
        tnodeentry* next = nullptr;
        if (tnodeentry* node = FindNode(&pst.Engine, nid))
            pst.GetNextItem(node, kAnyKind, next, object);
        return object;
    };

    auto contact = read(nids.Contact);
    QVERIFY(contact && contact->Contact);
    TPanelShown<TContactForm> contactForm;
    contactForm.ShowItem(contact.get());
    QCOMPARE(contactForm.windowTitle(), QStringLiteral("Ann Smith- Contact"));
    QCOMPARE(contactForm.edSaveAs->text(), QStringLiteral("Smith, Ann"));
    QCOMPARE(contactForm.edPhone4->text(), QStringLiteral("+1 555 0103"));
    QCOMPARE(contactForm.edWebPage->text(), QStringLiteral("http://example.com/ann"));
    QCOMPARE(contactForm.mAddress->toPlainText(), QStringLiteral("1 Work Street\nWorktown"));
    contactForm.cbAddressType->setCurrentIndex(1);
    QCOMPARE(contactForm.mAddress->toPlainText(), QStringLiteral("2 Home Road\nHometown"));
    contactForm.cbAddressType->setCurrentIndex(2);
    QCOMPARE(contactForm.mAddress->toPlainText(), QStringLiteral("3 Other Lane"));
    QCOMPARE(contactForm.edShortName->text(), QStringLiteral("Ann Smith (ann@example.com)"));
    contactForm.cbEmailSelect->setCurrentIndex(1);
    QCOMPARE(contactForm.edEmail->text(), QStringLiteral("ann.smith@example.org"));
    QCOMPARE(contactForm.edShortName->text(), QStringLiteral("Ann at home"));
    QCOMPARE(contactForm.edDepartment->text(), QStringLiteral("Purchasing"));
    QCOMPARE(contactForm.cbDisplayPrefix->currentText(), QStringLiteral("Dr."));
    QCOMPARE(contactForm.cbDisplaySuffix->currentText(), QStringLiteral("Jr."));
    QCOMPARE(contactForm.dtpBirthDay->text(), QStringLiteral("Sun 09.03.1980"));
    QCOMPARE(contactForm.WebBrowser->DocumentText(), QStringLiteral("Met at the fair"));

    auto task = read(nids.Task);
    QVERIFY(task && task->Task);
    TPanelShown<TTaskForm> taskForm;
    taskForm.ShowItem(task.get());
    QCOMPARE(taskForm.windowTitle(), QStringLiteral("Order paper- Task"));
    QCOMPARE(taskForm.dtpDueTo->text(), QStringLiteral("Sun 07.02.2010"));
    QCOMPARE(taskForm.cbStatus->currentText(), QStringLiteral("Task Completed"));
    QCOMPARE(taskForm.cbImportance->currentText(), QStringLiteral("High"));
    QCOMPARE(taskForm.edReady->text(), QStringLiteral(" 5"));
    QCOMPARE(taskForm.edOwner->text(), QStringLiteral("Ann Smith"));
    QCOMPARE(taskForm.chbReminder->checkState(), Qt::Unchecked);
    QCOMPARE(taskForm.cbReminderTime->currentText(), QStringLiteral("14:30"));
    QCOMPARE(taskForm.edTotalWork->text(), QStringLiteral("1 h"));
    QCOMPARE(taskForm.edActualWork->text(), QStringLiteral("2 h"));
    QCOMPARE(taskForm.edCompanies->text(), QStringLiteral("A; B"));
    QCOMPARE(taskForm.edMileAge->text(), QStringLiteral("12 km"));
    QCOMPARE(taskForm.WebBrowser->DocumentText(), QStringLiteral("<b>Paper</b>"));

    auto journal = read(nids.Journal);
    QVERIFY(journal && journal->Journal && journal->Companies);
    TPanelShown<TJournalForm> journalForm;
    const tcompanies& companies = *journal->Companies;
    journalForm.ShowJournalRecord(
        TextOf(journal->MailInfo->Subject->Text), TextOf(journal->Journal->LogType),
        TItemForm::GetCompanyList(reinterpret_cast<const uint8_t*>(companies.Data->data()),
                                  companies.Data->size()),
        FileTimeToDateTime(journal->Journal->StartTime), journal->Journal->Duration,
        TItemForm::GetItemBodyText(*journal));
    QCOMPARE(journalForm.windowTitle(), QStringLiteral("Call with Ann - record in journal"));
    QCOMPARE(journalForm.cbType->currentText(), QStringLiteral("Phone Call"));
    QCOMPARE(journalForm.edOrganization->text(), QStringLiteral("Example Ltd"));
    QCOMPARE(journalForm.dtpStartDate->text(), QStringLiteral("08.02.2010"));
    QCOMPARE(journalForm.cbStartTime->currentText(), QStringLiteral("14:20"));
    QCOMPARE(journalForm.cbDuration->currentText(), QStringLiteral("30 min."));
    QCOMPARE(journalForm.WebBrowser->DocumentText(), QStringLiteral("Line one<BR>Line two"));

    auto note = read(nids.StickyNote);
    QVERIFY(note && note->StickyNote);
    TPanelShown<TStickyNoteForm> noteForm;
    noteForm.ShowStickyNote(TItemForm::GetItemBodyText(*note),
                            FileTimeToDateTime(note->LastModificationTime));
    QCOMPARE(noteForm.windowTitle(), QString());
    QCOMPARE(noteForm.StatusPanel->text(), QStringLiteral("Sun 07.02.2010 9:05"));
    QCOMPARE(noteForm.WebBrowser->DocumentText(), QStringLiteral("Milk<BR>bread"));
}

// The HTML view's engine must be prepared before the application exists.
int main(int argc, char** argv) {
    ostrel::ui::PrepareWebEngine();
    QApplication app(argc, argv);
    TViewerFormsTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "ViewerFormsTest.moc"

// Finding mail in the window, as a user does it: sorting by a click on a
// column header (dates as dates, numbers as numbers, text by the locale),
// the filter box on a folder of 50,000 rows, the Find window over the
// generated search mailbox (fields, folder scope, dates, results with their
// folder that open their viewer, Stop), and the keys of lists and viewers.
#include <QAbstractTableModel>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <memory>

#include "tests/display/SearchMailbox.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/FindWindow.h"
#include "ui/FolderListModel.h"
#include "ui/ItemForm.h"
#include "ui/ItemListModel.h"
#include "ui/ItemSortFilter.h"
#include "ui/Main.h"
#include "ui/SearchResultModel.h"
#include "ui/StatusLine.h"

using namespace uitest;

namespace {

constexpr int kLargeFolderRows = 50000;

// A folder's worth of rows made up on demand, counting what is read, as the
// virtual item list reads the file.
class TLargeFolder : public QAbstractTableModel {
public:
    mutable int Reads = 0;
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : kLargeFolderRows;
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : 3;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole) return {};
        ++Reads;
        const int r = index.row();
        switch (index.column()) {
        case 0:
            return r % 1000 == 7 ? QStringLiteral("Zo\u00EB %1").arg(r)
                                 : QStringLiteral("Sender %1").arg(r);
        case 1:
            return QStringLiteral("Subject number %1").arg(r);
        default:
            return QStringLiteral("Sun 2010.02.07 14:05:09");
        }
    }
};

QStringList Column(const QAbstractItemModel& model, int column) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, column).data().toString();
    return texts;
}

QString WriteSearchMailbox(const QTemporaryDir& dir, int fillers) {
    pstw::Mailbox m = searchbox::Generated();
    pstw::Folder bulk("Bulk");
    for (int i = 0; i < fillers; ++i)
        bulk.items.push_back(searchbox::Mail("Filler " + std::to_string(i), searchbox::k20200101));
    m.ipmSubtree.folders.push_back(bulk);
    const QString path = dir.filePath(QStringLiteral("search.pst"));
    pstw::MailboxWriter writer;
    pstw::writeFile(path.toStdString(), writer.write(m));
    return path;
}

std::unique_ptr<TMainForm> WindowOn(const QString& file) {
    auto form = std::make_unique<TMainForm>();
    form->SetStartFile(file);
    form->show();
    bool opened = QTest::qWaitFor(
        [&] { return form->FolderRows->rowCount() > 0 && !form->OpenRunning(); }, 60000);
    // Shortcuts and focus go to the active window.
    form->activateWindow();
    if (!opened || !QTest::qWaitForWindowActive(form.get())) return nullptr;
    return form;
}

TFindWindow* RunFind(TMainForm& form, const QString& text) {
    QTest::keyClick(&form, Qt::Key_F, Qt::ControlModifier);
    TFindWindow* find = form.FindWindow1;
    if (!find || !find->isVisible()) return nullptr;
    find->TextEdit->setText(text);
    QTest::mouseClick(find->FindButton, Qt::LeftButton);
    if (!QTest::qWaitFor([&] { return !form.SearchRunning(); }, 30000)) return nullptr;
    return find;
}

QList<TItemForm*> VisibleViewers() {
    QList<TItemForm*> viewers;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* form = qobject_cast<TItemForm*>(w); form && form->isVisible()) viewers << form;
    return viewers;
}

} // namespace

class TFindTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }
    void sortOrdersByKindOfColumn();
    void filterOnALargeFolder();
    void headerClicksSortTheWindowsList();
    void typingInTheListFilters();
    void findFillsTheListWithResultsThatOpen();
    void findInTheSelectedFolderAndDates();
    void stopEndsTheSearch();
    void keysOfListsAndViewers();

private:
    QTemporaryDir dir_;
};

void TFindTest::sortOrdersByKindOfColumn() {
    QStandardItemModel rows(4, 3);
    const QStringList dates = {"Wed 2011.01.05 10:00:00", "Mon 2010.12.27 09:00:00",
                               "Fri 2011.01.07 08:00:00", ""};
    const QStringList numbers = {"10", "9", "100", "-1.5"};
    const QStringList texts = {"beta", "\u00C4rger", "Alpha", "alpine"};
    for (int r = 0; r < 4; ++r) {
        rows.setItem(r, 0, new QStandardItem(dates[r]));
        rows.setItem(r, 1, new QStandardItem(numbers[r]));
        rows.setItem(r, 2, new QStandardItem(texts[r]));
    }
    TItemSortFilter proxy;
    proxy.setSourceModel(&rows);
    proxy.sort(0, Qt::AscendingOrder); // dates in time order, not by day name
    QCOMPARE(Column(proxy, 0), (QStringList{"", "Mon 2010.12.27 09:00:00",
                                            "Wed 2011.01.05 10:00:00", "Fri 2011.01.07 08:00:00"}));
    proxy.sort(1, Qt::AscendingOrder); // numbers as numbers
    QCOMPARE(Column(proxy, 1), (QStringList{"-1.5", "9", "10", "100"}));
    proxy.sort(1, Qt::DescendingOrder);
    QCOMPARE(Column(proxy, 1), (QStringList{"100", "10", "9", "-1.5"}));
    // Text by the locale's collation, or without one (the C locale) folded:
    // any case, Ä beside A either way.
    proxy.sort(2, Qt::AscendingOrder);
    const QStringList sorted = Column(proxy, 2);
    QCOMPARE(sorted.indexOf("Alpha"), 0);
    QVERIFY(sorted.indexOf("alpine") < sorted.indexOf("beta"));
    QVERIFY(sorted.indexOf("\u00C4rger") < sorted.indexOf("beta"));
    proxy.sort(-1);
    QCOMPARE(Column(proxy, 2), texts); // the source's order again
}

void TFindTest::filterOnALargeFolder() {
    TLargeFolder folder;
    TItemSortFilter proxy;
    int pumps = 0;
    proxy.OnReading = [&](int, int) { ++pumps; };
    proxy.setSourceModel(&folder);
    QCOMPARE(folder.Reads, 0); // nothing is read before a filter or a sort asks
    proxy.SetFilterText(QStringLiteral("ZOE"));
    QCOMPARE(proxy.rowCount(), kLargeFolderRows / 1000);
    QVERIFY(pumps >= kLargeFolderRows / TItemSortFilter::kRowsPerPump); // the window stays live
    const int reads = folder.Reads;
    QCOMPARE(reads, kLargeFolderRows * 3); // each cell once
    // Every further keystroke works on the texts kept: no row is read again.
    proxy.SetFilterText(QStringLiteral("zoe 4000"));
    QCOMPARE(proxy.rowCount(), 1);
    QCOMPARE(proxy.index(0, 0).data().toString(), QStringLiteral("Zo\u00EB 40007"));
    proxy.SetFilterText(QStringLiteral("subject number 4999"));
    QCOMPARE(proxy.rowCount(), 11); // 4999, 49990..49999
    proxy.SetFilterText(QString());
    QCOMPARE(proxy.rowCount(), kLargeFolderRows);
    // Sorting reads no row again either (the proxy itself may look at a cell or two).
    proxy.sort(1, Qt::DescendingOrder);
    QVERIFY(folder.Reads - reads < 10);
    QCOMPARE(proxy.index(0, 1).data().toString(), QStringLiteral("Subject number 49999"));
}

void TFindTest::headerClicksSortTheWindowsList() {
    auto form = WindowOn(WriteSearchMailbox(dir_, 0));
    QVERIFY(form);
    SelectFolderRow(*form, FolderRowEndingWith(*form, QStringLiteral("\\Inbox")));
    QTRY_COMPARE(form->ListView2->model()->rowCount(), 6);
    QHeaderView* header = form->ListView2->header();
    QCOMPARE(header->sortIndicatorSection(), -1);
    const int subject = 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(subject) + 5, header->height() / 2));
    QCOMPARE(header->sortIndicatorSection(), subject);
    QStringList up = Column(*form->ListView2->model(), subject);
    QCOMPARE(up.first(), QStringLiteral("Lunch"));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(subject) + 5, header->height() / 2));
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    QStringList down = Column(*form->ListView2->model(), subject);
    std::reverse(down.begin(), down.end());
    QCOMPARE(down, up);
    // Dates as dates.
    const int date = 3;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(date) + 5, header->height() / 2));
    QCOMPARE(Column(*form->ListView2->model(), date).last(),
             QStringLiteral("Thu 2022.05.05 00:00:00"));
    // The folder list keeps its order; another folder starts unsorted.
    QVERIFY(!form->ListView1->header()->sectionsClickable());
    SelectFolderRow(*form, FolderRowEndingWith(*form, QStringLiteral("\\Projects")));
    QTRY_COMPARE(form->ListView2->model()->rowCount(), 1);
    QCOMPARE(header->sortIndicatorSection(), -1);
}

void TFindTest::typingInTheListFilters() {
    auto form = WindowOn(WriteSearchMailbox(dir_, 0));
    QVERIFY(form);
    SelectFolderRow(*form, FolderRowEndingWith(*form, QStringLiteral("\\Inbox")));
    QTRY_COMPARE(form->ListView2->model()->rowCount(), 6);
    form->ListView2->setFocus();
    QTest::keyClicks(form->ListView2, QStringLiteral("ANGS"));
    QCOMPARE(form->FilterEdit->text(), QStringLiteral("ANGS"));
    QVERIFY(form->FilterEdit->hasFocus());
    QTRY_COMPARE(form->ListView2->model()->rowCount(), 1); // Zoë Ångström, as the From column shows
    QCOMPARE(ItemCell(*form, 0, 2), QStringLiteral("Quarterly Report"));
    form->ListView2->setFocus();
    QTest::keyClick(form.get(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(form->FilterEdit->hasFocus());
    QTest::keyClick(form->FilterEdit, Qt::Key_Backspace);
    QTRY_COMPARE(form->ListView2->model()->rowCount(), 6);
    // Selecting another folder empties the box.
    form->FilterEdit->setText(QStringLiteral("lunch"));
    QTRY_COMPARE(form->ListView2->model()->rowCount(), 1);
    SelectFolderRow(*form, FolderRowEndingWith(*form, QStringLiteral("\\Projects")));
    QTRY_COMPARE(form->ListView2->model()->rowCount(), 1);
    QVERIFY(form->FilterEdit->text().isEmpty());
    QCOMPARE(ItemCell(*form, 0, 2), QStringLiteral("Project kickoff"));
}

void TFindTest::findFillsTheListWithResultsThatOpen() {
    auto form = WindowOn(WriteSearchMailbox(dir_, 0));
    QVERIFY(form);
    TFindWindow* find = RunFind(*form, QStringLiteral("REPORT"));
    QVERIFY(find);
    QVERIFY(form->ShowingResults());
    QCOMPARE(ItemCaptions(*form), (QStringList{"Folder", "From", "To", "Subject", "Date"}));
    QCOMPARE(form->ListView2->model()->rowCount(), 2);
    QVERIFY(ItemCell(*form, 0, 0).endsWith(QStringLiteral("\\Inbox")));
    QCOMPARE(ItemCell(*form, 0, 3), QStringLiteral("Quarterly Report"));
    QVERIFY(ItemCell(*form, 1, 0).endsWith(QStringLiteral("\\Inbox\\Projects")));
    QCOMPARE(form->StatusBar1->Text(), QStringLiteral("items found: 2"));
    QCOMPARE(find->StatusLabel->text(), QStringLiteral("items found: 2"));
    QCOMPARE(find->Progress->value(), find->Progress->maximum());
    // Only the body field: the RTF-only body is found, the HTML's markup is not.
    find->SubjectBox->setChecked(false);
    find->PeopleBox->setChecked(false);
    find->AttachmentsBox->setChecked(false);
    find->TextEdit->setText(QStringLiteral("\u00FCber"));
    QTest::mouseClick(find->FindButton, Qt::LeftButton);
    QTRY_COMPARE(form->ListView2->model()->rowCount(), 1);
    QCOMPARE(ItemCell(*form, 0, 3), QStringLiteral("Minutes"));
    find->BodyBox->setChecked(false);
    QVERIFY(!find->FindButton->isEnabled()); // nowhere to look
    find->BodyBox->setChecked(true);
    find->TextEdit->setText(QStringLiteral("span"));
    QTest::mouseClick(find->FindButton, Qt::LeftButton);
    QTRY_COMPARE(form->StatusBar1->Text(), QStringLiteral("items found: 0"));
    // A result opens its viewer as from a folder; Enter does too.
    find->TextEdit->setText(QStringLiteral("photos"));
    find->SubjectBox->setChecked(true);
    QTest::mouseClick(find->FindButton, Qt::LeftButton);
    QTRY_COMPARE(form->ListView2->model()->rowCount(), 1);
    tnodeentry* node = form->NodeOfListRow(0);
    QVERIFY(node);
    form->ListView2->setFocus();
    form->ListView2->setCurrentIndex(form->ListView2->model()->index(0, 0));
    QTest::keyClick(form->ListView2, Qt::Key_Return);
    QVERIFY(form->CurrentForm);
    QCOMPARE(form->CurrentForm->ItemId, node->nid);
    QTRY_VERIFY(form->CurrentForm->isVisible());
    // A folder shows its own rows again.
    SelectFolderRow(*form, FolderRowEndingWith(*form, QStringLiteral("\\Inbox")));
    QTRY_COMPARE(form->ListView2->model()->rowCount(), 6);
    QVERIFY(!form->ShowingResults());
    QCOMPARE(ItemCaptions(*form), (QStringList{"From", "To", "Subject", "Date"}));
    form->DestroyViewers();
}

void TFindTest::findInTheSelectedFolderAndDates() {
    auto form = WindowOn(WriteSearchMailbox(dir_, 0));
    QVERIFY(form);
    SelectFolderRow(*form, FolderRowEndingWith(*form, QStringLiteral("\\Projects")));
    QTest::keyClick(form.get(), Qt::Key_F, Qt::ControlModifier);
    TFindWindow* find = form->FindWindow1;
    QVERIFY(find);
    find->SelectedFolderButton->setChecked(true);
    find->TextEdit->setText(QStringLiteral("report"));
    QTest::mouseClick(find->FindButton, Qt::LeftButton);
    QTRY_COMPARE(form->StatusBar1->Text(), QStringLiteral("items found: 1"));
    QCOMPARE(ItemCell(*form, 0, 3), QStringLiteral("Project kickoff"));
    // Every folder, an empty text, the year 2021: mail by sending, the appointment by its start.
    find->AllFoldersButton->setChecked(true);
    find->TextEdit->clear();
    find->FromBox->setChecked(true);
    find->FromDate->setDate(QDate(2021, 3, 1));
    find->ToBox->setChecked(true);
    find->ToDate->setDate(QDate(2021, 12, 31));
    QTest::mouseClick(find->FindButton, Qt::LeftButton);
    QTRY_COMPARE(form->StatusBar1->Text(), QStringLiteral("items found: 4"));
    find->ToDate->setDate(QDate(2021, 6, 14)); // the To day counts whole
    QTest::mouseClick(find->FindButton, Qt::LeftButton);
    QTRY_COMPARE(form->StatusBar1->Text(), QStringLiteral("items found: 2"));
    find->ToDate->setDate(QDate(2021, 6, 15));
    QTest::mouseClick(find->FindButton, Qt::LeftButton);
    QTRY_COMPARE(form->StatusBar1->Text(), QStringLiteral("items found: 3"));
}

void TFindTest::stopEndsTheSearch() {
    auto form = WindowOn(WriteSearchMailbox(dir_, 400));
    QVERIFY(form);
    QTest::keyClick(form.get(), Qt::Key_F, Qt::ControlModifier);
    TFindWindow* find = form->FindWindow1;
    QVERIFY(find);
    find->TextEdit->setText(QStringLiteral("bob"));
    bool stopWasOn = false;
    // Stop is pressed while the search runs: from the event loop that it pumps.
    QTimer::singleShot(0, this, [&] {
        stopWasOn = find->StopButton->isEnabled();
        QTest::mouseClick(find->StopButton, Qt::LeftButton);
    });
    QTest::mouseClick(find->FindButton, Qt::LeftButton);
    QTRY_VERIFY(!form->SearchRunning());
    QVERIFY(stopWasOn);
    QVERIFY(form->StatusBar1->Text().startsWith(QStringLiteral("search stopped, items found: ")));
    QVERIFY(form->ListView2->model()->rowCount() < 400);
    QVERIFY(!find->StopButton->isEnabled());
    QVERIFY(find->FindButton->isEnabled());
    // The same search to its end finds every mail addressed to Bob.
    QTest::mouseClick(find->FindButton, Qt::LeftButton);
    QTRY_COMPARE(form->StatusBar1->Text(), QStringLiteral("items found: 407"));
}

void TFindTest::keysOfListsAndViewers() {
    auto form = WindowOn(WriteSearchMailbox(dir_, 0));
    QVERIFY(form);
    const int inbox = FolderRowEndingWith(*form, QStringLiteral("\\Inbox"));
    SelectFolderRow(*form, inbox);
    QTRY_COMPARE(form->ListView2->model()->rowCount(), 6);
    // Alt+Down and Alt+Up move between folders.
    QTest::keyClick(form.get(), Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(form->ListView1->currentIndex().row(), inbox + 1);
    QTest::keyClick(form.get(), Qt::Key_Up, Qt::AltModifier);
    QCOMPARE(form->ListView1->currentIndex().row(), inbox);
    QTRY_COMPARE(form->ListView2->model()->rowCount(), 6);
    // F5 reads the folder again.
    const int reads = form->ItemRows->RowsRead();
    QTest::keyClick(form.get(), Qt::Key_F5);
    QTRY_COMPARE(form->ListView2->model()->rowCount(), 6);
    QVERIFY(form->ItemRows->RowsRead() <= reads);
    // Enter opens the selected item.
    form->ListView2->setFocus();
    form->ListView2->setCurrentIndex(form->ListView2->model()->index(1, 0));
    QTest::keyClick(form->ListView2, Qt::Key_Enter);
    TItemForm* viewer = form->CurrentForm;
    QVERIFY(viewer);
    QCOMPARE(viewer->ItemId, form->NodeOfListRow(1)->nid);
    QTRY_VERIFY(viewer->isVisible());
    // N and P: the next and previous item, in the same place.
    viewer->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(viewer));
    QTest::keyClick(viewer, Qt::Key_N);
    QCOMPARE(form->CurrentForm->ItemId, form->NodeOfListRow(2)->nid);
    QCOMPARE(form->ListView2->currentIndex().row(), 2);
    QCOMPARE(VisibleViewers().size(), 1);
    TItemForm* next = form->CurrentForm;
    next->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(next));
    QTest::keyClick(next, Qt::Key_P);
    QCOMPARE(form->CurrentForm->ItemId, form->NodeOfListRow(1)->nid);
    // Escape and Ctrl+W close the viewer.
    form->CurrentForm->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form->CurrentForm));
    QTest::keyClick(form->CurrentForm, Qt::Key_Escape);
    QTRY_VERIFY(!form->CurrentForm->isVisible());
    form->CurrentForm->show();
    form->CurrentForm->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form->CurrentForm));
    QTest::keyClick(form->CurrentForm, Qt::Key_W, Qt::ControlModifier);
    QTRY_VERIFY(!form->CurrentForm->isVisible());
    form->DestroyViewers();
}

int RunFindTests(int argc, char** argv) {
    TFindTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FindTest.moc"

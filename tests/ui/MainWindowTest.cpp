// The main window driven as a user drives it, on the generated sample
// mailbox and on real sample files: the open dialog and the start-up, the
// folder rows, the item list of every kind with its columns and cells, row
// drawing, the open flow's guards, a second open, agreement with the
// command line, the EML export and the about window.
#include <QApplication>
#include <QDirIterator>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>

#include "tests/ui/SampleMailbox.h"
#include "tests/ui/UiTestSupport.h"
#include "tools/pstwriter/PstDamage.h"
#include "tools/pstwriter/PstMailbox.h"
#include "ui/About.h"
#include "ui/AppSetup.h"
#include "ui/FolderListModel.h"
#include "ui/ImageList.h"
#include "ui/ItemListModel.h"
#include "ui/ListRoles.h"
#include "ui/Main.h"
#include "ui/RowDelegate.h"
#include "ui/StatusLine.h"

using namespace uitest;

namespace {

const QString kTop = QStringLiteral("\\\\Top of Personal Folders");
const char* const kOutlook1 = "aspose-email_Aspose.Email-for-.NET__Outlook_1.pst";

// A shown window that opened `file` at its first showing, as `quarrow-ostrel FILE` does.
std::unique_ptr<TMainForm> WindowOn(const QString& file) {
    auto form = std::make_unique<TMainForm>();
    form->SetStartFile(file);
    form->show();
    bool opened = QTest::qWaitFor(
        [&] { return form->FolderRows->rowCount() > 0 && !form->OpenRunning(); }, 60000);
    return opened ? std::move(form) : nullptr;
}

int RowOf(const TMainForm& form, const QString& suffix) {
    int row = FolderRowEndingWith(form, suffix);
    if (row < 0) qWarning("no folder row ending with %s", qPrintable(suffix));
    return row;
}

// The window's rows as `ostrel items` prints them, trailing empty cells left out.
QString RowText(const TMainForm& form, int row) {
    QStringList cells;
    for (int c = 0; c < form.ItemRows->columnCount(); ++c)
        cells << ItemCell(form, row, c);
    while (!cells.isEmpty() && cells.last().isEmpty())
        cells.removeLast();
    return cells.join(QLatin1Char('\t'));
}

QString Cli(const QStringList& arguments) {
    QProcess cli;
    cli.start(QStringLiteral(OSTREL_CLI), arguments);
    cli.waitForFinished(60000);
    return QString::fromUtf8(cli.readAllStandardOutput());
}

// Relative path -> contents of every file below `dir`.
std::map<QString, QByteArray> FilesBelow(const QString& dir) {
    std::map<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QString path = it.next();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        files[QDir(dir).relativeFilePath(path)] = file.readAll();
    }
    return files;
}

// MIME boundaries are random: each is replaced by its number of appearance.
// A message without a time of its own is dated with the current time: with
// `anyDate` the Date field is left out of the comparison.
QByteArray Comparable(QByteArray text, bool anyDate) {
    if (anyDate) {
        static const QRegularExpression date(QStringLiteral("^Date: [^\r\n]*"),
                                             QRegularExpression::MultilineOption);
        text = QString::fromLatin1(text).replace(date, QStringLiteral("Date: -")).toLatin1();
    }
    static const QRegularExpression boundary(QStringLiteral("boundary=\"([^\"]+)\""));
    QString asText = QString::fromLatin1(text);
    QStringList found;
    for (auto it = boundary.globalMatch(asText); it.hasNext();)
        found << it.next().captured(1);
    for (int i = 0; i < found.size(); ++i)
        text.replace(found[i].toLatin1(), "BOUNDARY" + QByteArray::number(i));
    return text;
}

} // namespace

class TMainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void startsWithOpenDialogAndCancelLeavesEmptyWindow();
    void startFileOpensWithoutDialog();
    void folderRowsWithDepthCaptionsAndPaths();
    void folderFiltersAndDeepRows();
    void columnSetsOfEveryKind_data();
    void columnSetsOfEveryKind();
    void lastColumnFillsTheWidth();
    void mailCellsWithPlaceholders();
    void cellsOfTheOtherKinds();
    void rowsAreReadOnceForARepaint();
    void itemOfAnotherFolderGivesAnEmptyRow();
    void rowDrawing();
    void rootRowLeavesItemListEmpty();
    void commandsAreDisabledWhileOpening();
    void secondOpenReplacesTheFirst();
    void notAMailboxSaysWhyInTheStatusLine();
    void recoveredMailHasItsOwnColour();
    void windowAgreesWithCommandLine();
    void exportWritesWhatCommandLineWrites();
    void exportChooserCancelled();
    void mboxExportByTheMenuCommand();
    void aboutWindow();
};

void TMainWindowTest::initTestCase() {
    qputenv("TZ", "UTC");
    tzset();
    ostrel::ui::SetUpApplication(*qApp);
    QVERIFY(!GeneratedMailbox().isEmpty());
}

void TMainWindowTest::startsWithOpenDialogAndCancelLeavesEmptyWindow() {
    TMainForm form;
    QString title, suffix;
    QStringList filters;
    WhenModal([&](QWidget* dialog) {
        auto* fd = qobject_cast<QFileDialog*>(dialog);
        QVERIFY(fd);
        title = fd->windowTitle();
        filters = fd->nameFilters();
        suffix = fd->defaultSuffix();
        fd->reject();
    });
    form.show();
    QTRY_COMPARE_WITH_TIMEOUT(title, QStringLiteral("Select PST file"), 10000);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QCOMPARE(filters, QStringList({"PST/OST Files (*.pst *.ost)", "All Files (*)"}));
    QCOMPARE(suffix, QStringLiteral("pst"));
    QCOMPARE(form.FolderRows->rowCount(), 0);
    QCOMPARE(form.ItemRows->rowCount(), 0);
    QVERIFY(form.OpenAction->isEnabled());

    // "Open..." still brings up the dialog afterwards. (Opening through the
    // dialog itself is left out: QFileDialog accepts a name only once its
    // background file model knows it, which under Xvfb may never happen.)
    QString again;
    WhenModal([&](QWidget* dialog) {
        again = dialog->windowTitle();
        static_cast<QDialog*>(dialog)->reject();
    });
    form.OpenAction->trigger();
    QCOMPARE(again, QStringLiteral("Select PST file"));
    QCOMPARE(form.FolderRows->rowCount(), 0);
}

void TMainWindowTest::startFileOpensWithoutDialog() {
    auto form = WindowOn(GeneratedMailbox());
    QVERIFY(form);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(form->windowTitle(), QStringLiteral("Quarrow Ostrel"));
    QCOMPARE(form->frameGeometry().size(), QSize(769, 521));
    QCOMPARE(form->ListView1->height(), 225);
    QCOMPARE(form->StatusBar1->height(), 19);
    QCOMPARE(form->OpenAction->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    QCOMPARE(form->CloseAction->shortcut(), QKeySequence(QStringLiteral("Alt+F4")));
    QCOMPARE(QApplication::font().family(), QStringLiteral("Liberation Sans"));
    QCOMPARE(QApplication::font().pointSize(), 8);
    QVERIFY(!form->StatusBar1->ProgressBar()->isVisible());
}

void TMainWindowTest::folderRowsWithDepthCaptionsAndPaths() {
    auto form = WindowOn(GeneratedMailbox());
    QVERIFY(form);
    const QString file = GeneratedMailbox();
    QCOMPARE(FolderCell(*form, 0, 0), QStringLiteral("Outlook"));
    QCOMPARE(FolderCell(*form, 0, 1), file);
    QCOMPARE(form->FolderRows->index(0, 0).data(ostrel::ui::kHasNodeRole).toBool(), false);

    int inbox = RowOf(*form, kTop + QStringLiteral("\\Inbox"));
    QVERIFY(inbox > 0);
    QCOMPARE(FolderCell(*form, inbox, 0), QStringLiteral("Inbox(12)"));
    QCOMPARE(FolderCell(*form, inbox, 1), file + kTop + QStringLiteral("\\Inbox"));
    QCOMPARE(form->FolderRows->Row(inbox)->Depth, 3);
    // A subfolder lands directly below its parent; an empty folder has no count.
    QCOMPARE(FolderCell(*form, inbox + 1, 0), QStringLiteral("Project X(4)"));
    QCOMPARE(form->FolderRows->Row(inbox + 1)->Depth, 4);
    QCOMPARE(FolderCell(*form, RowOf(*form, QStringLiteral("\\Deleted Items")), 0),
             QStringLiteral("Deleted Items"));
    // Later siblings stand above earlier ones.
    QVERIFY(RowOf(*form, QStringLiteral("\\Tasks")) < RowOf(*form, QStringLiteral("\\Sent Items")));
    QCOMPARE(form->StatusBar1->Text(), QStringLiteral("folder items: 20, file: ") + file);
    QCOMPARE(form->FolderRows->index(inbox, 0).data(ostrel::ui::kImageIndexRole).toInt(), 3);
}

void TMainWindowTest::folderFiltersAndDeepRows() {
    auto form = WindowOn(GeneratedMailbox());
    QVERIFY(form);
    // "IPM_" folders are left out; their child goes directly under the root row.
    QCOMPARE(FolderRowEndingWith(*form, QStringLiteral("IPM_COMMON_VIEWS")), -1);
    int orphan = RowOf(*form, QStringLiteral(".pst\\Orphaned"));
    QVERIFY(orphan > 0);
    QCOMPARE(FolderCell(*form, orphan, 0), QStringLiteral("Orphaned(1)"));
    QCOMPARE(form->FolderRows->Row(orphan)->Depth, 1);
    // Depth 7 and deeper: no icon.
    int level5 = RowOf(*form, QStringLiteral("\\Level 5"));
    int level4 = RowOf(*form, QStringLiteral("\\Level 4"));
    QCOMPARE(form->FolderRows->Row(level5)->Depth, 7);
    QCOMPARE(form->FolderRows->index(level5, 0).data(ostrel::ui::kImageIndexRole).toInt(), -1);
    QVERIFY(form->FolderRows->index(level5, 0).data(Qt::DecorationRole).value<QPixmap>().isNull());
    QCOMPARE(form->FolderRows->index(level4, 0).data(ostrel::ui::kImageIndexRole).toInt(), 6);
    QVERIFY(!form->FolderRows->index(level4, 0).data(Qt::DecorationRole).value<QPixmap>().isNull());
}

void TMainWindowTest::columnSetsOfEveryKind_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<QString>("reading");
    QTest::addColumn<QString>("status");
    QTest::newRow("mail") << "\\Inbox" << QStringList{"From", "To", "Subject", "Date"}
                          << QList<int>{150, 150, 300} << "Reading emails..."
                          << "mail messages: 12";
    QTest::newRow("calendar") << "\\Calendar" << QStringList{"Subject", "From", "To"}
                              << QList<int>{250, 150} << "Reading calendar items..."
                              << "calendar records: 4";
    QTest::newRow("contacts") << "\\Contacts"
                              << QStringList{"Full name", "Short name", "Organization", "Ocupation",
                                             "Telephone"}
                              << QList<int>{200, 200, 200, 200} << "Reading contacts..."
                              << "contact items: 4";
    QTest::newRow("journal") << "\\Journal"
                             << QStringList{"Subject", "Type", "Start date", "End date"}
                             << QList<int>{200, 200, 200} << "Reading journal records..."
                             << "Journal records: 3";
    QTest::newRow("notes") << "\\Notes" << QStringList{"Subject", "Body", "Last modification"}
                           << QList<int>{200, 200} << "Reading sticky notes..."
                           << "Sticky notes: 3";
    QTest::newRow("tasks") << "\\Tasks" << QStringList{"Task", "Period"} << QList<int>{250}
                           << "Reading tasks..."
                           << "task items: 3";
}

void TMainWindowTest::columnSetsOfEveryKind() {
    QFETCH(QString, folder);
    QFETCH(QStringList, captions);
    QFETCH(QList<int>, widths);
    QFETCH(QString, reading);
    QFETCH(QString, status);
    auto form = WindowOn(GeneratedMailbox());
    QVERIFY(form);
    // The reading text is on the status line while the items are collected.
    QStringList seen;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] { seen << form->StatusBar1->Text(); });
    watch.start(0);
    SelectFolderRow(*form, RowOf(*form, folder));
    watch.stop();
    QVERIFY2(seen.contains(reading), qPrintable(seen.join(" | ")));
    QCOMPARE(ItemCaptions(*form), captions);
    QVERIFY(!form->ListView2->isHeaderHidden());
    for (int i = 0; i < widths.size(); ++i)
        QCOMPARE(form->ListView2->header()->sectionSize(i), widths[i]);
    QCOMPARE(form->StatusBar1->Text(), status);
    QCOMPARE(form->ItemRows->rowCount(), status.section(QLatin1Char(' '), -1).toInt());
}

void TMainWindowTest::lastColumnFillsTheWidth() {
    auto form = WindowOn(GeneratedMailbox());
    QVERIFY(form);
    SelectFolderRow(*form, RowOf(*form, QStringLiteral("\\Inbox")));
    QHeaderView* header = form->ListView2->header();
    auto lastFills = [&] {
        return header->sectionSize(3) == form->ListView2->viewport()->width() - 600;
    };
    QTRY_VERIFY(lastFills());
    form->resize(form->width() + 200, form->height());
    QTRY_VERIFY(lastFills());
    QCOMPARE(header->sectionSize(0), 150);
    QCOMPARE(header->sectionSize(2), 300);
}

void TMainWindowTest::mailCellsWithPlaceholders() {
    auto form = WindowOn(GeneratedMailbox());
    QVERIFY(form);
    SelectFolderRow(*form, RowOf(*form, QStringLiteral("\\Inbox")));
    QCOMPARE(RowText(*form, 0),
             QStringLiteral("Ann Smith(ann@example.com)\tBob Jones\tQuarterly report\t"
                            "Mon 2010.02.01 09:00:00"));
    // A directory address shows the name; closing tags are cleaned away.
    QCOMPARE(RowText(*form, 11),
             QStringLiteral("Directory User\tAnn; Bob\t<No subject>\tSun 2010.02.07 14:05:09"));
    QCOMPARE(form->ItemRows->index(0, 0).data(ostrel::ui::kImageIndexRole).toInt(), 4);

    SelectFolderRow(*form, RowOf(*form, QStringLiteral("\\Project X")));
    QCOMPARE(RowText(*form, 2), QStringLiteral("<Unknown sender>\t<Uknown recipient>\tAnonymous"));
    QCOMPARE(ItemCell(*form, 2, 3), QString());
    QCOMPARE(ItemCell(*form, 3, 0), QString(255, QLatin1Char('n')) + "(long@example.com)");
}

void TMainWindowTest::cellsOfTheOtherKinds() {
    auto form = WindowOn(GeneratedMailbox());
    QVERIFY(form);
    SelectFolderRow(*form, RowOf(*form, QStringLiteral("\\Calendar")));
    QCOMPARE(RowText(*form, 0), QStringLiteral("Review( Room 1)\tMon 2010.02.08 10:00:00\t"
                                               "Mon 2010.02.08 11:00:00"));
    QCOMPARE(ItemCell(*form, 1, 0), QStringLiteral("Dentist"));
    QCOMPARE(form->ItemRows->index(0, 0).data(ostrel::ui::kImageIndexRole).toInt(), 5);

    SelectFolderRow(*form, RowOf(*form, QStringLiteral("\\Contacts")));
    QCOMPARE(RowText(*form, 0), QStringLiteral("Smith, Ann\tann@example.com\tExample Ltd\t"
                                               "Engineer\t+1 555 0100"));
    QCOMPARE(ItemCell(*form, 2, 0), QStringLiteral("Carl Brown")); // no file-under name
    QCOMPARE(form->ItemRows->index(0, 0).data(ostrel::ui::kImageIndexRole).toInt(), 6);

    SelectFolderRow(*form, RowOf(*form, QStringLiteral("\\Journal")));
    QCOMPARE(RowText(*form, 2), QStringLiteral("\tDocument\tWed 2010.02.10 16:00:00\t"
                                               "Wed 2010.02.10 16:30:00"));
    QCOMPARE(form->ItemRows->index(0, 0).data(ostrel::ui::kImageIndexRole).toInt(), -1);

    SelectFolderRow(*form, RowOf(*form, QStringLiteral("\\Notes")));
    QCOMPARE(RowText(*form, 2),
             QStringLiteral("\tA note without a subject\tMon 2010.02.08 07:15:00"));

    SelectFolderRow(*form, RowOf(*form, QStringLiteral("\\Tasks")));
    QCOMPARE(RowText(*form, 0), QStringLiteral("Renew passport\tMon 2010.03.01 09:00:00"));
    QCOMPARE(RowText(*form, 2), QStringLiteral("Water the plants"));
}

void TMainWindowTest::rowsAreReadOnceForARepaint() {
    auto form = WindowOn(GeneratedMailbox());
    QVERIFY(form);
    SelectFolderRow(*form, RowOf(*form, QStringLiteral("\\Inbox")));
    form->ListView2->viewport()->repaint();
    int read = form->ItemRows->RowsRead();
    QVERIFY(read > 0 && read <= 12);
    form->ListView2->viewport()->repaint();
    QCOMPARE(form->ItemRows->RowsRead(), read);
    // Another folder drops the cache.
    SelectFolderRow(*form, RowOf(*form, QStringLiteral("\\Sent Items")));
    form->ListView2->viewport()->repaint();
    QVERIFY(form->ItemRows->RowsRead() <= 2);
}

void TMainWindowTest::itemOfAnotherFolderGivesAnEmptyRow() {
    auto form = WindowOn(GeneratedMailbox());
    QVERIFY(form);
    const tfolderrow* sent = form->FolderRows->Row(RowOf(*form, QStringLiteral("\\Sent Items")));
    const tfolderrow* inbox = form->FolderRows->Row(RowOf(*form, QStringLiteral("\\Inbox")));
    // The list of Sent Items, but the mailbox's collection holds Inbox's items.
    TPst64File& pst = *form->Mailbox();
    pst.ClearItemList();
    pst.Enumerating = true;
    pst.CollectItems(inbox->Node->pFirstChild, kKindMail, 0);
    pst.Enumerating = false;
    form->ItemRows->ShowFolder(&pst, sent->Node, {{"From", 150}, {"To", 150}}, 2);
    QCOMPARE(ItemCell(*form, 0, 0), QString());
    QCOMPARE(form->ItemRows->index(0, 0).data(ostrel::ui::kHasNodeRole).toBool(), false);
    QCOMPARE(form->ItemRows->index(0, 0).data(ostrel::ui::kImageIndexRole).toInt(), -1);
    pst.ClearItemList();
}

void TMainWindowTest::rowDrawing() {
    auto form = WindowOn(GeneratedMailbox());
    QVERIFY(form);
    auto* delegate = qobject_cast<TRowDelegate*>(form->ListView1->itemDelegate());
    QVERIFY(delegate);
    QModelIndex rootPath = form->FolderRows->index(0, 1);
    TRowDelegate::CellLook root = delegate->LookOf(rootPath, false);
    QCOMPARE(root.Text, QColor(128, 128, 128));
    QVERIFY(root.Italic && !root.Bold);
    QVERIFY(delegate->LookOf(form->FolderRows->index(0, 0), false).Bold);
    TRowDelegate::CellLook odd = delegate->LookOf(form->FolderRows->index(1, 1), false);
    QCOMPARE(odd.Back, QColor(244, 244, 244));
    QCOMPARE(odd.Text, QColor(74, 74, 74));
    QVERIFY(!odd.Italic);
    QVERIFY(!delegate->LookOf(form->FolderRows->index(2, 1), false).Back.isValid());
    TRowDelegate::CellLook selected = delegate->LookOf(form->FolderRows->index(1, 0), true);
    QCOMPARE(selected.Back, QColor(33, 70, 131));
    QCOMPARE(selected.Text, QColor(Qt::white));

    // On screen: a selected row is dark blue, an odd row light gray.
    int inbox = RowOf(*form, QStringLiteral("\\Inbox"));
    SelectFolderRow(*form, inbox);
    form->ListView1->scrollTo(form->FolderRows->index(inbox, 0));
    QTest::qWait(50);
    QImage shot = form->ListView1->viewport()->grab().toImage();
    QRect selectedRect = form->ListView1->visualRect(form->FolderRows->index(inbox, 1));
    QCOMPARE(QColor(shot.pixel(selectedRect.right() - 3, selectedRect.top() + 1)),
             QColor(33, 70, 131));
    int oddRow = inbox % 2 == 1 ? inbox + 1 : inbox - 1;
    oddRow = oddRow % 2 == 1 ? oddRow : oddRow + 2;
    QRect oddRect = form->ListView1->visualRect(form->FolderRows->index(oddRow, 1));
    if (oddRect.isValid() && form->ListView1->viewport()->rect().contains(oddRect))
        QCOMPARE(QColor(shot.pixel(oddRect.right() - 3, oddRect.top() + 1)), QColor(244, 244, 244));
}

void TMainWindowTest::rootRowLeavesItemListEmpty() {
    auto form = WindowOn(GeneratedMailbox());
    QVERIFY(form);
    SelectFolderRow(*form, RowOf(*form, QStringLiteral("\\Inbox")));
    QCOMPARE(form->ItemRows->rowCount(), 12);
    SelectFolderRow(*form, 0);
    QCOMPARE(form->ItemRows->rowCount(), 0);
    QCOMPARE(form->ItemRows->columnCount(), 0);
    QVERIFY(form->ListView2->isHeaderHidden());
    QCOMPARE(form->StatusBar1->Text(), QStringLiteral("mail messages: 12")); // kept
}

void TMainWindowTest::commandsAreDisabledWhileOpening() {
    auto form = WindowOn(GeneratedMailbox());
    QVERIFY(form);
    int turns = 0;
    bool openEnabled = false, closeEnabled = false, barShown = false, closed = false;
    QTimer during;
    connect(&during, &QTimer::timeout, [&] {
        if (!form->OpenRunning()) return;
        ++turns;
        openEnabled |= form->OpenAction->isEnabled();
        closeEnabled |= form->CloseAction->isEnabled();
        barShown |= form->StatusBar1->ProgressBar()->isVisible();
        closed |= form->close();
        // Neither a selection nor another open may start while this one runs.
        if (form->FolderRows->rowCount() > 1) SelectFolderRow(*form, 1);
        form->OpenPstFile(QStringLiteral("/nonexistent.pst"));
    });
    during.start(0);
    QVERIFY(OpenAndWait(*form, GeneratedMailbox()));
    during.stop();
    QVERIFY(turns > 0);
    QVERIFY(!openEnabled && !closeEnabled && !closed);
    QVERIFY(barShown);
    QVERIFY(form->isVisible());
    QVERIFY(form->OpenAction->isEnabled() && form->CloseAction->isEnabled());
    QVERIFY(!form->StatusBar1->ProgressBar()->isVisible());
    QCOMPARE(form->FolderRows->rowCount(), 21);
    QCOMPARE(form->ItemRows->rowCount(), 0);
}

void TMainWindowTest::secondOpenReplacesTheFirst() {
    QTemporaryDir dir;
    QString ansi = dir.filePath(QStringLiteral("ansi.pst"));
    sample::Write(ansi.toStdString(), pstw::Layout::Ansi);
    auto form = WindowOn(GeneratedMailbox());
    QVERIFY(form);
    SelectFolderRow(*form, RowOf(*form, QStringLiteral("\\Inbox")));
    QCOMPARE(form->ItemRows->rowCount(), 12);
    QVERIFY(OpenAndWait(*form, ansi));
    QCOMPARE(form->ItemRows->rowCount(), 0);
    QVERIFY(form->ListView2->isHeaderHidden());
    QCOMPARE(FolderCell(*form, 0, 1), ansi);
    for (int row = 1; row < form->FolderRows->rowCount(); ++row)
        QVERIFY(FolderCell(*form, row, 1).startsWith(ansi));
    QCOMPARE(form->StatusBar1->Text(), QStringLiteral("folder items: 20, file: ") + ansi);
    SelectFolderRow(*form, RowOf(*form, QStringLiteral("\\Inbox")));
    QCOMPARE(form->ItemRows->rowCount(), 12);
    QCOMPARE(ItemCell(*form, 11, 3), QStringLiteral("Sun 2010.02.07 14:05:09"));
}

void TMainWindowTest::notAMailboxSaysWhyInTheStatusLine() {
    QTemporaryDir dir;
    QString text = dir.filePath(QStringLiteral("letter.pst"));
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("From someone@example.com\nnot a mailbox\n");
    file.close();
    auto form = WindowOn(text);
    QVERIFY(form);
    QCOMPARE(form->FolderRows->rowCount(), 1);
    // The status line says why, as `ostrel` does on standard error.
    QCOMPARE(form->StatusBar1->Text(),
             QStringLiteral("cannot read ") + text +
                 QStringLiteral(": not an Outlook data file (it does not begin with \"!BDN\")"));
    QVERIFY(!QApplication::activeModalWidget());
}

// A mail deleted from its NBT leaf (cEnt lowered below its slot) comes back
// in the item list in a colour of its own; live mail keeps the list's.
void TMainWindowTest::recoveredMailHasItsOwnColour() {
    pstw::Options o;
    o.layout = pstw::Layout::Unicode;
    o.maxEntriesPerPage = 4;
    pstw::MailboxWriter writer(o);
    pstw::Mailbox m;
    pstw::Folder inbox("Inbox");
    for (int i = 0; i < 6; ++i) {
        pstw::Item mail;
        mail.subject = "Mail " + std::to_string(i);
        inbox.items.push_back(mail);
    }
    m.ipmSubtree.folders = {inbox};
    std::vector<uint8_t> bytes = writer.write(m);
    // The leaf that holds the last mail loses its last entry.
    uint32_t last = writer.items().back().nid;
    const pstw::PageInfo* leaf = nullptr;
    for (const pstw::PageInfo& p : writer.ndb().pages())
        if (p.nbt && p.level == 0 && p.firstKey <= last && (!leaf || p.firstKey > leaf->firstKey))
            leaf = &p;
    QVERIFY(leaf);
    pstw::lowerEntryCount(bytes, o.layout, leaf->offset, leaf->entries - 1);
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("deleted.pst"));
    pstw::writeFile(file.toStdString(), bytes);

    auto form = WindowOn(file);
    QVERIFY(form);
    SelectFolderRow(*form, RowOf(*form, QStringLiteral("\\Inbox")));
    QCOMPARE(form->ItemRows->rowCount(), 6);
    int coloured = 0;
    for (int row = 0; row < 6; ++row) {
        QModelIndex cell = form->ItemRows->index(row, 0);
        QVariant colour = form->ItemRows->data(cell, Qt::ForegroundRole);
        if (!colour.isValid()) continue;
        ++coloured;
        QVERIFY(colour.value<QColor>() != TRowDelegate::kText);
        QVERIFY(!form->ItemRows->data(cell, Qt::ToolTipRole).toString().isEmpty());
    }
    QCOMPARE(coloured, 1);
}

void TMainWindowTest::windowAgreesWithCommandLine() {
    QStringList files{GeneratedMailbox()};
    QString real = RealSample(QString::fromLatin1(kOutlook1));
    if (real.isEmpty())
        qWarning("real sample %s absent: only the generated mailbox is compared", kOutlook1);
    else
        files << real;
    for (const QString& file : files) {
        auto form = WindowOn(file);
        QVERIFY(form);
        QString folders;
        for (int row = 0; row < form->FolderRows->rowCount(); ++row)
            folders += QString::number(form->FolderRows->Row(row)->Depth) + "\t" +
                       FolderCell(*form, row, 0) + "\t" + FolderCell(*form, row, 1) + "\n";
        folders += form->StatusBar1->Text() + "\n";
        QCOMPARE(folders, Cli({"folders", file}));
        for (int row = 1; row < form->FolderRows->rowCount(); ++row) {
            SelectFolderRow(*form, row);
            QString items = ItemCaptions(*form).join(QLatin1Char('\t')) + "\n";
            for (int i = 0; i < form->ItemRows->rowCount(); ++i)
                items += RowText(*form, i) + "\n";
            items += form->StatusBar1->Text() + "\n";
            QString cli = Cli({"items", file, FolderCell(*form, row, 1)});
            // The command line prints omitted trailing cells as nothing, as RowText does.
            QStringList lines = cli.split(QLatin1Char('\n'));
            for (QString& line : lines)
                while (line.endsWith(QLatin1Char('\t')))
                    line.chop(1);
            QCOMPARE(items, lines.join(QLatin1Char('\n')));
        }
    }
}

void TMainWindowTest::exportWritesWhatCommandLineWrites() {
    QStringList files{GeneratedMailbox()};
    QString real = RealSample(QString::fromLatin1(kOutlook1));
    if (!real.isEmpty()) files << real;
    int* boxes = AcceptMessageBoxes();
    for (const QString& file : files) {
        // The generated items all carry their times; real ones may not.
        bool anyDate = file != GeneratedMailbox();
        QTemporaryDir byWindow, byCli;
        auto form = WindowOn(file);
        QVERIFY(form);
        QVERIFY(form->SaveEmlAction->isEnabled());
        form->SaveMessagesToEml(byWindow.path());
        // The system's text, then the summary of what was written.
        QVERIFY2(form->StatusBar1->Text().startsWith(QStringLiteral("EML files saved: ")),
                 qPrintable(form->StatusBar1->Text()));
        QVERIFY(form->StatusBar1->Text().endsWith(QStringLiteral(" written, none failed")));
        QVERIFY(!form->StatusBar1->ProgressBar()->isVisible());
        Cli({"export", file, byCli.path()});
        std::map<QString, QByteArray> window = FilesBelow(byWindow.path());
        std::map<QString, QByteArray> cli = FilesBelow(byCli.path());
        QVERIFY(!window.empty());
        QCOMPARE(window.size(), cli.size());
        for (const auto& [path, bytes] : window) {
            QVERIFY2(cli.count(path), qPrintable(path));
            QVERIFY2(Comparable(cli[path], anyDate) == Comparable(bytes, anyDate),
                     qPrintable(path));
        }
    }
    QCOMPARE(*boxes, 0);
}

void TMainWindowTest::exportChooserCancelled() {
    auto form = WindowOn(GeneratedMailbox());
    QVERIFY(form);
    QString title, directory;
    bool dirsOnly = false;
    WhenModal([&](QWidget* dialog) {
        auto* fd = qobject_cast<QFileDialog*>(dialog);
        QVERIFY(fd);
        title = fd->windowTitle();
        directory = fd->directory().absolutePath();
        dirsOnly =
            fd->testOption(QFileDialog::ShowDirsOnly) && fd->fileMode() == QFileDialog::Directory;
        fd->reject();
    });
    QString before = form->StatusBar1->Text();
    form->SaveEmlAction->trigger();
    QCOMPARE(title, QStringLiteral("Select EML dir"));
    QCOMPARE(directory, QDir::homePath());
    QVERIFY(dirsOnly);
    QCOMPARE(form->StatusBar1->Text(), before);
}

void TMainWindowTest::mboxExportByTheMenuCommand() {
    QString file = GeneratedMailbox();
    int* boxes = AcceptMessageBoxes();
    QTemporaryDir byWindow, byCli;
    auto form = WindowOn(file);
    QVERIFY(form);
    QVERIFY(form->SaveMboxAction->isEnabled());
    QCOMPARE(form->SaveMboxAction->text(), QStringLiteral("Save messages to mbox"));
    // The menu command asks for the folder; cancelled, nothing is written.
    QString title, before = form->StatusBar1->Text();
    WhenModal([&](QWidget* dialog) {
        auto* fd = qobject_cast<QFileDialog*>(dialog);
        QVERIFY(fd);
        title = fd->windowTitle();
        QVERIFY(fd->testOption(QFileDialog::ShowDirsOnly) &&
                fd->fileMode() == QFileDialog::Directory);
        fd->reject();
    });
    form->SaveMboxAction->trigger();
    QCOMPARE(title, QStringLiteral("Select mbox dir"));
    QCOMPARE(form->StatusBar1->Text(), before);
    // Given a folder, as the command does after its chooser.
    form->SaveMessagesToMbox(byWindow.path());
    QString status = form->StatusBar1->Text();
    QVERIFY2(status.startsWith(QStringLiteral("mbox files saved: ")), qPrintable(status));
    QVERIFY2(status.endsWith(QStringLiteral(" written, none failed")), qPrintable(status));
    QVERIFY(!form->StatusBar1->ProgressBar()->isVisible());
    QVERIFY(form->SaveMboxAction->isEnabled());
    Cli({"export", "--mbox", file, byCli.path()});
    std::map<QString, QByteArray> window = FilesBelow(byWindow.path());
    std::map<QString, QByteArray> cli = FilesBelow(byCli.path());
    QVERIFY(!window.empty());
    QCOMPARE(window.size(), cli.size());
    // An mbox per folder; contacts and calendar items keep their .vcf and .ics.
    int mboxes = 0;
    for (const auto& [path, bytes] : window) {
        mboxes += path.endsWith(QStringLiteral(".mbox")) ? 1 : 0;
        QVERIFY2(path.endsWith(QStringLiteral(".mbox")) || path.endsWith(QStringLiteral(".ics")) ||
                     path.endsWith(QStringLiteral(".vcf")),
                 qPrintable(path));
        QVERIFY2(cli.count(path), qPrintable(path));
        QVERIFY2(Comparable(cli[path], false) == Comparable(bytes, false), qPrintable(path));
    }
    QVERIFY(mboxes > 0);
    QCOMPARE(*boxes, 0);
}

void TMainWindowTest::aboutWindow() {
    TAboutBox about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QCOMPARE(about.windowTitle(), QStringLiteral("About"));
    QCOMPARE(about.size(), QSize(298, 213));
    QCOMPARE(about.ProductName->text(), QStringLiteral("Ostrel"));
    QCOMPARE(about.Version->text(), QStringLiteral("Version 1.01"));
    // Every caption fits its label at 8 points.
    for (QLabel* label : {about.ProductName, about.Version, about.WebLink, about.MailLink})
        QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->text()));
    QVERIFY(about.WebLink->toolTip().startsWith(QStringLiteral("https://")));
    QVERIFY(about.MailLink->toolTip().startsWith(QStringLiteral("mailto:")));
    QCOMPARE(about.WebLink->cursor().shape(), Qt::PointingHandCursor);
}

QTEST_MAIN(TMainWindowTest)
#include "MainWindowTest.moc"

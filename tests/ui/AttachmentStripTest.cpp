// The attachment strip of the viewers, driven as a user drives it on a
// generated mailbox: it shows in every viewer but the sticky note and hides
// without attachments; opening writes a read-only copy with the exact bytes
// into the program's private folder and hands it to the desktop; saving one
// or all lands only in the chosen folder, never replaces a file and never
// follows a link; an attached message opens in a message viewer of its own,
// to the innermost level; a long sender is cut short of "Sent:".
#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QWebEnginePage>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "tests/ui/UiTestSupport.h"
#include "tools/pstwriter/PstMailbox.h"
#include "ui/AttachmentStrip.h"
#include "ui/FolderListModel.h"
#include "ui/ItemListModel.h"
#include "ui/Main.h"
#include "ui/MessageItem.h"
#include "ui/WebBrowser.h"

using namespace uitest;
namespace fs = std::filesystem;

namespace {

using pstw::Attachment;
using pstw::Folder;
using pstw::Item;
using pstw::ItemKind;

const std::string kLongSender = "Bartholomew Maximilian Featherstonehaugh-Cholmondeley of the "
                                "Very Long Department Name That Never Ends";

std::string Pattern(size_t n) {
    std::string out(n, '\0');
    for (size_t i = 0; i < n; ++i)
        out[i] = char(i * 7 + i / 253);
    return out;
}

Attachment File(const std::string& name, const std::string& data) {
    Attachment a;
    a.longFileName = name;
    a.data.assign(data.begin(), data.end());
    return a;
}

Item WithFiles(ItemKind kind, const std::string& subject) {
    Item item;
    item.kind = kind;
    item.subject = subject;
    item.body = "body of " + subject;
    item.attachments = {File(subject + ".txt", "text of " + subject)};
    switch (kind) {
    case ItemKind::Appointment:
        item.appointment = pstw::AppointmentInfo{};
        break;
    case ItemKind::Contact:
        item.contact = pstw::ContactInfo{};
        item.contact->displayName = subject;
        item.contact->companyName = "Acme";
        item.contact->email1Address = "carl@example.com";
        break;
    case ItemKind::Task:
        item.task = pstw::TaskInfo{};
        break;
    case ItemKind::Journal:
        item.journal = pstw::JournalInfo{};
        break;
    case ItemKind::StickyNote:
        item.stickyNote = pstw::StickyNoteInfo{};
        break;
    default:
        break;
    }
    return item;
}

Item Mail() {
    Item mail = WithFiles(ItemKind::Note, "Files");
    mail.senderName = "Ann";
    Attachment hidden = File("inline.png", Pattern(300));
    hidden.hidden = true;
    mail.attachments = {File("a.txt", "first a"), File("big.bin", Pattern(100000)),
                        File("../../etc/passwd", "p"), hidden};
    return mail;
}

Attachment Embedded(const Item& inner) {
    Attachment a;
    a.method = 5;
    a.embedded = std::make_shared<Item>(inner);
    return a;
}

Item Nested() {
    Item deepest;
    deepest.subject = "Level 3";
    deepest.senderName = "Deep Sender";
    deepest.body = "innermost";
    deepest.attachments = {File("deep.txt", "deep bytes")};
    Item middle;
    middle.subject = "Level 2";
    middle.body = "middle";
    middle.attachments = {Embedded(deepest)};
    Item outer;
    outer.subject = "Nested";
    outer.attachments = {File("top.txt", "top"), Embedded(middle)};
    return outer;
}

Folder With(const char* name, const char* containerClass, std::vector<Item> items) {
    Folder folder(name, containerClass);
    folder.items = std::move(items);
    return folder;
}

QString Mailbox() {
    static QTemporaryDir dir;
    static QString path;
    if (path.isEmpty()) {
        Item plain;
        plain.subject = "Plain";
        Item longSender = plain;
        longSender.subject = "Long sender";
        longSender.senderName = kLongSender;
        pstw::Mailbox m;
        m.ipmSubtree.folders = {
            With("Inbox", "IPF.Note", {Mail(), plain, longSender, Nested()}),
            With("Calendar", "IPF.Appointment", {WithFiles(ItemKind::Appointment, "Meeting")}),
            With("Contacts", "IPF.Contact", {WithFiles(ItemKind::Contact, "Carl")}),
            With("Tasks", "IPF.Task", {WithFiles(ItemKind::Task, "Chore")}),
            With("Journal", "IPF.Journal", {WithFiles(ItemKind::Journal, "Call")}),
            With("Notes", "IPF.StickyNote", {WithFiles(ItemKind::StickyNote, "Milk")})};
        path = dir.filePath(QStringLiteral("attachments.pst"));
        pstw::MailboxWriter().write(m, path.toStdString());
    }
    return path;
}

std::string ReadWhole(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int RowWithSubject(const TMainForm& form, const QString& subject) {
    for (int row = 0; row < form.ItemRows->rowCount(); ++row)
        for (int column = 0; column < form.ItemRows->columnCount(); ++column)
            if (ItemCell(form, row, column) == subject) return row;
    return -1;
}

// The viewer of one item, opened by a click on its row.
TItemForm* Open(TMainForm& form, const QString& folder, const QString& subject = {}) {
    SelectFolderRow(form, FolderRowEndingWith(form, folder));
    if (!QTest::qWaitFor([&] { return form.ItemRows->rowCount() > 0; }, 10000)) return nullptr;
    int row = subject.isEmpty() ? 0 : RowWithSubject(form, subject);
    if (row < 0) return nullptr;
    QRect cell = form.ListView2->visualRect(form.ListView2->model()->index(row, 0));
    QTest::mouseClick(form.ListView2->viewport(), Qt::LeftButton, {}, cell.center());
    return form.CurrentForm;
}

QString PlainText(TWebBrowser* view) {
    if (!QTest::qWaitFor([&] { return view->Loaded(); }, 30000)) return QStringLiteral("<timeout>");
    QString text;
    bool done = false;
    view->page()->toPlainText([&](const QString& t) {
        text = t;
        done = true;
    });
    return QTest::qWaitFor([&] { return done; }, 10000) ? text : QStringLiteral("<no text>");
}

QStringList Texts(const TAttachmentStrip& strip) {
    QStringList texts;
    for (int i = 0; i < strip.count(); ++i)
        texts << strip.item(i)->text();
    return texts;
}

} // namespace

class TAttachmentStripTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void stripShowsInEveryViewerButTheStickyNote();
    void openWritesAReadOnlyCopyIntoThePrivateFolder();
    void saveLandsOnlyInTheChosenFolder();
    void saveAllNeverReplacesNorFollowsALink();
    void longSenderIsElided();
    void attachedMessagesOpenInViewersOfTheirOwn();

private:
    std::unique_ptr<TMainForm> window_;
    std::unique_ptr<QTemporaryDir> scratch_;
    QList<QUrl> opened_;
    QStringList reports_;
    QString chosenFile_, chosenFolder_;
};

void TAttachmentStripTest::initTestCase() {
    TAttachmentStrip::OpenUrlHook = [this](const QUrl& url) {
        opened_ << url;
        return true;
    };
    TAttachmentStrip::ChooseFileHook = [this](QWidget*, const QString&) { return chosenFile_; };
    TAttachmentStrip::ChooseFolderHook = [this](QWidget*) { return chosenFolder_; };
    TAttachmentStrip::ReportHook = [this](QWidget*, const QString& text) { reports_ << text; };
}

void TAttachmentStripTest::init() {
    opened_.clear();
    reports_.clear();
    scratch_ = std::make_unique<QTemporaryDir>();
    window_ = std::make_unique<TMainForm>();
    window_->SetStartFile(Mailbox());
    window_->show();
    QVERIFY(QTest::qWaitFor(
        [&] { return window_->FolderRows->rowCount() > 0 && !window_->OpenRunning(); }, 60000));
}

void TAttachmentStripTest::cleanup() {
    window_.reset();
    QVERIFY2(reports_.isEmpty(), qPrintable(reports_.join(QLatin1Char('\n'))));
}

void TAttachmentStripTest::stripShowsInEveryViewerButTheStickyNote() {
    TItemForm* mail = Open(*window_, QStringLiteral("Inbox"), QStringLiteral("Files"));
    QVERIFY(mail);
    TAttachmentStrip* strip = mail->AttachmentStrip();
    QVERIFY(strip->isVisible());
    QCOMPARE(Texts(*strip),
             QStringList({QStringLiteral("a.txt (7 bytes)"), QStringLiteral("big.bin (98 KB)"),
                          QStringLiteral("../../etc/passwd (1 byte)"),
                          QStringLiteral("inline.png (300 bytes)")}));
    QVERIFY(strip->item(3)->toolTip().endsWith(QStringLiteral("file, hidden")));
    QVERIFY(!strip->item(0)->icon().isNull());
    // The body gives up only the strip's height.
    QVERIFY(strip->geometry().bottom() < mail->Browser()->geometry().top());
    QCOMPARE(strip->width(), mail->Browser()->width());

    const std::pair<const char*, const char*> others[] = {
        {"Calendar", "Meeting"}, {"Contacts", "Carl"}, {"Tasks", "Chore"}, {"Journal", "Call"}};
    for (const auto& [folder, subject] : others) {
        TItemForm* form = Open(*window_, QString::fromLatin1(folder));
        QVERIFY2(form, folder);
        QVERIFY2(form->AttachmentStrip()->isVisible(), folder);
        QCOMPARE(Texts(*form->AttachmentStrip()),
                 QStringList(QString::fromLatin1(subject) + QStringLiteral(".txt (") +
                             QString::number(8 + std::strlen(subject)) +
                             QStringLiteral(" bytes)")));
    }
    TItemForm* note = Open(*window_, QStringLiteral("Notes"));
    QVERIFY(note);
    QVERIFY(!note->AttachmentStrip()->isVisible());
    TItemForm* plain = Open(*window_, QStringLiteral("Inbox"), QStringLiteral("Plain"));
    QVERIFY(plain);
    QVERIFY(!plain->AttachmentStrip()->isVisible());
    QCOMPARE(plain->AttachmentStrip()->count(), 0);
}

void TAttachmentStripTest::openWritesAReadOnlyCopyIntoThePrivateFolder() {
    TItemForm* mail = Open(*window_, QStringLiteral("Inbox"), QStringLiteral("Files"));
    QVERIFY(mail);
    TAttachmentStrip* strip = mail->AttachmentStrip();
    strip->setCurrentRow(1);
    QTest::keyClick(strip, Qt::Key_Return);
    QRect cell = strip->visualItemRect(strip->item(2));
    QTest::mouseClick(strip->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(strip->viewport(), Qt::LeftButton, {}, cell.center());
    strip->setCurrentRow(1);
    QTest::keyClick(strip, Qt::Key_Enter); // the same attachment again: a second copy
    QCOMPARE(opened_.size(), 3);
    const QString folder = TAttachmentStrip::PrivateFolder();
    QVERIFY(!folder.isEmpty());
    struct stat st {};
    QCOMPARE(::stat(folder.toLocal8Bit().constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0700));
    const QStringList names{QStringLiteral("big.bin"), QStringLiteral("_._etc_passwd"),
                            QStringLiteral("big (2).bin")};
    for (int i = 0; i < 3; ++i) {
        QVERIFY(opened_[i].isLocalFile());
        QString path = opened_[i].toLocalFile();
        QCOMPARE(path, folder + QLatin1Char('/') + names[i]);
        QCOMPARE(::stat(path.toLocal8Bit().constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0400));
    }
    QVERIFY(ReadWhole(opened_[0].toLocalFile()) == Pattern(100000));
    QCOMPARE(ReadWhole(opened_[1].toLocalFile()), std::string("p"));
}

void TAttachmentStripTest::saveLandsOnlyInTheChosenFolder() {
    TItemForm* mail = Open(*window_, QStringLiteral("Inbox"), QStringLiteral("Files"));
    QVERIFY(mail);
    TAttachmentStrip* strip = mail->AttachmentStrip();
    const QString dir = scratch_->path();
    { std::ofstream(dir.toStdString() + "/chosen.bin") << "old"; }
    chosenFile_ = dir + QStringLiteral("/chosen.bin");
    strip->setCurrentRow(1);
    QCOMPARE(strip->SaveAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    strip->SaveAction->trigger();
    QCOMPARE(ReadWhole(dir + QStringLiteral("/chosen.bin")), std::string("old"));
    QVERIFY(ReadWhole(dir + QStringLiteral("/chosen (2).bin")) == Pattern(100000));
    // The keyboard: Ctrl+S in the viewer saves the current attachment.
    mail->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(mail));
    strip->setFocus();
    strip->setCurrentRow(0);
    chosenFile_ = dir + QStringLiteral("/first.txt");
    QTest::keyClick(strip, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(ReadWhole(dir + QStringLiteral("/first.txt")), std::string("first a"));
    QCOMPARE(QDir(dir).entryList(QDir::Files).size(), 3);
}

void TAttachmentStripTest::saveAllNeverReplacesNorFollowsALink() {
    TItemForm* mail = Open(*window_, QStringLiteral("Inbox"), QStringLiteral("Files"));
    QVERIFY(mail);
    TAttachmentStrip* strip = mail->AttachmentStrip();
    const fs::path root = scratch_->path().toStdString();
    fs::create_directory(root / "chosen");
    fs::create_directory(root / "outside");
    { std::ofstream(root / "outside" / "a.txt") << "keep"; }
    fs::create_symlink(root / "outside" / "a.txt", root / "chosen" / "a.txt");
    chosenFolder_ = QString::fromStdString((root / "chosen").string());
    mail->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(mail));
    strip->setFocus();
    QTest::keyClick(strip, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(ReadWhole(QString::fromStdString((root / "outside" / "a.txt").string())),
             std::string("keep"));
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(root / "chosen"))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    QCOMPARE(names, (std::vector<std::string>{"_._etc_passwd", "a (2).txt", "a.txt", "big.bin",
                                              "inline.png"}));
    QCOMPARE(ReadWhole(chosenFolder_ + QStringLiteral("/a (2).txt")), std::string("first a"));
    QVERIFY(ReadWhole(chosenFolder_ + QStringLiteral("/inline.png")) == Pattern(300));
    QVERIFY(fs::is_symlink(root / "chosen" / "a.txt"));
    QCOMPARE(std::distance(fs::directory_iterator(root / "outside"), fs::directory_iterator()),
             std::ptrdiff_t(1));
}

void TAttachmentStripTest::longSenderIsElided() {
    auto* form = qobject_cast<TMessageForm*>(
        Open(*window_, QStringLiteral("Inbox"), QStringLiteral("Long sender")));
    QVERIFY(form);
    const QString full = QString::fromStdString(kLongSender);
    QCOMPARE(form->LabelFrom->toolTip(), full);
    QVERIFY(form->LabelFrom->text() != full);
    QVERIFY(form->LabelFrom->text().endsWith(QChar(0x2026)));
    QVERIFY(form->LabelFrom->geometry().right() < form->LSent->geometry().left());
    // Wider, the window shows more of it; still short of "Sent:".
    QString narrow = form->LabelFrom->text();
    form->resize(1200, form->height());
    QVERIFY(form->LabelFrom->text().size() > narrow.size());
    QVERIFY(form->LabelFrom->geometry().right() < form->LSent->geometry().left());
}

void TAttachmentStripTest::attachedMessagesOpenInViewersOfTheirOwn() {
    TItemForm* outer = Open(*window_, QStringLiteral("Inbox"), QStringLiteral("Nested"));
    QVERIFY(outer);
    TAttachmentStrip* strip = outer->AttachmentStrip();
    QCOMPARE(strip->count(), 2);
    QVERIFY(strip->item(1)->text().startsWith(QStringLiteral("attachment 2.eml (")));
    strip->setCurrentRow(1);
    QTest::keyClick(strip, Qt::Key_Return);
    QVERIFY(opened_.isEmpty()); // a message is not handed to the desktop
    TMessageForm* middle = strip->MessageViewer(1);
    QVERIFY(middle);
    QVERIFY(middle->isVisible());
    QCOMPARE(middle->LabelSubject->text(), QStringLiteral("Level 2"));
    QCOMPARE(PlainText(middle->Browser()).trimmed(), QStringLiteral("middle"));
    // Opening it again shows the same window.
    QTest::keyClick(strip, Qt::Key_Return);
    QCOMPARE(strip->MessageViewer(1), middle);

    TAttachmentStrip* inner = middle->AttachmentStrip();
    QVERIFY(inner->isVisible());
    QCOMPARE(Texts(*inner).size(), 1);
    inner->OpenRow(0);
    TMessageForm* deepest = inner->MessageViewer(0);
    QVERIFY(deepest);
    QCOMPARE(deepest->LabelSubject->text(), QStringLiteral("Level 3"));
    QCOMPARE(deepest->LabelFrom->text(), QStringLiteral("Deep Sender"));
    QCOMPARE(PlainText(deepest->Browser()).trimmed(), QStringLiteral("innermost"));
    QCOMPARE(Texts(*deepest->AttachmentStrip()),
             QStringList(QStringLiteral("deep.txt (10 bytes)")));
    deepest->AttachmentStrip()->OpenRow(0);
    QCOMPARE(opened_.size(), 1);
    QCOMPARE(ReadWhole(opened_[0].toLocalFile()), std::string("deep bytes"));

    // Saving the attached message from the outer viewer writes it as .eml.
    chosenFolder_ = scratch_->path();
    strip->SaveAll();
    QCOMPARE(ReadWhole(chosenFolder_ + QStringLiteral("/top.txt")), std::string("top"));
    std::string eml = ReadWhole(chosenFolder_ + QStringLiteral("/attachment 2.eml"));
    QVERIFY2(eml.rfind("Subject: Level 2\r\n", 0) == 0, eml.substr(0, 100).c_str());
}

QTEST_MAIN(TAttachmentStripTest)
#include "AttachmentStripTest.moc"

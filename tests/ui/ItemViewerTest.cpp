// The item viewers driven as a user drives them, on generated mailboxes: the
// click that opens an item and the window found again, the shared body and
// list rules, the message and appointment viewers' fields, captions,
// selections, formats and resize rules, the owner-drawn swatches, and the
// HTML view's refusal of remote requests.
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QTabWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QWebEnginePage>

#include <memory>

#include "tests/ui/SampleMailbox.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/AppSetup.h"
#include "ui/AppointmentItem.h"
#include "ui/FolderListModel.h"
#include "ui/ImageList.h"
#include "ui/InlinePictures.h"
#include "ui/ItemListModel.h"
#include "ui/Main.h"
#include "ui/MessageItem.h"
#include "ui/SwatchList.h"
#include "ui/WebBrowser.h"

using namespace uitest;

namespace {

QString ViewerMailbox() {
    static std::unique_ptr<QTemporaryDir> dir;
    static QString path;
    if (path.isEmpty()) {
        dir = std::make_unique<QTemporaryDir>();
        path = dir->filePath(QStringLiteral("viewers.pst"));
        sample::WriteViewers(path.toStdString());
    }
    return path;
}

std::unique_ptr<TMainForm> WindowOn(const QString& file, const QString& folder) {
    auto form = std::make_unique<TMainForm>();
    form->SetStartFile(file);
    form->show();
    if (!QTest::qWaitFor([&] { return form->FolderRows->rowCount() > 0 && !form->OpenRunning(); },
                         60000))
        return nullptr;
    SelectFolderRow(*form, FolderRowEndingWith(*form, folder));
    return form;
}

int RowWithCaption(const TMainForm& form, int column, const QString& caption) {
    for (int row = 0; row < form.ItemRows->rowCount(); ++row)
        if (ItemCell(form, row, column) == caption) return row;
    return -1;
}

void Release(TMainForm& form, int row, Qt::MouseButton button = Qt::LeftButton) {
    QRect cell = form.ListView2->visualRect(form.ListView2->model()->index(row, 0));
    QTest::mouseClick(form.ListView2->viewport(), button, {}, cell.center());
}

QList<TItemForm*> Viewers() {
    QList<TItemForm*> viewers;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* form = qobject_cast<TItemForm*>(w)) viewers << form;
    return viewers;
}

// The view's document as text, once its load has finished.
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

TWebBrowser* ViewOf(QWidget* form) {
    return form->findChild<TWebBrowser*>();
}

std::string MultiString(const std::vector<std::u16string>& entries) {
    std::string value(4 + 4 * entries.size(), '\0');
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            value[at + i] = char(v >> (8 * i));
    };
    put(0, uint32_t(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        put(4 + 4 * i, uint32_t(value.size()));
        for (char16_t c : entries[i]) {
            value += char(c & 0xFF);
            value += char(c >> 8);
        }
    }
    return value;
}

std::string Companies(const std::string& value) {
    return TItemForm::GetCompanyList(reinterpret_cast<const uint8_t*>(value.data()), value.size());
}

QImage DrawEntry(const tswatch& entry, QColor background) {
    QImage image(100, 15, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    DrawSwatchEntry(painter, image.rect(), entry, Qt::black);
    return image;
}

} // namespace

class TItemViewerTest : public QObject {
    Q_OBJECT
private slots:
    void bodyRule();
    void durationAndTimeLists();
    void companyList();
    void sameItemTwiceGivesOneWindow();
    void rightButtonAndEmptyRows();
    void closingHidesAndNextOpenDestroys();
    void messageFields();
    void messageWithoutSubjectOrTime();
    void messageResize();
    void remoteContentIsNeverRequested();
    void bigDocumentIsShown();
    void inlinePicturesAreShownFromTheItem();
    void linkClickOpensTheBrowserOnly();
    void failedDocumentIsReported();
    void appointmentFields();
    void appointmentOddValuesSelectNothing();
    void appointmentListsAndSwatches();
    void appointmentResize();
};

void TItemViewerTest::bodyRule() {
    tpstmessage m;
    QCOMPARE(TItemForm::GetItemBodyText(m), std::string());
    m.MailInfo = std::make_unique<tmailinfo>();
    QCOMPARE(TItemForm::GetItemBodyText(m), std::string());
    m.MailInfo->Body = std::string("a\r\nb\0", 5);
    QCOMPARE(TItemForm::GetItemBodyText(m), std::string("a<BR>b"));
    // Lone CR and LF stay; markup characters of a plain body are escaped.
    m.MailInfo->Body = "Ann <ann@example.com>\r\na < b & c\rd\ne\r\n\r\n";
    QCOMPARE(TItemForm::GetItemBodyText(m),
             std::string("Ann &lt;ann@example.com&gt;<BR>a &lt; b &amp; c\rd\ne<BR><BR>"));
    m.MailInfo->BodyHtml = "<p>x &amp; y</p>";
    QCOMPARE(TItemForm::GetItemBodyText(m), std::string("<p>x &amp; y</p>"));
}

void TItemViewerTest::durationAndTimeLists() {
    QCOMPARE(TItemForm::GetMinutesIndex(45), -1);
    QCOMPARE(TItemForm::GetMinutesIndex(720), 16);
    QCOMPARE(TItemForm::GetMinutesIndex(0), 0);
    QCOMPARE(TItemForm::GetMinutesIndex(1080), 17);
    QCOMPARE(TItemForm::GetMinutesIndex(20160), 23);
    QCOMPARE(TItemForm::GetMinutesIndex(-5), -1);
    QComboBox box;
    box.addItem(QStringLiteral("old"));
    TItemForm::SetIntervalTime(&box);
    QCOMPARE(box.count(), 48);
    QCOMPARE(box.itemText(0), QStringLiteral("0:00"));
    QCOMPARE(box.itemText(1), QStringLiteral("0:30"));
    QCOMPARE(box.itemText(19), QStringLiteral("9:30"));
    QCOMPARE(box.itemText(47), QStringLiteral("23:30"));
}

void TItemViewerTest::companyList() {
    QCOMPARE(Companies(MultiString({u"A", u"B"})), std::string("A; B"));
    QCOMPARE(Companies(MultiString({u"A"})), std::string("A"));
    QCOMPARE(Companies(MultiString({u"Brown & Co", u"", u"\u00c4rzte"})),
             std::string("Brown & Co; ; \xc3\x84rzte"));
    QCOMPARE(Companies(MultiString({})), std::string());
    // Entries stored with their terminator.
    QCOMPARE(Companies(MultiString({std::u16string(u"A\0", 2), std::u16string(u"B\0", 2)})),
             std::string("A; B"));
    // Damage: a count beyond the value, offsets out of order or past the end.
    std::string huge = MultiString({u"A"});
    huge[3] = '\x7f';
    QCOMPARE(Companies(huge), std::string());
    std::string wild = MultiString({u"AB", u"C"});
    wild[8] = '\x40';
    QCOMPARE(Companies(wild), std::string("; "));
    QCOMPARE(TItemForm::GetCompanyList(nullptr, 10), std::string());
    QCOMPARE(Companies(std::string("\x01\x00", 2)), std::string());
}

void TItemViewerTest::sameItemTwiceGivesOneWindow() {
    auto form = WindowOn(ViewerMailbox(), QStringLiteral("\\Viewer mail"));
    QVERIFY(form);
    int plain = RowWithCaption(*form, 2, QStringLiteral("Plain body"));
    int html = RowWithCaption(*form, 2, QStringLiteral("HTML body"));
    QVERIFY(plain >= 0 && html >= 0);
    Release(*form, plain);
    QCOMPARE(Viewers().size(), 1);
    TItemForm* first = form->CurrentForm;
    QVERIFY(qobject_cast<TMessageForm*>(first));
    QVERIFY(first->isVisible());
    QCOMPARE(first->ItemId, uint64_t(form->ItemRows->Row(plain).Node->nid));
    QCOMPARE(first->windowIcon().pixmap(16).toImage(),
             ostrel::ui::ImageListIcon(4).toImage().convertToFormat(
                 first->windowIcon().pixmap(16).toImage().format()));
    Release(*form, plain);
    QCOMPARE(Viewers().size(), 1);
    QCOMPARE(form->CurrentForm, first);
    Release(*form, html);
    QCOMPARE(Viewers().size(), 2);
    QVERIFY(form->CurrentForm != first);
    QCOMPARE(form->CurrentForm->windowTitle(), QStringLiteral("HTML body - Message"));
    // Back to the first: the same window, filled again.
    Release(*form, plain);
    QCOMPARE(Viewers().size(), 2);
    QCOMPARE(form->CurrentForm, first);
}

void TItemViewerTest::rightButtonAndEmptyRows() {
    auto form = WindowOn(ViewerMailbox(), QStringLiteral("\\Viewer mail"));
    QVERIFY(form);
    int plain = RowWithCaption(*form, 2, QStringLiteral("Plain body"));
    Release(*form, plain, Qt::RightButton);
    Release(*form, plain, Qt::MiddleButton);
    QCOMPARE(Viewers().size(), 0);
    QVERIFY(!form->CurrentForm);
    // Keyboard selection only selects.
    form->ListView2->setFocus();
    QTest::keyClick(form->ListView2, Qt::Key_Down);
    QCOMPARE(Viewers().size(), 0);

    Release(*form, plain);
    TItemForm* last = form->CurrentForm;
    QVERIFY(last);
    last->hide();
    // The list of this folder over the items of the calendar: every row is empty.
    const tfolderrow* mail = form->FolderRows->Row(FolderRowEndingWith(*form, "\\Viewer mail"));
    const tfolderrow* cal = form->FolderRows->Row(FolderRowEndingWith(*form, "\\Viewer calendar"));
    TPst64File& pst = *form->Mailbox();
    pst.ClearItemList();
    pst.Enumerating = true;
    pst.CollectItems(cal->Node->pFirstChild, kKindAppointment, 0);
    pst.Enumerating = false;
    form->ItemRows->ShowFolder(&pst, mail->Node, form->ItemRows->Columns(), 2);
    QVERIFY(!form->ItemRows->Row(0).Node);
    Release(*form, 0);
    QCOMPARE(Viewers().size(), 1);
    QCOMPARE(form->CurrentForm, last);
    QVERIFY(last->isVisible());
    // Below the last row there is no row: nothing happens.
    last->hide();
    QTest::mouseClick(form->ListView2->viewport(), Qt::LeftButton, {},
                      QPoint(5, form->ListView2->viewport()->height() - 3));
    QVERIFY(!last->isVisible());
}

void TItemViewerTest::closingHidesAndNextOpenDestroys() {
    auto form = WindowOn(ViewerMailbox(), QStringLiteral("\\Viewer mail"));
    QVERIFY(form);
    Release(*form, RowWithCaption(*form, 2, QStringLiteral("Plain body")));
    QPointer<TItemForm> viewer = form->CurrentForm;
    QVERIFY(viewer->close() == false || !viewer->isVisible());
    QVERIFY(viewer);
    QVERIFY(!viewer->isVisible());
    QVERIFY(viewer->parent() == nullptr);
    Release(*form, RowWithCaption(*form, 2, QStringLiteral("Plain body")));
    QCOMPARE(form->CurrentForm, viewer.data());
    QVERIFY(viewer->isVisible());
    QVERIFY(OpenAndWait(*form, ViewerMailbox()));
    QVERIFY(!viewer);
    QVERIFY(!form->CurrentForm);
    QCOMPARE(Viewers().size(), 0);
}

void TItemViewerTest::messageFields() {
    auto form = WindowOn(ViewerMailbox(), QStringLiteral("\\Viewer mail"));
    QVERIFY(form);
    Release(*form, RowWithCaption(*form, 2, QStringLiteral("Plain body")));
    auto* m = qobject_cast<TMessageForm*>(form->CurrentForm);
    QVERIFY(m);
    QCOMPARE(m->windowTitle(), QStringLiteral("Plain body - Message"));
    QCOMPARE(m->LabelFrom->text(), QStringLiteral("Ann Smith(ann@example.com)"));
    QCOMPARE(m->LabelTo->text(), QStringLiteral("Bob Jones"));
    QCOMPARE(m->LabelCopy->text(), QStringLiteral("Carl Brown; Dora Lee"));
    QCOMPARE(m->LabelSubject->text(), QStringLiteral("Plain body"));
    QCOMPARE(m->LabelSent->text(), QStringLiteral("Sun 07.02.2010 14:05"));
    QCOMPARE(m->LFrom->text(), QStringLiteral("From:"));
    QCOMPARE(m->LSubject->text(), QStringLiteral("Subject"));
    QCOMPARE(m->LSent->text(), QStringLiteral("Sent:"));
    QCOMPARE(m->LabelSent->pos(), QPoint(384, 8));
    QCOMPARE(m->LabelCopy->pos(), QPoint(56, 40));
    QCOMPARE(ViewOf(m)->DocumentText(),
             QStringLiteral("Hi Bob,<BR>write to Ann &lt;ann@example.com&gt; if a &lt; b &amp; c "
                            "&gt; d.<BR>Ann"));
    QString shown = PlainText(ViewOf(m));
    QVERIFY2(shown.contains(QStringLiteral("write to Ann <ann@example.com> if a < b & c > d.")),
             qPrintable(shown));

    // The HTML body wins over the plain one and is shown as it is.
    Release(*form, RowWithCaption(*form, 2, QStringLiteral("HTML body")));
    QString html = PlainText(ViewOf(form->CurrentForm));
    QVERIFY2(html.contains(QStringLiteral("Rendered HTML")), qPrintable(html));
    QVERIFY(!html.contains(QStringLiteral("Hello,")));

    Release(*form, RowWithCaption(*form, 2, QStringLiteral("Directory sender")));
    QCOMPARE(qobject_cast<TMessageForm*>(form->CurrentForm)->LabelFrom->text(),
             QStringLiteral("Dir User"));
}

void TItemViewerTest::messageWithoutSubjectOrTime() {
    auto form = WindowOn(ViewerMailbox(), QStringLiteral("\\Viewer mail"));
    QVERIFY(form);
    Release(*form, RowWithCaption(*form, 2, QStringLiteral("<No subject>")));
    auto* m = qobject_cast<TMessageForm*>(form->CurrentForm);
    QVERIFY(m);
    QCOMPARE(m->windowTitle(), QStringLiteral(" - Message"));
    QCOMPARE(m->LabelSent->text(), QStringLiteral("Sat 30.12.1899 00:00"));
    QCOMPARE(m->LabelFrom->text(), QString());
    QCOMPARE(m->LabelTo->text(), QString());
    QCOMPARE(m->LabelCopy->text(), QString());
    QCOMPARE(TMessageForm::FormatSent(40216.5 + 5.0 / 24 / 60),
             QStringLiteral("Sun 07.02.2010 12:05"));
}

void TItemViewerTest::messageResize() {
    TMessageForm m;
    QCOMPARE(m.windowTitle(), QStringLiteral("Message Item"));
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    QCOMPARE(m.PanelInfo->size(), QSize(621, 425));
    QCOMPARE(m.LSent->pos(), QPoint(344, 8));
    QCOMPARE(m.LabelSent->pos(), QPoint(384, 8));
    QCOMPARE(m.MessagePanel()->geometry(), QRect(8, 80, 605, 337));
    m.resize(821, 525);
    QTRY_COMPARE(m.PanelInfo->width(), 821);
    QCOMPARE(m.LSent->pos(), QPoint(544, 8));
    QCOMPARE(m.LabelSent->pos(), QPoint(584, 8));
    QCOMPARE(m.MessagePanel()->geometry(), QRect(8, 80, 805, 437));
    TMessageForm narrow;
    narrow.show();
    narrow.resize(500, 300);
    QTRY_COMPARE(narrow.PanelInfo->width(), 500);
    QCOMPARE(narrow.LSent->pos(), QPoint(344, 8));
    QCOMPARE(narrow.MessagePanel()->geometry(), QRect(8, 80, 605, 212));
    // The body panel keeps its minimum height.
    narrow.resize(500, 150);
    QTRY_COMPARE(narrow.PanelInfo->height(), 150);
    QCOMPARE(narrow.MessagePanel()->height(), 100);
}

void TItemViewerTest::remoteContentIsNeverRequested() {
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    int connections = 0;
    connect(&server, &QTcpServer::newConnection, [&] { ++connections; });
    const QString base = QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort());
    TMessageForm m;
    m.show();
    int refusedBefore = TWebBrowser::RefusedRequests();
    m.ShowMessageItem("Ann", "Bob", "", "Remote", 0,
                      ("<html><head><link rel=\"stylesheet\" href=\"" + base.toStdString() +
                       "s.css\"></head><body><p>Body text</p><img src=\"" + base.toStdString() +
                       "i.png\"><iframe src=\"" + base.toStdString() +
                       "f.html\"></iframe><script>document.title='ran'</script></body></html>"));
    QString text = PlainText(ViewOf(&m));
    QVERIFY2(text.contains(QStringLiteral("Body text")), qPrintable(text));
    QTest::qWait(500);
    QCOMPARE(connections, 0);
    QVERIFY(TWebBrowser::RefusedRequests() >= refusedBefore + 2);
    QVERIFY(ViewOf(&m)->title() != QStringLiteral("ran"));

    // The same through the window, on the sample's HTML item.
    auto form = WindowOn(ViewerMailbox(), QStringLiteral("\\Viewer mail"));
    QVERIFY(form);
    refusedBefore = TWebBrowser::RefusedRequests();
    Release(*form, RowWithCaption(*form, 2, QStringLiteral("HTML body")));
    PlainText(ViewOf(form->CurrentForm));
    QTRY_VERIFY(TWebBrowser::RefusedRequests() > refusedBefore);
}

// Pixels of the view close to `colour`, once it has drawn (or after 15 s).
static int PixelsOf(TWebBrowser* view, QColor colour, int atLeast) {
    int found = 0;
    (void)QTest::qWaitFor(
        [&] {
            QImage shot = view->grab().toImage();
            found = 0;
            for (int y = 0; y < shot.height(); y += 2)
                for (int x = 0; x < shot.width(); x += 2) {
                    QColor c = shot.pixelColor(x, y);
                    if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                            std::abs(c.blue() - colour.blue()) <
                        24)
                        ++found;
                }
            return found >= atLeast;
        },
        15000);
    return found;
}

static QByteArray SolidPng(QColor colour) {
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

void TItemViewerTest::inlinePicturesAreShownFromTheItem() {
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    int connections = 0;
    connect(&server, &QTcpServer::newConnection, [&] { ++connections; });
    const QColor green(0, 200, 0), blue(0, 0, 220);
    tpstmessage item;
    item.MailInfo = std::make_unique<tmailinfo>();
    item.MailInfo->BodyHtml = std::string(
        "<html><body style=\"margin:0;background:#fff\"><img src=\"cid:pic1@x\" width=\"160\" "
        "height=\"120\"><img src=\"images/second.png\" width=\"160\" height=\"120\">"
        "<img src=\"http://127.0.0.1:" +
        std::to_string(server.serverPort()) + "/remote.png\"></body></html>");
    auto addPicture = [&](const QByteArray& png) -> tattachment& {
        auto a = std::make_unique<tattachment>();
        a->Data = png.toStdString();
        a->DataSize = uint32_t(png.size());
        a->LongFileName = std::string("picture.png");
        a->Next = std::move(item.Attachments);
        item.Attachments = std::move(a);
        return *item.Attachments;
    };
    addPicture(SolidPng(green)).ContentId = std::string("<pic1@x>");
    addPicture(SolidPng(blue)).ContentLocation = std::string("images/second.png");

    TMessageForm m;
    m.resize(700, 500);
    m.show();
    const int refusedBefore = TWebBrowser::RefusedRequests();
    std::string body = WithInlinePictures(*m.Browser(), item, TItemForm::GetItemBodyText(item));
    QVERIFY(body.find("cid:") == std::string::npos);
    m.ShowMessageItem("Ann", "Bob", "", "Pictures", 0, body);
    QVERIFY(PlainText(ViewOf(&m)) != QStringLiteral("<timeout>"));
    // 160 x 120 pixels each, sampled every second pixel both ways.
    QVERIFY2(PixelsOf(ViewOf(&m), green, 3000) >= 3000, "the cid: picture is drawn");
    QVERIFY2(PixelsOf(ViewOf(&m), blue, 3000) >= 3000, "the content location picture is drawn");
    QTest::qWait(300);
    QCOMPARE(connections, 0);
    // The remote picture may be refused or never asked for; the served ones never are.
    QVERIFY(TWebBrowser::RefusedRequests() <= refusedBefore + 1);
}

void TItemViewerTest::bigDocumentIsShown() {
    auto form = WindowOn(ViewerMailbox(), QStringLiteral("\\Viewer mail"));
    QVERIFY(form);
    int failures = 0;
    Release(*form, RowWithCaption(*form, 2, QStringLiteral("Big body")));
    TWebBrowser* view = ViewOf(form->CurrentForm);
    connect(view, &TWebBrowser::DocumentFailed, [&] { ++failures; });
    QVERIFY(view->DocumentText().size() > 3000000);
    QString text = PlainText(view);
    QVERIFY(text.startsWith(QStringLiteral("Start of a big body")));
    QVERIFY(text.endsWith(QStringLiteral("End of a big body")));
    // The next document replaces the big one.
    TItemForm::SetItemBody(view, "<p>small</p>");
    QCOMPARE(PlainText(view), QStringLiteral("small"));
    QCOMPARE(failures, 0);
}

// Stands in for the desktop's browser.
class TUrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Urls;
public slots:
    void Open(const QUrl& url) { Urls << url; }
};

void TItemViewerTest::linkClickOpensTheBrowserOnly() {
    TUrlCatcher browser;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "Open");
    TMessageForm m;
    m.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    TItemForm::SetItemBody(m.Browser(), "<body style=\"margin:0\"><a href=\"http://example.com/x\" "
                                        "style=\"display:block;height:300px\">link</a></body>");
    QCOMPARE(PlainText(m.Browser()), QStringLiteral("link"));
    QTest::qWait(300);
    QWidget* surface = m.Browser()->focusProxy();
    QVERIFY(surface);
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(20, 20));
    QTRY_COMPARE(browser.Urls.size(), 1);
    QCOMPARE(browser.Urls.first(), QUrl(QStringLiteral("http://example.com/x")));
    QTest::qWait(300);
    // The view still shows the mail, not the link's target.
    QCOMPARE(PlainText(m.Browser()), QStringLiteral("link"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

void TItemViewerTest::failedDocumentIsReported() {
    TMessageForm m;
    m.show();
    m.ShowMessageItem("Ann", "Bob", "Carl", "Kept", 0, "<p>first</p>");
    QCOMPARE(PlainText(m.Browser()), QStringLiteral("first"));
    QStringList errors;
    connect(m.Browser(), &TWebBrowser::DocumentFailed, [&](const QString& e) { errors << e; });
    // A document our own scheme does not have: the load fails.
    m.Browser()->setUrl(QUrl(QStringLiteral("ostrel-body:/no-such-document")));
    QTRY_COMPARE(errors.size(), 1);
    QMessageBox* box = m.findChild<QMessageBox*>();
    QVERIFY(box);
    QTRY_VERIFY(box->isVisible());
    QCOMPARE(box->text(), errors.first());
    box->accept();
    QVERIFY(m.isVisible());
    QCOMPARE(m.LabelFrom->text(), QStringLiteral("Ann"));
    QCOMPARE(m.windowTitle(), QStringLiteral("Kept - Message"));
}

void TItemViewerTest::appointmentFields() {
    auto form = WindowOn(ViewerMailbox(), QStringLiteral("\\Viewer calendar"));
    QVERIFY(form);
    int review = RowWithCaption(*form, 0, QStringLiteral("Review( Room 1)"));
    QVERIFY(review >= 0);
    Release(*form, review);
    auto* a = qobject_cast<TAppointmentForm*>(form->CurrentForm);
    QVERIFY(a);
    QCOMPARE(a->windowTitle(), QStringLiteral("Review - Meeting"));
    QCOMPARE(a->edSubject->text(), QStringLiteral("Review"));
    QVERIFY(a->edSubject->isReadOnly());
    QCOMPARE(a->cbLocation->count(), 1);
    QCOMPARE(a->cbLocation->currentText(), QStringLiteral("Room 1"));
    QCOMPARE(a->cbLabel->currentIndex(), 3);
    QCOMPARE(a->cbLabel->currentText(), QStringLiteral("Private"));
    QCOMPARE(a->dtpStartDate->date(), QDate(2010, 2, 8));
    QCOMPARE(a->dtpStartDate->text(), QStringLiteral("08.02.2010"));
    QCOMPARE(a->cbStartTime->currentText(), QStringLiteral("9:30"));
    QCOMPARE(a->cbEndTime->currentText(), QStringLiteral("10:00"));
    QVERIFY(a->chbAllDay->isChecked());
    QVERIFY(a->chbReminderSet->isChecked());
    QCOMPARE(a->cbReminderMinutesBeforeStart->currentText(), QStringLiteral("15 min."));
    QCOMPARE(a->cbBusyStatus->currentText(), QStringLiteral("Tentative"));
    QCOMPARE(ViewOf(a)->DocumentText(), QStringLiteral("Agenda:<BR>1. &lt;Budget&gt;"));
    for (QWidget* w : std::initializer_list<QWidget*>{
             a->cbLocation, a->cbLabel, a->dtpStartDate, a->cbStartTime, a->chbAllDay,
             a->cbReminderMinutesBeforeStart, a->cbBusyStatus})
        QVERIFY(!w->isEnabled());
    QCOMPARE(a->windowIcon().isNull(), false);
}

void TItemViewerTest::appointmentOddValuesSelectNothing() {
    auto form = WindowOn(ViewerMailbox(), QStringLiteral("\\Viewer calendar"));
    QVERIFY(form);
    Release(*form, RowWithCaption(*form, 0, QStringLiteral("Odd times")));
    auto* a = qobject_cast<TAppointmentForm*>(form->CurrentForm);
    QVERIFY(a);
    QCOMPARE(a->dtpStartDate->date(), QDate(2010, 2, 9));
    QCOMPARE(a->cbStartTime->currentIndex(), -1);
    QCOMPARE(a->cbEndTime->currentText(), QStringLiteral("10:00"));
    QCOMPARE(a->cbLabel->currentIndex(), -1);
    QVERIFY(a->chbReminderSet->isChecked());
    QCOMPARE(a->cbReminderMinutesBeforeStart->currentIndex(), -1);
    QCOMPARE(a->cbBusyStatus->currentIndex(), -1);
    QCOMPARE(a->cbLocation->count(), 1);
    QCOMPARE(a->cbLocation->itemText(0), QString());
    QCOMPARE(ViewOf(a)->DocumentText(), QStringLiteral("<p>Odd</p>"));
    // A negative label, and a start without a date.
    a->ShowAppointment("", "", -1, 0, 0, false, false, 0, 0, "");
    QCOMPARE(a->cbLabel->currentIndex(), -1);
    QCOMPARE(a->windowTitle(), QStringLiteral(" - Meeting"));
    QCOMPARE(a->dtpStartDate->date(), QDate(1899, 12, 30));
    QCOMPARE(a->cbStartTime->currentText(), QStringLiteral("0:00"));
    QCOMPARE(a->cbReminderMinutesBeforeStart->currentText(), QStringLiteral("0 min."));
}

void TItemViewerTest::appointmentListsAndSwatches() {
    TAppointmentForm a;
    QCOMPARE(a.windowTitle(), QStringLiteral("AppointmentForm"));
    QCOMPARE(a.pos(), QPoint(255, 183));
    QCOMPARE(a.pctrlApppoitment->tabText(0), QStringLiteral("Meeting"));
    QVERIFY(!a.pctrlApppoitment->isTabVisible(1));
    QCOMPARE(a.cbLabel->count(), 11);
    QCOMPARE(a.cbLabel->itemText(1), QStringLiteral("Importent"));
    QCOMPARE(a.cbLabel->itemText(10), QStringLiteral("Phone call"));
    QCOMPARE(a.cbBusyStatus->itemText(3), QStringLiteral("Out of Office"));
    QCOMPARE(a.cbReminderMinutesBeforeStart->count(), 24);
    QCOMPARE(a.cbReminderMinutesBeforeStart->itemText(16), QStringLiteral("0,5 day"));
    QCOMPARE(a.cbEndTime->count(), 48);
    QStyleOptionViewItem option;
    QCOMPARE(a.cbLabel->itemDelegate()->sizeHint(option, a.cbLabel->model()->index(0, 0)).height(),
             15);

    // A solid swatch: black outline one pixel inside the cell, the colour within.
    const QColor grey(200, 200, 200);
    QImage busy = DrawEntry(a.cbBusyStatus->Entries()[2], grey);
    QCOMPARE(busy.pixelColor(0, 0), grey);
    QCOMPARE(busy.pixelColor(1, 1), QColor(Qt::black));
    QCOMPARE(busy.pixelColor(13, 13), QColor(Qt::black));
    QCOMPARE(busy.pixelColor(14, 14), grey);
    QCOMPARE(busy.pixelColor(7, 7), QColor(0, 0, 255));
    // The hatch of "Tentative": navy lines over the cell's own background.
    QImage tentative = DrawEntry(a.cbBusyStatus->Entries()[1], grey);
    int navy = 0, background = 0;
    for (int y = 2; y < 13; ++y)
        for (int x = 2; x < 13; ++x) {
            QColor c = tentative.pixelColor(x, y);
            navy += c == QColor(0, 0, 128);
            background += c == grey;
        }
    QVERIFY(navy > 10 && background > 40);
    // Its lines rise from left to right.
    int rising = 0, falling = 0;
    auto isNavy = [&](int x, int y) { return tentative.pixelColor(x, y) == QColor(0, 0, 128); };
    for (int y = 3; y < 12; ++y)
        for (int x = 2; x < 12; ++x) {
            if (!isNavy(x, y)) continue;
            rising += isNavy(x + 1, y - 1);
            falling += isNavy(x + 1, y + 1);
        }
    QVERIFY2(rising > 5 && falling == 0,
             qPrintable(QStringLiteral("%1 %2").arg(rising).arg(falling)));
    // The text starts behind the swatch.
    QImage label = DrawEntry(a.cbLabel->Entries()[1], Qt::white);
    bool textBefore = false, textAfter = false;
    for (int y = 0; y < 15; ++y) {
        for (int x = 15; x < 17; ++x)
            textBefore |= label.pixelColor(x, y) != QColor(Qt::white);
        for (int x = 17; x < 60; ++x)
            textAfter |= label.pixelColor(x, y) != QColor(Qt::white);
    }
    QVERIFY(!textBefore && textAfter);
    QCOMPARE(label.pixelColor(7, 7), QColor(255, 0, 0));
}

void TItemViewerTest::appointmentResize() {
    TAppointmentForm a;
    a.show();
    QVERIFY(QTest::qWaitForWindowExposed(&a));
    QCOMPARE(a.pctrlApppoitment->size(), QSize(621, 425));
    QCOMPARE(a.lLabel->pos(), QPoint(394, 39));
    QCOMPARE(a.cbLabel->geometry(), QRect(434, 32, 169, 21));
    QCOMPARE(a.cbLocation->width(), 321);
    QCOMPARE(a.edSubject->width(), 539);
    QCOMPARE(a.MessagePanel()->geometry(), QRect(6, 176, 596, 215));
    a.resize(821, 525);
    QTRY_COMPARE(a.pctrlApppoitment->width(), 821);
    QCOMPARE(a.lLabel->pos(), QPoint(594, 39));
    QCOMPARE(a.cbLabel->pos(), QPoint(634, 32));
    QCOMPARE(a.cbLocation->width(), 521);
    QCOMPARE(a.edSubject->width(), 739);
    QCOMPARE(a.MessagePanel()->geometry(), QRect(6, 176, 796, 315));
    TAppointmentForm narrow;
    narrow.show();
    narrow.resize(500, 400);
    QTRY_COMPARE(narrow.pctrlApppoitment->width(), 500);
    QCOMPARE(narrow.lLabel->pos(), QPoint(394, 39));
    QCOMPARE(narrow.MessagePanel()->geometry(), QRect(6, 176, 596, 190));
}

// FindTest.cpp: finding mail, whose results open viewers too.
int RunFindTests(int argc, char** argv);

int main(int argc, char** argv) {
    ostrel::ui::PrepareWebEngine();
    QApplication app(argc, argv);
    ostrel::ui::SetUpApplication(app);
    TItemViewerTest test;
    int status = QTest::qExec(&test, argc, argv);
    return RunFindTests(argc, argv) | status;
}

#include "ItemViewerTest.moc"

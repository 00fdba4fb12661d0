// The main window: its components, commands, the open flow and the item
// list set-up (see Main.h).
#include "ui/Main.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <climits>

#include "display/FolderList.h"
#include "display/ItemRows.h"
#include "export/EmlExport.h"
#include "mailbox/OpenProgress.h"
#include "ui/About.h"
#include "ui/AppSetup.h"
#include "ui/Dialogs.h"
#include "ui/EventPumpHook.h"
#include "ui/FolderListModel.h"
#include "ui/ItemListModel.h"
#include "ui/ItemSortFilter.h"
#include "ui/RowDelegate.h"
#include "ui/StatusLine.h"

namespace {

constexpr int kNameColumnWidth = 200;
constexpr int kSplitterWidth = 3;
constexpr int kStartLeft = 20;
constexpr int kStartTop = 20;

std::string Str(const QString& text) {
    return text.toStdString();
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Puts the plain event pump back however the work below it ends.
struct TPlainPumpAtExit {
    ~TPlainPumpAtExit() { ostrel::ui::InstallEventPump(); }
};

} // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QString::fromLatin1(ostrel::ui::kAppTitle));
    CreateMenu();
    CreateLists();
    StatusBar1 = new TStatusLine(this);
    setStatusBar(StatusBar1);
    resize(kOuterWidth, kOuterHeight);
    move(kStartLeft, kStartTop);
    SetWork(TWork::None);
}

TMainForm::~TMainForm() {
    DestroyViewers();
    // The models refer into the mailbox: empty them before it goes.
    ItemRows->Clear();
    FolderRows->Clear();
}

void TMainForm::CreateMenu() {
    OpenAction = new QAction(QStringLiteral("Open..."), this);
    OpenAction->setObjectName(QStringLiteral("OpenAction"));
    OpenAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(OpenAction, &QAction::triggered, this, &TMainForm::OpenActionExecute);
    SaveEmlAction = new QAction(QStringLiteral("Save messages to EML"), this);
    SaveEmlAction->setObjectName(QStringLiteral("SavemessagetoEML1"));
    connect(SaveEmlAction, &QAction::triggered, this, &TMainForm::SaveEmlActionExecute);
    SaveMboxAction = new QAction(QStringLiteral("Save messages to mbox"), this);
    SaveMboxAction->setObjectName(QStringLiteral("SavemessagestoMbox1"));
    connect(SaveMboxAction, &QAction::triggered, this, &TMainForm::SaveMboxActionExecute);
    CloseAction = new QAction(QStringLiteral("Close"), this);
    CloseAction->setObjectName(QStringLiteral("CloseAction"));
    CloseAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    connect(CloseAction, &QAction::triggered, this, &QWidget::close);
    AboutAction = new QAction(QStringLiteral("About..."), this);
    AboutAction->setObjectName(QStringLiteral("AboutAction"));
    connect(AboutAction, &QAction::triggered, this, &TMainForm::AboutActionExecute);

    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("File1"));
    file->addAction(OpenAction);
    file->addSeparator();
    file->addAction(SaveEmlAction);
    file->addAction(SaveMboxAction);
    file->addSeparator();
    file->addAction(CloseAction);
    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("Help1"));
    help->addAction(AboutAction);
    CreateFindMenus(help->menuAction());
}

QTreeView* TMainForm::MakeList(const QString& name, TRowDelegate* delegate) {
    auto* list = new QTreeView(this);
    list->setObjectName(name);
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setIndentation(0);
    list->setUniformRowHeights(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setAllColumnsShowFocus(true);
    list->setSortingEnabled(false);
    list->setItemDelegate(delegate);
    list->header()->setSectionsClickable(false);
    list->header()->setSectionsMovable(false);
    list->header()->setStretchLastSection(true);
    QPalette palette = list->palette();
    palette.setColor(QPalette::Text, TRowDelegate::kText);
    list->setPalette(palette);
    return list;
}

void TMainForm::CreateLists() {
    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(kSplitterWidth);
    Splitter1->setChildrenCollapsible(false);

    FolderRows = new TFolderListModel(this);
    ListView1 = MakeList(QStringLiteral("ListView1"), new TRowDelegate(true, this));
    ListView1->setModel(FolderRows);
    ListView1->header()->resizeSection(0, kNameColumnWidth);
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TMainForm::ShowFolderItems);

    ItemRows = new TItemListModel(this);
    ListView2 = MakeList(QStringLiteral("ListView2"), new TRowDelegate(false, this));
    ListView2->setHeaderHidden(true);
    // Releases of the mouse over the rows open items; the view itself only selects.
    ListView2->viewport()->installEventFilter(this);

    Splitter1->addWidget(ListView1);
    Splitter1->addWidget(MakeItemPane());
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kFolderListHeight, kOuterHeight});
    setCentralWidget(Splitter1);
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // After this showing has been painted: the dialog must not hide an unpainted window.
    QTimer::singleShot(0, this, &TMainForm::FirstShowing);
}

void TMainForm::FirstShowing() {
    // The outer size counts the frame, which is known only once the window is up.
    QSize frame = frameGeometry().size() - geometry().size();
    resize(kOuterWidth - frame.width(), kOuterHeight - frame.height());
    Splitter1->setSizes({kFolderListHeight, Splitter1->height()});
    if (startFile_.isEmpty())
        OpenActionExecute();
    else
        OpenPstFile(startFile_);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // Work in progress pumps events from inside the mailbox; it must finish first.
    if (work_ != TWork::None)
        event->ignore();
    else {
        QMainWindow::closeEvent(event);
        // The viewers have no owner; they go with the program.
        if (event->isAccepted()) DestroyViewers();
    }
}

void TMainForm::SetWork(TWork work) {
    work_ = work;
    bool idle = work == TWork::None;
    OpenAction->setEnabled(idle);
    CloseAction->setEnabled(idle);
    SaveEmlAction->setEnabled(idle && PstFile != nullptr);
    FindAction->setEnabled(idle && PstFile != nullptr);
    RefreshAction->setEnabled(idle);
    SaveMboxAction->setEnabled(idle && PstFile != nullptr);
}

void TMainForm::OpenActionExecute() {
    if (work_ != TWork::None) return;
    std::unique_ptr<QFileDialog> dialog = ostrel::ui::MakeOpenDialog(this);
    QString fileName = ostrel::ui::RunForPath(*dialog);
    if (!fileName.isEmpty()) OpenPstFile(fileName);
}

void TMainForm::OpenPstFile(const QString& fileName) {
    if (work_ != TWork::None) return;
    SetWork(TWork::Opening);
    StatusBar1->SetText(Q(LoadingStatusText(Str(fileName))));
    ClearItemList();
    FolderRows->Clear();
    ListView1->setUpdatesEnabled(false);
    QCoreApplication::processEvents();
    DestroyViewers();
    PstFile.reset();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    LoadMailbox(fileName);
    ListView1->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
    size_t folders = size_t(std::max(FolderRows->rowCount() - 1, 0));
    if (PstFile && !PstFile->Unreadable.empty())
        StatusBar1->SetText(Q(UnreadableStatusText(Str(fileName), PstFile->Unreadable)));
    else
        StatusBar1->SetText(Q(FolderStatusText(folders, Str(fileName))));
    SetWork(TWork::None);
}

void TMainForm::LoadMailbox(const QString& fileName) {
    TPlainPumpAtExit plainPump;
    PstFile = TPst64File::Create();
    TOpenProgress progress(*PstFile);
    StatusBar1->StartProgress(1000);
    ostrel::ui::InstallEventPump([&] { StatusBar1->SetProgress(progress.Permille()); });
    PstFile->Open(Str(fileName));
    // The folder walk has no measure of its own: a busy bar.
    StatusBar1->StartProgress(0);
    ostrel::ui::InstallEventPump();
    FolderRows->SetRows(BuildFolderRows(*PstFile, Str(fileName)));
    StatusBar1->StopProgress();
}

tnodeentry* TMainForm::SelectedFolder() const {
    const QModelIndexList selected = ListView1->selectionModel()->selectedRows();
    if (selected.isEmpty()) return nullptr;
    const tfolderrow* row = FolderRows->Row(selected.first().row());
    return row ? row->Node : nullptr;
}

void TMainForm::ClearItemList() {
    ItemRows->Clear();
    ListView2->setHeaderHidden(true);
}

void TMainForm::ShowFolderItems() {
    // A selection that arrives while the mailbox is busy (its pump lets it
    // through) must not start a second walk over the same mailbox. During an
    // open it is ignored; during a folder's collection the list follows the
    // new selection once the collection is done.
    if (work_ == TWork::Collecting) reshow_ = true;
    if (work_ != TWork::None) return;
    ShowListSource(ItemRows);
    ClearItemList();
    tnodeentry* folder = SelectedFolder();
    if (!folder || !PstFile) return;
    ListView2->setHeaderHidden(false);
    // The folder collection recorded the folder's kind; it names what is read.
    std::string reading = ColumnsForKind(folder->nFolderKind).ReadingStatus;
    if (!reading.empty()) StatusBar1->SetText(Q(reading));
    SetWork(TWork::Collecting);
    tfolderitems items = CollectFolderItems(*PstFile, folder);
    SetWork(TWork::None);
    SetItemColumns(items.Set);
    ItemRows->ShowFolder(PstFile.get(), folder, ItemRows->Columns(), items.Count);
    if (items.Status) StatusBar1->SetText(Q(*items.Status));
    ListView1->setFocus();
    if (reshow_) {
        reshow_ = false;
        ShowFolderItems();
    }
}

void TMainForm::SetItemColumns(const tcolumnset& set) {
    std::vector<tcolumn> columns = set.Columns;
    FitLastColumn(columns, ListView2->viewport()->width());
    ItemRows->ShowFolder(nullptr, nullptr, columns, 0);
    ListView2->setHeaderHidden(columns.empty());
    QHeaderView* header = ListView2->header();
    // The last column is sized by the header's stretch from here on: it
    // starts at what the others leave and follows the list's width (and the
    // vertical scroll bar's coming and going) without a horizontal scroll bar.
    for (size_t i = 0; i < columns.size(); ++i) {
        bool last = i + 1 == columns.size();
        header->setSectionResizeMode(int(i),
                                     last ? QHeaderView::Stretch : QHeaderView::Interactive);
        if (!last) header->resizeSection(int(i), columns[i].Width);
    }
}

void TMainForm::SaveEmlActionExecute() {
    if (work_ != TWork::None || !PstFile) return;
    std::unique_ptr<QFileDialog> dialog = ostrel::ui::MakeEmlDirDialog(this);
    QString dir = ostrel::ui::RunForPath(*dialog);
    if (!dir.isEmpty()) SaveMessagesToEml(dir);
}

void TMainForm::SaveMboxActionExecute() {
    if (work_ != TWork::None || !PstFile) return;
    std::unique_ptr<QFileDialog> dialog = ostrel::ui::MakeMboxDirDialog(this);
    QString dir = ostrel::ui::RunForPath(*dialog);
    if (!dir.isEmpty()) SaveMessagesToMbox(dir);
}

void TMainForm::SaveMessagesToEml(const QString& dir) {
    if (work_ != TWork::None || !PstFile) return;
    StatusBar1->SetText(QStringLiteral("Saving EML files to folder ") + dir +
                        QStringLiteral(" ..."));
    QString summary = ExportMessages(dir, texportformat::Eml);
    StatusBar1->SetText(QStringLiteral("EML files saved") + summary);
}

void TMainForm::SaveMessagesToMbox(const QString& dir) {
    if (work_ != TWork::None || !PstFile) return;
    StatusBar1->SetText(QStringLiteral("Saving mbox files to folder ") + dir +
                        QStringLiteral(" ..."));
    QString summary = ExportMessages(dir, texportformat::Mbox);
    StatusBar1->SetText(QStringLiteral("mbox files saved") + summary);
}

QString TMainForm::ExportMessages(const QString& dir, texportformat format) {
    SetWork(TWork::Exporting);
    uint64_t most = std::min<uint64_t>(CountMessageNodes(*PstFile), INT_MAX);
    StatusBar1->StartProgress(int(most), QStringLiteral("%v messages"));
    temloptions options;
    options.Format = format;
    options.OnError = [this](const std::string& text) {
        QMessageBox::critical(this, QString::fromLatin1(ostrel::ui::kAppTitle), Q(text));
    };
    options.OnProgress = [this](const temlcounts& counts) {
        StatusBar1->SetProgress(
            int(std::min<uint32_t>(counts.MessagesWritten + counts.MessagesFailed, INT_MAX)));
    };
    temlcounts counts = PstFile->SaveAllToEml(Str(dir), std::move(options));
    StatusBar1->StopProgress();
    SetWork(TWork::None);
    return Q(": " + ExportSummary(counts));
}

void TMainForm::AboutActionExecute() {
    TAboutBox box(this);
    box.exec();
}

// Finding mail in the main window (see Main.h): the Edit and View menus, the
// filter box above ListView2 with the sort by a click on a column header,
// the search of the Find window with its results in ListView2, and the
// keys of the lists. What matches and what the rows show is decided in
// display/ (Search*), the same for `ostrel search`.
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <climits>

#include "display/SearchRows.h"
#include "display/SearchRun.h"
#include "ui/FindWindow.h"
#include "ui/FolderListModel.h"
#include "ui/ItemListModel.h"
#include "ui/ItemSortFilter.h"
#include "ui/Main.h"
#include "ui/SearchResultModel.h"
#include "ui/StatusLine.h"

namespace {

// A pause in typing before the filter applies: a word typed fast filters once.
constexpr int kFilterDelayMs = 150;

QAction* MakeAction(QObject* parent, const QString& caption, const QString& name,
                    const QKeySequence& key) {
    auto* action = new QAction(caption, parent);
    action->setObjectName(name);
    action->setShortcut(key);
    return action;
}

} // namespace

void TMainForm::CreateFindMenus(QAction* before) {
    FindAction = MakeAction(this, QStringLiteral("Find..."), QStringLiteral("FindAction"),
                            QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(FindAction, &QAction::triggered, this, &TMainForm::FindActionExecute);
    FilterAction = MakeAction(this, QStringLiteral("Filter"), QStringLiteral("FilterAction"),
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    connect(FilterAction, &QAction::triggered, this, [this] {
        FilterEdit->setFocus();
        FilterEdit->selectAll();
    });
    RefreshAction = MakeAction(this, QStringLiteral("Read folder again"),
                               QStringLiteral("RefreshAction"), QKeySequence(Qt::Key_F5));
    connect(RefreshAction, &QAction::triggered, this, &TMainForm::ShowFolderItems);
    PreviousFolderAction =
        MakeAction(this, QStringLiteral("Previous folder"), QStringLiteral("PreviousFolderAction"),
                   QKeySequence(Qt::ALT | Qt::Key_Up));
    connect(PreviousFolderAction, &QAction::triggered, this, [this] { MoveFolder(-1); });
    NextFolderAction =
        MakeAction(this, QStringLiteral("Next folder"), QStringLiteral("NextFolderAction"),
                   QKeySequence(Qt::ALT | Qt::Key_Down));
    connect(NextFolderAction, &QAction::triggered, this, [this] { MoveFolder(1); });

    auto* edit = new QMenu(QStringLiteral("Edit"), menuBar());
    edit->setObjectName(QStringLiteral("Edit1"));
    edit->addAction(FindAction);
    edit->addAction(FilterAction);
    auto* view = new QMenu(QStringLiteral("View"), menuBar());
    view->setObjectName(QStringLiteral("View1"));
    view->addAction(RefreshAction);
    view->addSeparator();
    view->addAction(PreviousFolderAction);
    view->addAction(NextFolderAction);
    menuBar()->insertMenu(before, edit);
    menuBar()->insertMenu(before, view);
}

QWidget* TMainForm::MakeItemPane() {
    auto* pane = new QWidget(this);
    pane->setObjectName(QStringLiteral("ItemPane"));
    FilterEdit = new QLineEdit(pane);
    FilterEdit->setObjectName(QStringLiteral("FilterEdit"));
    FilterEdit->setPlaceholderText(QStringLiteral("Filter"));
    FilterEdit->setClearButtonEnabled(true);
    filterTimer_ = new QTimer(this);
    filterTimer_->setSingleShot(true);
    filterTimer_->setInterval(kFilterDelayMs);
    connect(FilterEdit, &QLineEdit::textChanged, filterTimer_, qOverload<>(&QTimer::start));
    connect(filterTimer_, &QTimer::timeout, this, &TMainForm::ApplyFilter);

    FoundRows = new TSearchResultModel(this);
    ListRows = new TItemSortFilter(this);
    ListRows->setSourceModel(ItemRows);
    ListRows->OnReading = [this](int done, int total) {
        // Reading a large folder's rows: the bar shows it and the window stays live.
        if (done >= total) {
            StatusBar1->StopProgress();
            return;
        }
        StatusBar1->StartProgress(total, QStringLiteral("reading rows: %v"));
        StatusBar1->SetProgress(done);
        QCoreApplication::processEvents();
    };
    ListView2->setModel(ListRows);
    ListView2->installEventFilter(this);
    QHeaderView* header = ListView2->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    connect(header, &QHeaderView::sortIndicatorChanged, this,
            [this](int column, Qt::SortOrder order) { ListRows->sort(column, order); });

    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FilterEdit);
    layout->addWidget(ListView2);
    return pane;
}

void TMainForm::ShowListSource(QAbstractItemModel* model) {
    if (ListRows->sourceModel() != model) ListRows->setSourceModel(model);
    showingResults_ = model == FoundRows;
    // A new list starts unsorted and unfiltered.
    filterTimer_->stop();
    const QSignalBlocker quiet(FilterEdit);
    FilterEdit->clear();
    ListView2->header()->setSortIndicator(-1, Qt::AscendingOrder);
}

void TMainForm::ApplyFilter() {
    if (work_ == TWork::Opening) return;
    ListRows->SetFilterText(FilterEdit->text());
}

tnodeentry* TMainForm::NodeOfListRow(int row) const {
    const QModelIndex source = ListRows->mapToSource(ListRows->index(row, 0));
    if (!source.isValid()) return nullptr;
    return showingResults_ ? FoundRows->Node(source.row()) : ItemRows->Row(source.row()).Node;
}

void TMainForm::SetListColumns(const std::vector<tcolumn>& columns) {
    ListView2->setHeaderHidden(columns.empty());
    QHeaderView* header = ListView2->header();
    for (size_t i = 0; i < columns.size(); ++i) {
        bool last = i + 1 == columns.size();
        header->setSectionResizeMode(int(i),
                                     last ? QHeaderView::Stretch : QHeaderView::Interactive);
        if (!last) header->resizeSection(int(i), columns[i].Width);
    }
}

bool TMainForm::ListKeyPress(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const QModelIndex current = ListView2->currentIndex();
        if (current.isValid() && work_ == TWork::None && PstFile) OpenItemRow(current.row());
        return true;
    }
    // Typing in the list types into the filter box.
    const QString text = event->text();
    const bool printable = !text.isEmpty() && text[0].isPrint() && !text[0].isSpace();
    if (!printable || (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    FilterEdit->setFocus();
    FilterEdit->insert(text);
    return true;
}

void TMainForm::MoveFolder(int step) {
    const int rows = FolderRows->rowCount();
    if (rows == 0 || work_ != TWork::None) return;
    const int current = ListView1->currentIndex().isValid() ? ListView1->currentIndex().row() : 0;
    const int next = std::clamp(current + step, 0, rows - 1);
    if (next != current || !ListView1->currentIndex().isValid())
        ListView1->setCurrentIndex(FolderRows->index(next, 0));
}

void TMainForm::StepViewer(TItemForm* form, int step) {
    if (!form || work_ != TWork::None || !PstFile) return;
    const int rows = ListRows->rowCount();
    auto shows = [&](int row) {
        tnodeentry* node = NodeOfListRow(row);
        return node && node->nid == form->ItemId;
    };
    int at = ListView2->currentIndex().isValid() ? ListView2->currentIndex().row() : -1;
    if (at < 0 || !shows(at)) {
        at = -1;
        for (int row = 0; row < rows && at < 0; ++row)
            if (shows(row)) at = row;
    }
    const int target = at + step;
    if (at < 0 || target < 0 || target >= rows) return;
    ListView2->setCurrentIndex(ListRows->index(target, 0));
    const QRect place = form->geometry();
    OpenItemRow(target);
    // The next item may be of another kind, in a window of its own: it takes this one's place.
    if (CurrentForm && CurrentForm != form) {
        CurrentForm->setGeometry(place);
        form->hide();
    }
}

void TMainForm::FindActionExecute() {
    if (!FindWindow1) {
        FindWindow1 = new TFindWindow(this);
        connect(FindWindow1, &TFindWindow::FindRequested, this, &TMainForm::RunSearch);
    }
    FindWindow1->show();
    FindWindow1->raise();
    FindWindow1->activateWindow();
    FindWindow1->TextEdit->setFocus();
    FindWindow1->TextEdit->selectAll();
}

void TMainForm::RunSearch() {
    if (work_ != TWork::None || !PstFile || !FindWindow1) return;
    std::vector<tfolderrow> rows;
    for (int i = 0; i < FolderRows->rowCount(); ++i)
        rows.push_back(*FolderRows->Row(i));
    // The root row "Outlook" holds every folder.
    const tnodeentry* top = FindWindow1->SelectedFolderOnly() ? SelectedFolder() : nullptr;
    const std::vector<ostrel::search::tsearchfolder> folders =
        ostrel::search::SearchFolders(rows, top);

    SetWork(TWork::Searching);
    ShowListSource(FoundRows);
    FoundRows->Clear();
    SetListColumns(FoundRows->Columns());
    FindWindow1->SearchStarted();
    StatusBar1->SetText(QStringLiteral("Searching..."));
    ostrel::search::tsearchevents events;
    events.Stop = &FindWindow1->StopFlag();
    events.OnHit = [this](const ostrel::search::tsearchhit& hit) {
        FoundRows->Add(ostrel::search::SearchResultCells(hit.Folder->Path, *hit.Item, hit.Row),
                       hit.Row);
    };
    events.OnProgress = [this](uint64_t examined, uint64_t total) {
        FoundRows->Flush();
        FindWindow1->SetProgress(examined, total);
        QCoreApplication::processEvents();
    };
    const ostrel::search::tsearchoutcome outcome =
        ostrel::search::SearchMailbox(*PstFile, folders, FindWindow1->Query(), events);
    FoundRows->Flush();
    const QString status = QString::fromStdString(ostrel::search::SearchStatusText(outcome));
    StatusBar1->SetText(status);
    FindWindow1->SearchEnded(status);
    SetWork(TWork::None);
}

// TMainForm: the main window. It owns the open mailbox, shows its folders in
// ListView1 and the selected folder's items in ListView2, a status line, and
// the commands Open, Save messages to EML, Close and About. The rows and
// texts come from the display module (FolderList, ItemRows), the same that
// the command line prints, so that the two cannot disagree.
#pragma once

#include <QMainWindow>

#include <memory>
#include <vector>

#include "display/ItemRows.h"
#include "export/EmlExport.h"
#include "mailbox/uPST64File.h"
#include "ui/ItemForm.h"

class QAbstractItemModel;
class QAction;
class QKeyEvent;
class QLineEdit;
class QSplitter;
class QTimer;
class QTreeView;
class TFindWindow;
class TFolderListModel;
class TItemForm;
class TItemListModel;
class TItemSortFilter;
class TSearchResultModel;
class TRowDelegate;
class TStatusLine;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kOuterWidth = 769;
    static constexpr int kOuterHeight = 521;
    static constexpr int kFolderListHeight = 225;

    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Opened at the first showing instead of the open dialog.
    void SetStartFile(const QString& fileName) { startFile_ = fileName; }

    // Opens the named file as the new mailbox and fills the folder list.
    void OpenPstFile(const QString& fileName);
    // Exports the open mailbox below `dir`, as the export command does after its chooser.
    void SaveMessagesToEml(const QString& dir);
    // The same as one mbox file per folder, as "Save messages to mbox" does.
    void SaveMessagesToMbox(const QString& dir);
    // Sets up ListView2 for the folder selected in ListView1.
    void ShowFolderItems();

    bool OpenRunning() const { return work_ == TWork::Opening; }
    bool ExportRunning() const { return work_ == TWork::Exporting; }
    bool SearchRunning() const { return work_ == TWork::Searching; }
    TPst64File* Mailbox() const { return PstFile.get(); }

    // Opens the item of the ListView2 row at `pos` (viewport coordinates)
    // as a release of `button` there does: only the left button counts.
    void ListView2MouseUp(Qt::MouseButton button, const QPoint& pos);
    // Fills `form` from `item` with the arguments its kind of viewer takes.
    void ShowItemInForm(TItemForm* form, tpstmessage* item);
    // The attachment strip of the item's viewer, from an object of its own.
    void ShowItemAttachments(TItemForm* form, const tpstmessage* item);
    // Destroys every viewer window; the next open and the end of the program do.
    void DestroyViewers();

    // Finding mail (MainFind.cpp). The Find window, made at its first use.
    void FindActionExecute();
    // Searches as the Find window says; the results fill ListView2 as they are found.
    void RunSearch();
    bool ShowingResults() const { return showingResults_; }
    // The item node of ListView2's row `row` (as the list shows it, sorted
    // and filtered); null for an empty row.
    tnodeentry* NodeOfListRow(int row) const;
    // Opens the item `step` rows after (or before) the one `form` shows, in its place.
    void StepViewer(TItemForm* form, int step);
    // Selects the folder row `step` rows below (or above) the selected one.
    void MoveFolder(int step);
    // Applies the text of the filter box to ListView2 now.
    void ApplyFilter();

    // The viewer of the item opened last; null before the first and after DestroyViewers.
    TItemForm* CurrentForm = nullptr;

    // Components and actions, named by role as elsewhere in the program.
    QTreeView* ListView1 = nullptr;
    QTreeView* ListView2 = nullptr;
    QSplitter* Splitter1 = nullptr;
    TStatusLine* StatusBar1 = nullptr;
    TFolderListModel* FolderRows = nullptr;
    TItemListModel* ItemRows = nullptr;
    QAction* OpenAction = nullptr;
    QAction* SaveEmlAction = nullptr;
    QAction* SaveMboxAction = nullptr;
    QAction* CloseAction = nullptr;
    QAction* AboutAction = nullptr;
    // ListView2 shows ListRows, the sort and filter over ItemRows or FoundRows.
    TItemSortFilter* ListRows = nullptr;
    TSearchResultModel* FoundRows = nullptr;
    QLineEdit* FilterEdit = nullptr;
    TFindWindow* FindWindow1 = nullptr;
    QAction* FindAction = nullptr;
    QAction* FilterAction = nullptr;
    QAction* RefreshAction = nullptr;
    QAction* PreviousFolderAction = nullptr;
    QAction* NextFolderAction = nullptr;

public slots:
    void OpenActionExecute();
    void SaveEmlActionExecute();
    void SaveMboxActionExecute();
    void AboutActionExecute();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class TWork { None, Opening, Collecting, Exporting, Searching };

    void CreateMenu();
    // Runs one export with progress in the status line; returns the summary.
    QString ExportMessages(const QString& dir, texportformat format);
    void CreateLists();
    QTreeView* MakeList(const QString& name, TRowDelegate* delegate);
    void FirstShowing();
    void SetWork(TWork work);
    void ClearItemList();
    void LoadMailbox(const QString& fileName);
    void SetItemColumns(const tcolumnset& set);
    tnodeentry* SelectedFolder() const;
    void OpenItemRow(int row);
    TItemForm* FindViewer(uint64_t nid) const;
    TItemForm* CreateViewer(int32_t kind, uint64_t nid);
    // MainFind.cpp: the Edit and View menus, the pane of the filter box and
    // ListView2, the model ListView2 shows, and the keys typed in ListView2.
    void CreateFindMenus(QAction* before);
    QWidget* MakeItemPane();
    void ShowListSource(QAbstractItemModel* model);
    void SetListColumns(const std::vector<tcolumn>& columns);
    bool ListKeyPress(QKeyEvent* event);

    std::unique_ptr<TPst64File> PstFile;
    // Every viewer window made since the last open; none has a parent.
    std::vector<std::unique_ptr<TItemForm>> Viewers;
    TWork work_ = TWork::None;
    bool shown_ = false;
    bool reshow_ = false; // the selection changed while a folder was collected
    bool showingResults_ = false;
    QTimer* filterTimer_ = nullptr;
    QString startFile_;
};

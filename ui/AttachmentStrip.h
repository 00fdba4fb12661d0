// TAttachmentStrip: the strip of a viewer that lists the item's attachments
// (icon by type from the desktop's icon theme, name, size) and opens and
// saves them. Opening writes a read-only copy into the program's private
// folder and hands it to the desktop; an attached message opens in a
// message viewer of its own. Saving never replaces a file (a numbered name
// instead) and writes only into the folder the user chose. The list and the
// saved files come from display/ (AttachmentRows, AttachmentFile).
#pragma once

#include <QListWidget>
#include <QString>
#include <QUrl>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "display/AttachmentRows.h"
#include "engine/ndb/PstFile.h"

class QAction;
class TMessageForm;

class TAttachmentStrip : public QListWidget {
    Q_OBJECT
public:
    explicit TAttachmentStrip(QWidget* parent = nullptr);
    ~TAttachmentStrip() override;

    // Shows the attachments of `message`, read from `file`, which must stay
    // open while the strip lives; `depth` counts the messages it is attached
    // in. Null or no attachments: the strip is emptied and hidden.
    void ShowMessage(tpstfile* file, std::unique_ptr<tpstmessage> message, int depth = 0);

    const std::vector<tattachmentrow>& Rows() const { return rows_; }
    void OpenRow(int row);
    void SaveRow(int row);
    void SaveAll();
    // The viewer of the attached message of `row` once it was opened; else null.
    TMessageForm* MessageViewer(int row) const;

    // The program's private folder for opened attachments: mode 0700,
    // removed with everything in it when the program ends.
    static QString PrivateFolder();

    // What the desktop is asked to do, and the dialogs; tests replace them.
    static std::function<bool(const QUrl&)> OpenUrlHook;
    static std::function<QString(QWidget*, const QString& suggestedPath)> ChooseFileHook;
    static std::function<QString(QWidget*)> ChooseFolderHook;
    static std::function<void(QWidget*, const QString&)> ReportHook;

    QAction* OpenAction = nullptr;
    QAction* SaveAction = nullptr;
    QAction* SaveAllAction = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void AddRowItem(const tattachmentrow& row);
    void OpenMessage(int row);
    // Writes one row into `folder` as a new file; its path, or empty with
    // the reason appended to `problems`.
    QString WriteRow(int row, const QString& folder, const QString& name, QStringList& problems);

    tpstfile* file_ = nullptr;
    std::unique_ptr<tpstmessage> message_;
    std::vector<tattachmentrow> rows_;
    int depth_ = 0;
    std::map<int, std::unique_ptr<TMessageForm>> viewers_;
    QString lastFolder_;
};

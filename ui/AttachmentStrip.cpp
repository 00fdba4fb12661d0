// The attachment strip of the viewers (see AttachmentStrip.h).
#include "ui/AttachmentStrip.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QStyle>
#include <QTemporaryDir>

#include "display/AttachmentFile.h"
#include "display/FolderWriter.h"
#include "ui/MessageItem.h"

namespace {

// One row of 32-pixel icons with their names, scrolled sideways when long.
constexpr int kIconSize = 32;
constexpr int kRowMargin = 6;
// An opened copy is only read: the program that shows it cannot change the saved bytes.
constexpr mode_t kOpenedFileMode = 0400;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QIcon IconFor(const tattachmentrow& row) {
    static QMimeDatabase types;
    QMimeType type = types.mimeTypeForName(Q(row.MediaType));
    if (!type.isValid() || type.isDefault())
        type = types.mimeTypeForFile(Q(row.Name), QMimeDatabase::MatchExtension);
    static QFileIconProvider provider;
    QIcon fallback = provider.icon(QFileIconProvider::File);
    return QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName(), fallback));
}

QString StartFolder() {
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

} // namespace

std::function<bool(const QUrl&)> TAttachmentStrip::OpenUrlHook = [](const QUrl& url) {
    return QDesktopServices::openUrl(url);
};

std::function<QString(QWidget*, const QString&)> TAttachmentStrip::ChooseFileHook =
    [](QWidget* parent, const QString& suggested) {
        // An existing file is not replaced but numbered, so the dialog need not ask.
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Save Attachment"), suggested,
                                            QString(), nullptr, QFileDialog::DontConfirmOverwrite);
    };

std::function<QString(QWidget*)> TAttachmentStrip::ChooseFolderHook = [](QWidget* parent) {
    return QFileDialog::getExistingDirectory(parent, QStringLiteral("Save All Attachments"),
                                             StartFolder());
};

std::function<void(QWidget*, const QString&)> TAttachmentStrip::ReportHook =
    [](QWidget* parent, const QString& text) {
        QMessageBox::warning(parent, QStringLiteral("Attachments"), text);
    };

TAttachmentStrip::TAttachmentStrip(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("AttachmentStrip"));
    setViewMode(QListView::ListMode);
    setFlow(QListView::LeftToRight);
    setWrapping(false);
    setIconSize(QSize(kIconSize, kIconSize));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFixedHeight(kIconSize + kRowMargin + style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                   2 * frameWidth());
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    OpenAction = new QAction(QStringLiteral("Open"), this);
    SaveAction = new QAction(QStringLiteral("Save Attachment..."), this);
    SaveAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    SaveAllAction = new QAction(QStringLiteral("Save All Attachments..."), this);
    SaveAllAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    for (QAction* action : {OpenAction, SaveAction, SaveAllAction}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    connect(OpenAction, &QAction::triggered, this, [this] { OpenRow(currentRow()); });
    connect(SaveAction, &QAction::triggered, this, [this] { SaveRow(currentRow()); });
    connect(SaveAllAction, &QAction::triggered, this, [this] { SaveAll(); });
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { OpenRow(row(item)); });
    hide();
}

TAttachmentStrip::~TAttachmentStrip() = default;

QString TAttachmentStrip::PrivateFolder() {
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/quarrow-ostrel-XXXXXX"));
    static bool restricted = QFile::setPermissions(
        folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return folder.isValid() && restricted ? folder.path() : QString();
}

void TAttachmentStrip::ShowMessage(tpstfile* file, std::unique_ptr<tpstmessage> message,
                                   int depth) {
    clear();
    viewers_.clear();
    rows_.clear();
    file_ = file;
    message_ = std::move(message);
    depth_ = depth;
    if (message_) rows_ = AttachmentRows(*message_);
    for (const tattachmentrow& row : rows_)
        AddRowItem(row);
    if (!rows_.empty()) setCurrentRow(0);
    setVisible(!rows_.empty());
}

void TAttachmentStrip::AddRowItem(const tattachmentrow& row) {
    QString size = Q(SizeText(row.Size));
    QString name = Q(ShownName(row.Name));
    auto* item =
        new QListWidgetItem(IconFor(row), name + QStringLiteral(" (") + size + QStringLiteral(")"));
    item->setToolTip(name + QLatin1Char('\n') + size + QLatin1Char('\n') +
                     Q(AttachmentKindText(row)));
    addItem(item);
}

TMessageForm* TAttachmentStrip::MessageViewer(int row) const {
    auto it = viewers_.find(row);
    return it == viewers_.end() ? nullptr : it->second.get();
}

void TAttachmentStrip::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OpenRow(currentRow());
        return;
    }
    QListWidget::keyPressEvent(event);
}

void TAttachmentStrip::OpenMessage(int row) {
    if (TMessageForm* open = MessageViewer(row)) {
        open->show();
        open->raise();
        return;
    }
    std::unique_ptr<tpstmessage> inner = AttachedMessage(file_, *rows_[size_t(row)].Source, depth_);
    if (!inner) {
        ReportHook(this, Q(rows_[size_t(row)].Name) +
                             QStringLiteral(": the attached message cannot be read."));
        return;
    }
    auto viewer = std::make_unique<TMessageForm>();
    viewer->setWindowIcon(window()->windowIcon());
    viewer->ShowMessageObject(*inner);
    viewer->ShowAttachments(file_, std::move(inner), depth_ + 1);
    viewer->show();
    viewer->raise();
    viewers_[row] = std::move(viewer);
}

void TAttachmentStrip::OpenRow(int row) {
    if (row < 0 || size_t(row) >= rows_.size()) return;
    if (rows_[size_t(row)].Kind == tattachmentkind::EmbeddedMessage) return OpenMessage(row);
    QString folder = PrivateFolder();
    if (folder.isEmpty()) {
        ReportHook(this, QStringLiteral("No private folder for opened attachments."));
        return;
    }
    tattachmentfile saving = AttachmentFile(file_, rows_[size_t(row)], depth_);
    if (!saving.Bytes) {
        ReportHook(this, Q(saving.Name) + QStringLiteral(": ") + Q(saving.Reason));
        return;
    }
    ostrel::names::tsavedfile written = ostrel::names::WriteNewFileInFolder(
        folder.toStdString(), saving.Name, *saving.Bytes, kOpenedFileMode);
    if (!written.Ok) {
        ReportHook(this, Q(written.Error));
        return;
    }
    OpenUrlHook(QUrl::fromLocalFile(Q(written.Path)));
}

QString TAttachmentStrip::WriteRow(int row, const QString& folder, const QString& name,
                                   QStringList& problems) {
    tattachmentfile saving = AttachmentFile(file_, rows_[size_t(row)], depth_);
    if (!saving.Bytes) {
        if (rows_[size_t(row)].Kind != tattachmentkind::Reference)
            problems << Q(saving.Name) + QStringLiteral(": ") + Q(saving.Reason);
        return {};
    }
    std::string target = name.isEmpty() ? saving.Name : name.toStdString();
    ostrel::names::tsavedfile written =
        ostrel::names::WriteNewFileInFolder(folder.toStdString(), target, *saving.Bytes);
    if (!written.Ok) {
        problems << Q(written.Error);
        return {};
    }
    return Q(written.Path);
}

void TAttachmentStrip::SaveRow(int row) {
    if (row < 0 || size_t(row) >= rows_.size()) return;
    QString folder = lastFolder_.isEmpty() ? StartFolder() : lastFolder_;
    tattachmentfile saving = AttachmentFile(file_, rows_[size_t(row)], depth_);
    QString suggested = folder + QLatin1Char('/') +
                        Q(ostrel::names::FreeFileName(folder.toStdString(), saving.Name));
    QString chosen = ChooseFileHook(this, suggested);
    if (chosen.isEmpty()) return;
    QFileInfo info(chosen);
    lastFolder_ = info.absolutePath();
    QStringList problems;
    WriteRow(row, lastFolder_, info.fileName(), problems);
    if (!problems.isEmpty()) ReportHook(this, problems.join(QLatin1Char('\n')));
}

void TAttachmentStrip::SaveAll() {
    if (rows_.empty()) return;
    QString folder = ChooseFolderHook(this);
    if (folder.isEmpty()) return;
    lastFolder_ = folder;
    QStringList problems;
    for (size_t row = 0; row < rows_.size(); ++row)
        WriteRow(int(row), folder, QString(), problems);
    if (!problems.isEmpty()) ReportHook(this, problems.join(QLatin1Char('\n')));
}

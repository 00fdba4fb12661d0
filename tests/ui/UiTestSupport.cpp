// Shared helpers of the window tests (see UiTestSupport.h).
#include "tests/ui/UiTestSupport.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <memory>

#include "tests/ui/SampleMailbox.h"
#include "ui/FolderListModel.h"
#include "ui/Main.h"

namespace uitest {

QString GeneratedMailbox() {
    static std::unique_ptr<QTemporaryDir> dir;
    static QString path;
    if (path.isEmpty()) {
        dir = std::make_unique<QTemporaryDir>();
        path = dir->filePath(QStringLiteral("sample.pst"));
        sample::Write(path.toStdString());
    }
    return path;
}

QString RealSample(const QString& name) {
    QString path = QDir(QStringLiteral(OSTREL_SAMPLES_DIR)).filePath(name);
    return QFileInfo::exists(path) ? QFileInfo(path).absoluteFilePath() : QString();
}

// The visible modal window, also when the modal stack's top is some other
// (hidden) window or the dialog has not been activated yet.
static QWidget* VisibleModalWindow() {
    QWidget* active = QApplication::activeModalWidget();
    if (active && active->isVisible()) return active;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->isModal()) return w;
    return nullptr;
}

void WhenModal(std::function<void(QWidget* dialog)> answer) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
        QWidget* dialog = VisibleModalWindow();
        if (!dialog) return;
        timer->stop();
        timer->deleteLater();
        answer(dialog);
    });
    timer->start();
}

int* AcceptMessageBoxes() {
    static int accepted = 0;
    auto* timer = new QTimer(qApp);
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, timer, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++accepted;
            box->accept();
        }
    });
    timer->start();
    return &accepted;
}

bool OpenAndWait(TMainForm& form, const QString& file) {
    form.OpenPstFile(file);
    return QTest::qWaitFor([&] { return !form.OpenRunning(); }, 60000);
}

int FolderRowEndingWith(const TMainForm& form, const QString& suffix) {
    const QAbstractItemModel* model = form.ListView1->model();
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, 1).data().toString().endsWith(suffix)) return row;
    return -1;
}

void SelectFolderRow(TMainForm& form, int row) {
    form.ListView1->setCurrentIndex(form.ListView1->model()->index(row, 0));
    QCoreApplication::processEvents();
}

QString FolderCell(const TMainForm& form, int row, int column) {
    return form.ListView1->model()->index(row, column).data().toString();
}

QString ItemCell(const TMainForm& form, int row, int column) {
    return form.ListView2->model()->index(row, column).data().toString();
}

QStringList ItemCaptions(const TMainForm& form) {
    QStringList captions;
    const QAbstractItemModel* model = form.ListView2->model();
    for (int c = 0; c < model->columnCount(); ++c)
        captions << model->headerData(c, Qt::Horizontal).toString();
    return captions;
}

} // namespace uitest

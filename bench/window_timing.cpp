// window_timing: what a user of the window waits for on a large mailbox. Starts the main
// window as `quarrow-ostrel FILE` does, and prints two figures: the seconds from the program's
// start to a filled folder list, and the seconds of work from selecting the folder with the
// most items to its first screen of rows drawn. Run by bench_mailbox (on the offscreen
// platform); prints on standard output, exit 0 when both were measured.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <string>

#include "display/FolderList.h"
#include "ui/AppSetup.h"
#include "ui/FolderListModel.h"
#include "ui/ItemSortFilter.h"
#include "ui/Main.h"
#include "ui/WebBrowser.h"

namespace {

// A mailbox that does not open within this gives up rather than waiting forever.
constexpr qint64 kMaxWaitMs = 30 * 60 * 1000;
constexpr int kPollMs = 1;

// The folder list row whose folder counts the most items, and that count.
std::pair<int, long> LargestFolderRow(const TFolderListModel& rows) {
    std::pair<int, long> best{-1, -1};
    for (int r = 0; r < rows.rowCount(); ++r) {
        const tfolderrow* row = rows.Row(r);
        if (row && row->Node && long(row->Node->cItems) > best.second)
            best = {r, long(row->Node->cItems)};
    }
    return best;
}

// Selects the row as a click does (the window collects the folder's items on the
// selection) and draws the list's first screen; the seconds this takes.
double SelectAndDraw(TMainForm& form, int row) {
    QElapsedTimer clock;
    clock.start();
    form.ListView1->setCurrentIndex(form.FolderRows->index(row, 0));
    form.ListView2->viewport()->repaint();
    return double(clock.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    if (argc != 2) {
        std::fprintf(stderr, "usage: window_timing FILE\n");
        return 2;
    }
    ostrel::ui::PrepareWebEngine();
    QApplication app(argc, argv);
    ostrel::ui::SetUpApplication(app);
    TMainForm form;
    form.SetStartFile(QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath());
    form.show();
    int status = 1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (sinceStart.elapsed() > kMaxWaitMs) {
            std::printf("window: no folder list after %lld s\n", kMaxWaitMs / 1000);
            app.quit();
            return;
        }
        if (form.OpenRunning() || form.FolderRows->rowCount() == 0) return;
        poll.stop();
        const double opened = double(sinceStart.nsecsElapsed()) / 1e9;
        std::printf("window: start to folder list %.3f s\n", opened);
        const auto [row, count] = LargestFolderRow(*form.FolderRows);
        if (row >= 0) {
            const double listed = SelectAndDraw(form, row);
            std::printf("window: folder of %ld items, selection to first screen %.3f s "
                        "(%d rows in the list)\n",
                        count, listed, form.ListRows->rowCount());
            status = 0;
        }
        std::fflush(stdout);
        app.quit();
    });
    poll.start(kPollMs);
    QApplication::exec();
    return status;
}

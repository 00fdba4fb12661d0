// ui_screenshots OUTDIR: opens the generated sample and a few real sample
// mailboxes in the window, selects a folder of each kind, and saves a PNG of
// the window for each into OUTDIR, one of a viewer of each item kind, and
// one of the about window. Run under Xvfb by `make screenshots` and by the
// test command.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <cstdio>
#include <map>

#include "tests/ui/SampleMailbox.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/About.h"
#include "ui/AppSetup.h"
#include "ui/FolderListModel.h"
#include "ui/Main.h"
#include "ui/WebBrowser.h"

namespace {

const char* KindName(int32_t kind) {
    switch (kind) {
    case kKindAppointment:
        return "calendar";
    case kKindContact:
        return "contacts";
    case kKindJournal:
        return "journal";
    case kKindStickyNote:
        return "notes";
    case kKindTask:
        return "tasks";
    default:
        return "mail";
    }
}

bool Save(QWidget& window, const QDir& out, const QString& name) {
    QTest::qWait(100);
    QString path = out.filePath(name + QStringLiteral(".png"));
    bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
    return saved;
}

// For each folder kind, the folder row with the most items.
std::map<int32_t, int> RowPerKind(const TMainForm& form) {
    std::map<int32_t, int> best;
    for (int row = 1; row < form.FolderRows->rowCount(); ++row) {
        const tfolderrow* r = form.FolderRows->Row(row);
        if (!r || !r->Node) continue;
        int32_t kind = r->Node->nFolderKind == kKindNone ? kKindMail : r->Node->nFolderKind;
        auto it = best.find(kind);
        if (it == best.end() || form.FolderRows->Row(it->second)->Node->cItems < r->Node->cItems)
            best[kind] = row;
    }
    return best;
}

bool ShootMailbox(const QString& file, const QString& name, const QDir& out) {
    TMainForm form;
    form.SetStartFile(file);
    form.show();
    if (!QTest::qWaitFor([&] { return form.FolderRows->rowCount() > 0 && !form.OpenRunning(); },
                         60000))
        return false;
    bool ok = Save(form, out, name + QStringLiteral("-folders"));
    for (auto [kind, row] : RowPerKind(form)) {
        uitest::SelectFolderRow(form, row);
        ok =
            Save(form, out, name + QStringLiteral("-") + QString::fromLatin1(KindName(kind))) && ok;
    }
    return ok;
}

// Opens the first item of the folder ending with `folder` as a click does and
// saves its viewer once the body has been drawn.
bool ShootViewer(TMainForm& form, const QString& folder, const QString& name, const QDir& out) {
    int row = uitest::FolderRowEndingWith(form, folder);
    if (row < 0) return false;
    uitest::SelectFolderRow(form, row);
    QRect cell = form.ListView2->visualRect(form.ListView2->model()->index(0, 0));
    QTest::mouseClick(form.ListView2->viewport(), Qt::LeftButton, {}, cell.center());
    TItemForm* viewer = form.CurrentForm;
    if (!viewer) return false;
    if (!QTest::qWaitFor([&] { return viewer->Browser()->Loaded(); }, 20000)) return false;
    QTest::qWait(400);
    return Save(*viewer, out, QStringLiteral("viewer-") + name);
}

bool ShootViewers(const QDir& out) {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("viewers.pst"));
    sample::WriteViewers(path.toStdString());
    bool ok = true;
    {
        TMainForm form;
        form.SetStartFile(path);
        form.show();
        if (!QTest::qWaitFor([&] { return form.FolderRows->rowCount() > 0 && !form.OpenRunning(); },
                             60000))
            return false;
        ok = ShootViewer(form, QStringLiteral("\\Viewer mail"), QStringLiteral("message"), out);
        ok = ShootViewer(form, QStringLiteral("\\Viewer calendar"), QStringLiteral("appointment"),
                         out) &&
             ok;
    }
    TMainForm form;
    form.SetStartFile(uitest::GeneratedMailbox());
    form.show();
    if (!QTest::qWaitFor([&] { return form.FolderRows->rowCount() > 0 && !form.OpenRunning(); },
                         60000))
        return false;
    const std::pair<const char*, const char*> kinds[] = {{"\\Contacts", "contact"},
                                                         {"\\Tasks", "task"},
                                                         {"\\Journal", "journal"},
                                                         {"\\Notes", "stickynote"}};
    for (auto [folder, name] : kinds)
        ok = ShootViewer(form, QString::fromLatin1(folder), QString::fromLatin1(name), out) && ok;
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    ostrel::ui::PrepareWebEngine();
    QApplication app(argc, argv);
    ostrel::ui::SetUpApplication(app);
    QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots"));
    out.mkpath(QStringLiteral("."));
    bool ok = ShootMailbox(uitest::GeneratedMailbox(), QStringLiteral("sample"), out);
    const std::pair<const char*, const char*> real[] = {
        {"aspose-email_Aspose.Email-for-.NET__Outlook_1.pst", "outlook1"},
        {"aspose-email_Aspose.Email-for-Java__MapiNoteToPST_out.pst", "stickynotes"},
        {"aspose-email_Aspose.Email-for-.NET__SampleOstFile.ost", "ost"}};
    for (auto [file, name] : real) {
        QString path = uitest::RealSample(QString::fromLatin1(file));
        if (path.isEmpty())
            std::printf("skipped %s: sample absent\n", file);
        else
            ok = ShootMailbox(path, QString::fromLatin1(name), out) && ok;
    }
    ok = ShootViewers(out) && ok;
    TAboutBox about;
    about.show();
    ok = Save(about, out, QStringLiteral("about")) && ok;
    return ok ? 0 : 1;
}

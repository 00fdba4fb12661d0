// The HTML view of the item viewers (see WebBrowser.h): its page, the guard
// on its requests and the scheme that serves big documents and the pictures
// a document shows in place (its cid: references, RFC 2392, rewritten to it).
#include "ui/WebBrowser.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHash>
#include <QMessageBox>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>

#include <unistd.h>

#include <cstdio>

namespace {

const QByteArray kBigScheme = QByteArrayLiteral("ostrel-body");
int gRefused = 0;
int gNextKey = 0;

bool IsOwnScheme(const QString& scheme) {
    return scheme == QLatin1String("data") || scheme == QLatin1String("about") ||
           scheme == QLatin1String(kBigScheme);
}

// Lets through the document itself and data inside it; everything else
// (http, https, file, ftp, cid, ...) would reach outside the mailbox.
class TRequestGuard : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (IsOwnScheme(info.requestUrl().scheme())) return;
        info.block(true);
        ++gRefused;
    }
};

// Serves the documents setHtml cannot take (it refuses above 2 MB), and the
// attachments a document shows in place.
class TBigDocuments : public QWebEngineUrlSchemeHandler {
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    QHash<QString, QByteArray> Documents;
    QHash<QString, TInlinePart> Parts;

    void requestStarted(QWebEngineUrlRequestJob* job) override {
        const QString path = job->requestUrl().path();
        if (auto doc = Documents.constFind(path); doc != Documents.constEnd()) {
            Reply(job, *doc, QByteArrayLiteral("text/html;charset=utf-8"));
        } else if (auto part = Parts.constFind(path); part != Parts.constEnd()) {
            Reply(job, part->Data, part->MimeType);
        } else {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        }
    }

private:
    static void Reply(QWebEngineUrlRequestJob* job, const QByteArray& data,
                      const QByteArray& type) {
        auto* buffer = new QBuffer(job);
        buffer->setData(data);
        buffer->open(QIODevice::ReadOnly);
        job->reply(type, buffer);
    }
};

// A window a link asks for (target="_blank"): it never appears; the URL
// goes to the desktop's browser.
class TLinkCatcher : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
        QDesktopServices::openUrl(url);
        deleteLater();
        return false;
    }
};

class TBodyPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool mainFrame) override {
        if (type == NavigationTypeLinkClicked) {
            if (!IsOwnScheme(url.scheme())) QDesktopServices::openUrl(url);
            return false;
        }
        // Only the loads the program makes itself; a refresh or a form of the
        // mail must not lead anywhere else.
        return mainFrame && IsOwnScheme(url.scheme());
    }
    QWebEnginePage* createWindow(WebWindowType) override { return new TLinkCatcher(profile()); }
};

bool SchemeRegistered() {
    return QWebEngineUrlScheme::schemeByName(kBigScheme).name() == kBigScheme;
}

struct TShared {
    QWebEngineProfile* Profile = nullptr;
    TBigDocuments* Big = nullptr;
};

void SettleSettings(QWebEngineSettings* s) {
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    s->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    s->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    s->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
}

// One off-the-record profile for every view; it lives as long as the application.
TShared& Shared() {
    static TShared shared;
    if (!shared.Profile) {
        shared.Profile = new QWebEngineProfile(QCoreApplication::instance());
        shared.Profile->setUrlRequestInterceptor(new TRequestGuard(shared.Profile));
        shared.Big = new TBigDocuments(shared.Profile);
        if (SchemeRegistered()) shared.Profile->installUrlSchemeHandler(kBigScheme, shared.Big);
        SettleSettings(shared.Profile->settings());
    }
    return shared;
}

void SandboxRuleForRoot() {
    static bool said = false;
    if (geteuid() != 0 || said) return;
    said = true;
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    std::fprintf(stderr, "quarrow-ostrel: running as root, the HTML view runs without its "
                         "sandbox\n");
}

} // namespace

namespace ostrel::ui {

void PrepareWebEngine() {
    SandboxRuleForRoot();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (SchemeRegistered()) return;
    QWebEngineUrlScheme scheme(kBigScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

} // namespace ostrel::ui

TWebBrowser::TWebBrowser(QWidget* parent) : QWebEngineView(parent) {
    // A program that did not prepare still must not start Chromium as root with its sandbox.
    SandboxRuleForRoot();
    setObjectName(QStringLiteral("WebBrowser"));
    key_ = QStringLiteral("/%1").arg(++gNextKey);
    auto* page = new TBodyPage(Shared().Profile, this);
    SettleSettings(page->settings());
    setPage(page);
    setContextMenuPolicy(Qt::NoContextMenu);
    connect(page, &QWebEnginePage::loadingChanged, this, &TWebBrowser::OnLoadingChanged);
}

TWebBrowser::~TWebBrowser() {
    Shared().Big->Documents.remove(key_);
    for (const QString& path : partPaths_)
        Shared().Big->Parts.remove(path);
}

void TWebBrowser::SetInlineParts(QList<TInlinePart> parts) {
    pendingParts_ = std::move(parts);
}

QString TWebBrowser::PartUrl(int index) const {
    return QString::fromLatin1(kBigScheme) + QLatin1Char(':') + key_ +
           QStringLiteral("/part/%1").arg(index);
}

int TWebBrowser::RefusedRequests() {
    return gRefused;
}

void TWebBrowser::ShowDocument(const QString& html) {
    document_ = html;
    loading_ = true;
    TBigDocuments* big = Shared().Big;
    big->Documents.remove(key_);
    for (const QString& path : partPaths_)
        big->Parts.remove(path);
    partPaths_.clear();
    page()->triggerAction(QWebEnginePage::Stop);
    // The pictures load from the document's own scheme, which a local page may read.
    QUrl base(QStringLiteral("about:blank"));
    if (!pendingParts_.isEmpty() && SchemeRegistered()) {
        for (int i = 0; i < pendingParts_.size(); ++i) {
            partPaths_ << QUrl(PartUrl(i)).path();
            big->Parts.insert(partPaths_.back(), pendingParts_.at(i));
        }
        base = QUrl(QString::fromLatin1(kBigScheme) + QLatin1Char(':') + key_ + QLatin1Char('/'));
    }
    pendingParts_.clear();
    QByteArray utf8 = html.toUtf8();
    if (utf8.size() <= kInlineLimit || !SchemeRegistered()) {
        setHtml(html, base);
        return;
    }
    big->Documents.insert(key_, utf8);
    QUrl url;
    url.setScheme(QString::fromLatin1(kBigScheme));
    url.setPath(key_);
    setUrl(url);
}

void TWebBrowser::OnLoadingChanged(const QWebEngineLoadingInfo& info) {
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) return;
    loading_ = false;
    // A load stopped or aborted by the next document is no failure.
    if (info.status() != QWebEngineLoadingInfo::LoadFailedStatus || info.errorCode() == -3) return;
    QString error =
        info.errorString().isEmpty()
            ? QStringLiteral("The document could not be shown (error %1).").arg(info.errorCode())
            : info.errorString();
    emit DocumentFailed(error);
    auto* box = new QMessageBox(QMessageBox::Critical, QGuiApplication::applicationDisplayName(),
                                error, QMessageBox::Ok, window());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

// TWebBrowser: the HTML view of the item viewers. It shows one document that
// the program hands it and nothing else: no scripts, no plugins, no request
// that leaves the machine, no navigation away. A link the user clicks opens
// in the desktop's browser instead.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWebEngineView>

class QWebEngineLoadingInfo;

namespace ostrel::ui {

// Must run before the QApplication is made: registers the scheme that serves
// documents too large for setHtml, and lets WebEngine share GL contexts. When
// the program runs as root it also switches WebEngine's sandbox off (Chromium
// refuses to start otherwise) and says so once on stderr.
void PrepareWebEngine();

} // namespace ostrel::ui

// An attachment the next document shows in place (a picture named by cid: or
// content location): served to that document from the view's own scheme.
struct TInlinePart {
    QByteArray Data;
    QByteArray MimeType;
};

class TWebBrowser : public QWebEngineView {
    Q_OBJECT
public:
    explicit TWebBrowser(QWidget* parent = nullptr);
    ~TWebBrowser() override;

    // Drops the current document and shows `html` as the new one.
    void ShowDocument(const QString& html);
    // The parts the next ShowDocument serves; its HTML names part i by PartUrl(i).
    void SetInlineParts(QList<TInlinePart> parts);
    QString PartUrl(int index) const;
    // The text last given to ShowDocument, "" after creation.
    const QString& DocumentText() const { return document_; }
    // True once the last document has been loaded (or has failed).
    bool Loaded() const { return !loading_; }

    // Requests the view's engine refused to make, over all views of the program.
    static int RefusedRequests();
    // Documents above this many bytes of UTF-8 go through our own scheme.
    static constexpr int kInlineLimit = 1500 * 1000;

signals:
    // A load of our document failed; the text is shown to the user as well.
    void DocumentFailed(const QString& error);

private:
    void OnLoadingChanged(const QWebEngineLoadingInfo& info);

    QString document_;
    QString key_; // this view's path below the big-document scheme
    QList<TInlinePart> pendingParts_;
    QStringList partPaths_; // the paths of the parts the shown document uses
    bool loading_ = false;
};

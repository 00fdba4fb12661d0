// Pictures of an HTML body served by the view (see InlinePictures.h).
#include "ui/InlinePictures.h"

#include <algorithm>
#include <vector>

#include "engine/messaging/EmbeddedMessage.h"
#include "export/AttachmentTypes.h"
#include "export/HtmlReferences.h"
#include "ui/WebBrowser.h"

std::string WithInlinePictures(TWebBrowser& view, const tpstmessage& item,
                               const std::string& body) {
    if (!item.MailInfo || !item.MailInfo->BodyHtml) return body;
    std::vector<const tattachment*> all;
    for (const tattachment* a = item.Attachments.get(); a; a = a->Next.get())
        if (a->Data && !IsEmbeddedMessage(*a)) all.push_back(a);
    std::vector<bool> shown = ReferencedAttachments(body, all);
    std::vector<const tattachment*> used;
    QList<TInlinePart> parts;
    for (size_t i = 0; i < all.size(); ++i) {
        if (!shown[i]) continue;
        const tattachment& a = *all[i];
        size_t size = std::min<size_t>(a.DataSize, a.Data->size());
        used.push_back(&a);
        parts.append({QByteArray(a.Data->data(), qsizetype(size)),
                      QByteArray::fromStdString(AttachmentMimeType(a))});
    }
    if (used.empty()) return body;
    view.SetInlineParts(std::move(parts));
    return RewriteReferences(body, used,
                             [&](size_t i) { return view.PartUrl(int(i)).toStdString(); });
}

// Item texts as UTF-8 for the vCard and iCalendar files.
#include "export/ItemText.h"

#include "body/MessageBody.h"
#include "body/RtfCodepage.h"
#include "export/Charsets.h"

namespace {

uint32_t ItemCodepage(const tpstmessage& item) {
    if (item.MailInfo && item.MailInfo->InternetCodepage) return item.MailInfo->InternetCodepage;
    if (item.MailInfo && item.MailInfo->MessageCodepage) return item.MailInfo->MessageCodepage;
    return ostrel::body::kCodepageWestern;
}

std::string Utf8Of(const tpstmessage& item, const std::string& text) {
    if (IsValidUtf8(text)) return text;
    return ostrel::body::CodepageToUtf8(ItemCodepage(item), text);
}

// The text of an HTML body: tags dropped, block ends as line breaks, the
// entities a mail editor writes for markup characters decoded.
std::string HtmlText(const std::string& html) {
    static constexpr struct {
        const char* entity;
        char c;
    } kEntities[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&nbsp;", ' '}};
    std::string out;
    bool inTag = false;
    for (size_t i = 0; i < html.size(); ++i) {
        char c = html[i];
        if (inTag) {
            if (c == '>') inTag = false;
            continue;
        }
        if (c == '<') {
            inTag = true;
            if (html.compare(i, 3, "<br") == 0 || html.compare(i, 4, "</p>") == 0 ||
                html.compare(i, 3, "<BR") == 0 || html.compare(i, 4, "</P>") == 0)
                out += "\n";
            continue;
        }
        bool decoded = false;
        if (c == '&')
            for (const auto& e : kEntities)
                if (html.compare(i, std::char_traits<char>::length(e.entity), e.entity) == 0) {
                    out += e.c;
                    i += std::char_traits<char>::length(e.entity) - 1;
                    decoded = true;
                    break;
                }
        if (!decoded && c != '\r' && c != '\n') out += c;
    }
    return out;
}

} // namespace

std::string ItemUtf8(const tpstmessage& item, const ttext& text) {
    return Utf8Of(item, TextOf(text));
}

std::string ItemUtf8(const tpstmessage& item, const std::string& text) {
    return Utf8Of(item, text);
}

std::string ItemPlainBody(const tpstmessage& item) {
    if (item.MailInfo && item.MailInfo->Body) return ItemUtf8(item, item.MailInfo->Body);
    ostrel::body::tmessagebody body = ostrel::body::MessageBody(item.MailInfo.get());
    std::string text = Utf8Of(item, body.Text);
    return body.Kind == ostrel::body::BodyKind::Html ? HtmlText(text) : text;
}

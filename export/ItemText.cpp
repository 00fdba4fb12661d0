// Item texts as UTF-8 for the vCard and iCalendar files.
#include "export/ItemText.h"

#include <cctype>
#include <string_view>

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

bool StartsWithNoCase(const std::string& text, size_t at, std::string_view word) {
    if (text.size() - at < word.size()) return false;
    for (size_t k = 0; k < word.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(text[at + k])) != word[k]) return false;
    return true;
}

// Where an element whose content is not shown ends (after its end tag), for
// one that starts at `at`; npos for any other tag.
size_t HiddenElementEnd(const std::string& html, size_t at) {
    static constexpr std::string_view kHidden[][2] = {
        {"<head", "</head>"}, {"<style", "</style>"}, {"<script", "</script>"}};
    for (const auto& [open, close] : kHidden) {
        if (!StartsWithNoCase(html, at, open)) continue;
        char after = at + open.size() < html.size() ? html[at + open.size()] : '>';
        if (after != '>' && after != '/' && !std::isspace(static_cast<unsigned char>(after)))
            continue; // <header> is no <head>
        for (size_t k = at + open.size(); k < html.size(); ++k)
            if (StartsWithNoCase(html, k, close)) return k + close.size();
        return html.size();
    }
    return std::string::npos;
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
            // What head, style and script elements hold is no text of the body.
            if (size_t end = HiddenElementEnd(html, i); end != std::string::npos) {
                i = end - 1;
                continue;
            }
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

// The body text rule of the viewers and the plain body's escaping.
#include "display/BodyText.h"

std::string ItemBodyText(const tpstmessage& item) {
    if (!item.MailInfo) return {};
    if (item.MailInfo->BodyHtml) return TextOf(item.MailInfo->BodyHtml);
    if (item.MailInfo->Body) return EscapedPlainBody(TextOf(item.MailInfo->Body));
    return {};
}

std::string EscapedPlainBody(const std::string& body) {
    std::string out;
    out.reserve(body.size() + body.size() / 8);
    for (size_t i = 0; i < body.size(); ++i) {
        char c = body[i];
        if (c == '\r' && i + 1 < body.size() && body[i + 1] == '\n') {
            out += "<BR>";
            ++i;
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else if (c == '&') {
            out += "&amp;";
        } else {
            out += c;
        }
    }
    return out;
}

// The body text of the viewers (the rule of body/MessageBody.h) and the
// plain body's escaping.
#include "display/BodyText.h"

#include "body/MessageBody.h"

std::string ItemBodyText(const tpstmessage& item) {
    ostrel::body::tmessagebody body = ostrel::body::MessageBody(item.MailInfo.get());
    if (body.Kind == ostrel::body::BodyKind::Plain) return EscapedPlainBody(body.Text);
    return std::move(body.Text);
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

// Sender and recipient texts of the item list and the message viewer.
#include "display/AddressTexts.h"

#include <cctype>

namespace {

constexpr size_t kLongestSenderName = 255;

std::string UpperCase(std::string s) {
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

bool IsDirectoryAddress(const ttext& address) {
    return UpperCase(TextOf(address)).find("/OU") != std::string::npos;
}

std::string SenderText(const ttext& name, const ttext& address) {
    if (address && !IsDirectoryAddress(address)) {
        if (name) return TextOf(name).substr(0, kLongestSenderName) + "(" + TextOf(address) + ")";
        return TextOf(address);
    }
    return name ? TextOf(name) : std::string("<Unknown sender>");
}

std::string ViewerSenderText(const tmailinfo& mail) {
    bool noAddress = !mail.SentRepresentingEmail || IsDirectoryAddress(mail.SentRepresentingEmail);
    if (noAddress && !mail.SentRepresentingName) return {};
    return SenderText(mail.SentRepresentingName, mail.SentRepresentingEmail);
}

// One pass with the result of removing the first "</...>" again and again:
// what is kept holds no "</" except where its last '<' meets a '/' that
// followed a removed tag, so a removal never sends the search back. Removing
// and searching again from the start took time quadratic in a long text.
std::string StripClosingTags(std::string text) {
    std::string kept;
    kept.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        if (!kept.empty() && kept.back() == '<' && text[at] == '/') {
            const size_t close = text.find('>', at + 1);
            if (close == std::string::npos) break;
            kept.pop_back();
            at = close + 1;
            continue;
        }
        const size_t open = text.find("</", at);
        if (open == std::string::npos) break;
        const size_t close = text.find('>', open + 2);
        if (close == std::string::npos) break;
        kept.append(text, at, open - at);
        at = close + 1;
    }
    kept.append(text, at, std::string::npos);
    return kept;
}

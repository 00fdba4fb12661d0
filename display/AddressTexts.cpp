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

std::string StripClosingTags(std::string text) {
    for (;;) {
        size_t open = text.find("</");
        if (open == std::string::npos) return text;
        size_t close = text.find('>', open + 2);
        if (close == std::string::npos) return text;
        text.erase(open, close - open + 1);
    }
}

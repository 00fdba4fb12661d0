// Fuzz target: arbitrary bytes as a message's transport headers
// (PidTagTransportMessageHeaders) and identity values, merged into an
// exported message (RFC 5322 2.1.1, 2.2), and as the text of an mbox entry.
// Aborts when a copied field could break the header or the MIME structure:
// a bare CR or LF, a line over 998 bytes, a byte that is no plain header
// text, a line that is no field or continuation, a field the export writes
// itself or one of MIME structure; or when an mbox entry holds an unquoted
// "From " line.
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>

#include "export/EmlMessage.h"
#include "export/MboxWriter.h"
#include "export/TransportHeaders.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

constexpr size_t kMaxLine = 998;
constexpr std::string_view kOwnFields =
    "From: a@b.c\r\nTo: d@e.f\r\nSubject: x\r\nDate: Thu, 1 Jan 1970 00:00:00 +0000\r\n";

void Check(bool ok) {
    if (!ok) std::abort();
}

bool StartsWithNoCase(std::string_view line, std::string_view prefix) {
    if (line.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(line[i])) != prefix[i]) return false;
    return true;
}

void CheckMerged(std::string_view merged) {
    size_t pos = 0;
    while (pos < merged.size()) {
        size_t end = merged.find("\r\n", pos);
        Check(end != std::string_view::npos);
        std::string_view line = merged.substr(pos, end - pos);
        Check(!line.empty() && line.size() <= kMaxLine);
        for (char c : line)
            Check(c == ' ' || c == '\t' || (c > ' ' && c < 0x7F));
        bool continuation = line[0] == ' ';
        Check(continuation || line.find(':') != std::string_view::npos);
        Check(pos != 0 || !continuation);
        if (!continuation) {
            for (std::string_view reserved :
                 {"content-", "mime-version:", "from:", "to:", "subject:", "date:", "x-recovered:"})
                Check(!StartsWithNoCase(line, reserved));
        }
        pos = end + 2;
    }
}

// The header block of a composed message: lines up to the first empty one.
void CheckComposed(const std::string& eml) {
    size_t end = eml.find("\r\n\r\n");
    Check(end != std::string::npos);
    std::string_view head(eml.data(), end + 2);
    size_t contentTypes = 0;
    size_t pos = 0;
    while (pos < head.size()) {
        size_t next = head.find("\r\n", pos);
        std::string_view line = head.substr(pos, next - pos);
        Check(line.size() <= kMaxLine);
        Check(line.find('\r') == std::string_view::npos &&
              line.find('\n') == std::string_view::npos);
        Check(line.rfind("--", 0) != 0);
        if (StartsWithNoCase(line, "content-type:")) ++contentTypes;
        pos = next + 2;
    }
    Check(contentTypes == 1);
}

void CheckMbox(std::string_view text) {
    std::string entry = MboxEntry(text, 0);
    size_t pos = entry.find('\n') + 1; // after the separator
    while (pos < entry.size()) {
        size_t end = entry.find('\n', pos);
        Check(end != std::string::npos);
        Check(entry.compare(pos, 5, "From ") != 0);
        pos = end + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckMerged(MergedTransportFields(text, kOwnFields));
    tpstmessage m;
    m.Kind = kKindMail;
    m.MailInfo = std::make_unique<tmailinfo>();
    m.MailInfo->TransportHeaders = std::string(text);
    m.MailInfo->InternetMessageId = std::string(text.substr(0, text.size() / 2));
    m.MailInfo->InternetReferences = std::string(text.substr(text.size() / 2));
    m.MailInfo->Body = std::string(text);
    std::mt19937 random(1);
    CheckComposed(ComposeEml(m, random));
    CheckMbox(text);
    return 0;
}

// The mboxrd form of an mbox file (RFC 4155 and the mboxrd quoting it
// refers to): separator lines, ">From " quoting, LF line ends.
#include "export/MboxWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr std::string_view kFromWord = "From ";
// A moment gmtime cannot place is written as the epoch.
constexpr std::time_t kFallbackTime = 0;

// Whether a line is ">"* then "From ": such lines get one more ">".
bool NeedsQuote(std::string_view line) {
    size_t i = 0;
    while (i < line.size() && line[i] == '>')
        ++i;
    return line.substr(i, kFromWord.size()) == kFromWord;
}

} // namespace

std::string MboxSeparator(std::time_t when) {
    std::tm t{};
    if (!gmtime_r(&when, &t) || t.tm_year + 1900 > 9999 || t.tm_year + 1900 < 1) {
        std::time_t epoch = kFallbackTime;
        gmtime_r(&epoch, &t);
    }
    char buffer[64];
    std::strftime(buffer, sizeof buffer, "%a %b %e %H:%M:%S %Y", &t);
    return std::string("From - ") + buffer + "\n";
}

std::string MboxEntry(std::string_view message, std::time_t when) {
    std::string out = MboxSeparator(when);
    out.reserve(out.size() + message.size() + 2);
    size_t pos = 0;
    while (pos < message.size()) {
        size_t end = message.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = message.size();
        std::string_view line = message.substr(pos, end - pos);
        if (NeedsQuote(line)) out += '>';
        out += line;
        out += '\n';
        pos = end;
        if (pos == message.size()) break;
        // One break: CR LF, or a lone CR or LF.
        bool crlf = message[pos] == '\r' && pos + 1 < message.size() && message[pos + 1] == '\n';
        pos += crlf ? 2 : 1;
    }
    return out + "\n";
}

int32_t AppendMboxEntry(const std::string& path, std::string_view entry, bool start,
                        std::string* error) {
    int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (start ? O_TRUNC : O_APPEND);
    int fd = ::open(path.c_str(), flags, 0644);
    int saved = errno;
    bool ok = fd >= 0;
    for (size_t done = 0; ok && done < entry.size();) {
        ssize_t n = ::write(fd, entry.data() + done, entry.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            saved = errno;
            ok = false;
        } else {
            done += size_t(n);
        }
    }
    if (fd >= 0 && ::close(fd) != 0 && ok) {
        saved = errno;
        ok = false;
    }
    if (ok) return 0;
    if (error) *error = "cannot write " + path + ": " + std::strerror(saved);
    return -1;
}

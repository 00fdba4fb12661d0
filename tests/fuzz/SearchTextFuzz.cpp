// Fuzz target: arbitrary bytes as the texts the search reads: an HTML body
// read as text, and any text folded and searched. The first byte tells how
// many of the following bytes are the needle. Folding gives valid UTF-8 and
// folding its own output changes nothing; HTML as text is never longer than
// the HTML.
#include <cstdlib>
#include <string>

#include "display/SearchHtml.h"
#include "display/SearchText.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

bool IsUtf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const auto b = uint8_t(s[i]);
        const size_t n = b < 0x80           ? 1
                         : (b >> 5) == 0x6  ? 2
                         : (b >> 4) == 0xE  ? 3
                         : (b >> 3) == 0x1E ? 4
                                            : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((uint8_t(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ostrel::search;
    if (size == 0) return 0;
    const size_t needleBytes = std::min<size_t>(data[0], size - 1);
    const std::string_view needle(reinterpret_cast<const char*>(data + 1), needleBytes);
    const std::string_view text(reinterpret_cast<const char*>(data + 1 + needleBytes),
                                size - 1 - needleBytes);
    const std::string plain = HtmlToText(text);
    if (plain.size() > text.size()) std::abort();
    const std::string folded = FoldText(plain);
    if (!IsUtf8(folded) || FoldText(folded) != folded) std::abort();
    const std::string foldedNeedle = FoldText(needle);
    const bool part = ContainsFolded(folded, foldedNeedle, false);
    const bool whole = ContainsFolded(folded, foldedNeedle, true);
    if (whole && !part) std::abort();
    return 0;
}

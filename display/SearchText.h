// Text as the search compares it: folded to lower case with the accents of
// Latin letters taken off (a table of our own for Latin-1 Supplement and
// Latin Extended-A/B, so that no library's locale data decides what "e"
// matches), and runs of white space as one space. Input is untrusted bytes:
// UTF-8 where it decodes, else each byte taken as Windows-1252 (the 8-bit
// texts of ANSI files stay in their code page, [MS-OXCMSG] 2.2.1.56).
#pragma once

#include <string>
#include <string_view>

namespace ostrel::search {

// Appends the folded form of `text` to `out`.
void AppendFolded(std::string_view text, std::string& out);
// The folded form of `text`.
std::string FoldText(std::string_view text);

// Does the folded `haystack` hold the folded `needle`? Anywhere (parts of
// words), or only where it starts and ends at word boundaries. An empty
// needle matches everything.
bool ContainsFolded(std::string_view haystack, std::string_view needle, bool wholeWords);

} // namespace ostrel::search

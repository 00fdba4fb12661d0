// An HTML body as the search reads it: the text a reader sees, not its
// markup. Tags, comments and the content of script and style elements are
// dropped, block-level tags separate words, character references are
// decoded. The input is untrusted; the work is one pass, linear in its size.
#pragma once

#include <string>
#include <string_view>

namespace ostrel::search {

// Named references to accented Latin letters come out as their base letter
// (what folding makes of them anyway); unknown names stay as written.
std::string HtmlToText(std::string_view html);

} // namespace ostrel::search

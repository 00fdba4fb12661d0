// Characters of an RTF document as UTF-8: its 8-bit bytes in the code page
// that \ansicpg, \cpg or a font's \fcharset names (RTF 1.9.1, "Font table";
// [MS-OXRTFEX] 2.1.3.1.1 reads \'hh the same way), and \uN code points.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel::body {

inline constexpr uint32_t kCodepageWestern = 1252;
// \fcharset2: fonts whose bytes are symbols, not letters of a code page.
inline constexpr uint32_t kCodepageSymbol = 42;

// The Windows code page of an \fcharsetN; 0 when N names none.
uint32_t CharsetCodepage(int32_t charset);

// `bytes` of code page `codepage` as UTF-8, through iconv. Bytes that do
// not convert become U+FFFD; an unknown code page is read as Windows-1252.
std::string CodepageToUtf8(uint32_t codepage, std::string_view bytes);

// One code point as UTF-8; surrogates and values beyond U+10FFFF as U+FFFD.
void AppendUtf8(std::string& out, uint32_t codepoint);

} // namespace ostrel::body

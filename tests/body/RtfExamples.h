// Compressed RTF values and RTF documents that the body tests and the fuzz
// seeds share: the two worked examples of [MS-OXRTFCP] 3.1.1 and 3.1.2, and
// small documents of each kind a mail client or editor writes.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace rtfexamples {

// [MS-OXRTFCP] 3.1.1: a document with only literals and dictionary references.
inline const std::vector<uint8_t> kSimple{
    0x2d, 0x00, 0x00, 0x00, 0x2b, 0x00, 0x00, 0x00, 0x4c, 0x5a, 0x46, 0x75, 0xf1,
    0xc5, 0xc7, 0xa7, 0x03, 0x00, 0x0a, 0x00, 0x72, 0x63, 0x70, 0x67, 0x31, 0x32,
    0x35, 0x42, 0x32, 0x0a, 0xf3, 0x20, 0x68, 0x65, 0x6c, 0x09, 0x00, 0x20, 0x62,
    0x77, 0x05, 0xb0, 0x6c, 0x64, 0x7d, 0x0a, 0x80, 0x0f, 0xa0};
inline constexpr std::string_view kSimpleRtf = "{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n";

// [MS-OXRTFCP] 3.1.2: a reference that overlaps the bytes it writes.
inline const std::vector<uint8_t> kCrossing{
    0x1a, 0x00, 0x00, 0x00, 0x1c, 0x00, 0x00, 0x00, 0x4c, 0x5a, 0x46, 0x75, 0xe2, 0xd4, 0x4b,
    0x51, 0x41, 0x00, 0x04, 0x20, 0x57, 0x58, 0x59, 0x5a, 0x0d, 0x6e, 0x7d, 0x01, 0x0e, 0xb0};
inline constexpr std::string_view kCrossingRtf = "{\\rtf1 WXYZWXYZWXYZWXYZWXYZ}";

// HTML as Outlook encapsulates it ([MS-OXRTFEX] 2.1.3.1), with an entity,
// a Windows-1252 byte, text inside \htmlrtf that is not HTML, and a \par in a tag.
inline constexpr std::string_view kFromHtml =
    "{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 \\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}"
    "{\\*\\htmltag19 <html>}{\\*\\htmltag34 <head>}{\\*\\htmltag41 </head>}"
    "{\\*\\htmltag50 <body>}\\htmlrtf {\\pard\\plain\\f0 \\htmlrtf0 "
    "{\\*\\htmltag64 <p class=\"x\">}\\htmlrtf {\\htmlrtf0 Caf\\'e9 &amp; more"
    "{\\*\\htmltag84 &nbsp;}\\htmlrtf \\'a0\\htmlrtf0 \\tab end\\htmlrtf \\par\r\n}\\htmlrtf0 "
    "{\\*\\htmltag72 </p>}{\\*\\htmltag64 <pre>\\par line two</pre>}"
    "\\htmlrtf }\\htmlrtf0 {\\*\\htmltag58 </body>}{\\*\\htmltag27 </html>}}";

// Plain text as Exchange encapsulates it ([MS-OXRTFEX] 2.1.3.2).
inline constexpr std::string_view kFromText =
    "{\\rtf1\\ansi\\ansicpg1252\\fromtext \\deff0{\\fonttbl\r\n{\\f0\\fswiss Arial;}\r\n"
    "{\\f1\\fmodern Courier New;}}\r\n{\\colortbl\\red0\\green0\\blue0;}\r\n"
    "\\uc1\\pard\\plain\\deftab360 \\f0\\fs20 First line\\par\r\nSecond\\tab line "
    "<b>not markup</b>\\par\r\n}";

// An editor's document: formatting, a list, a table, a link and a picture.
inline constexpr std::string_view kEditor =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
    "{\\f1\\fnil\\fcharset2 Symbol;}}{\\colortbl ;\\red255\\green0\\blue0;}"
    "{\\*\\generator Riched20 10.0;}\\viewkind4\\uc1\\pard\\f0\\fs20 Plain "
    "{\\b bold} {\\i italic} {\\ul under}\\ulnone  {\\cf1\\fs28 red}\\par\r\n"
    "{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'b7}}First item\\par\r\n"
    "{\\pntext\\f1\\'b7\\tab}Second item\\par\r\n\\pard "
    "\\trowd\\cellx1000\\cellx2000\\intbl A1\\cell B1\\cell\\row"
    "\\trowd\\cellx1000\\cellx2000\\intbl A2\\cell B2\\cell\\row\\pard "
    "Visit {\\field{\\*\\fldinst{HYPERLINK \"https://example.org/a?b=1&c=2\"}}"
    "{\\fldrslt{\\ul\\cf1 the site}}} now.\\par\r\n"
    "{\\pict\\pngblip\\picw10\\pich10 89504e470d0a1a0a}"
    "{\\*\\shppict{\\pict\\jpegblip ffd8ffe0}}After\\line line\\par\r\n}";

} // namespace rtfexamples

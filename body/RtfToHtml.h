// RTF that encapsulates nothing (written by an RTF editor) as simple, safe
// HTML: paragraphs, line breaks, bold, italic, underline, font size and
// colour, list bullets as text, tables as rows and cells, and links from
// HYPERLINK fields with http, https or mailto addresses. Nothing else of the
// document reaches the HTML: no pictures, objects, scripts, event
// attributes or references that would load anything.
#pragma once

#include <string>
#include <string_view>

namespace ostrel::body {

// A whole HTML document in UTF-8.
std::string HtmlOfRtf(std::string_view rtf);

// < > & " as entities.
std::string EscapedHtml(std::string_view text);

// The address of a HYPERLINK field instruction when its scheme is http,
// https or mailto (given back in lower case); empty otherwise.
std::string HyperlinkTarget(std::string_view instruction);

} // namespace ostrel::body

// The original body inside RTF written by a mail client ([MS-OXRTFEX]):
// the HTML of a \fromhtml1 document, the plain text of a \fromtext one.
#pragma once

#include <string>
#include <string_view>

namespace ostrel::body {

// The HTML of [MS-OXRTFEX] 2.1.3.1: \*\htmltag groups and the text outside
// \htmlrtf, with \par as CR LF and \tab as a tab, as UTF-8.
std::string HtmlFromRtf(std::string_view rtf);

// The text of the document's body, as UTF-8 with CR LF line breaks: what a
// \fromtext document holds, and a plain reading of any other.
std::string TextFromRtf(std::string_view rtf);

} // namespace ostrel::body

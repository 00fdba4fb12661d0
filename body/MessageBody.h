// The body of a message as viewers and the export use it, chosen once: the
// HTML body (PidTagBodyHtml), else the plain body (PidTagBody), else what
// the compressed RTF body (PidTagRtfCompressed, [MS-OXCMSG] 2.2.1.58.4)
// holds: its encapsulated HTML or text ([MS-OXRTFEX]), or its RTF rendered.
#pragma once

#include <string>

#include "engine/messaging/MessageObject.h"

namespace ostrel::body {

enum class BodyKind { None, Html, Plain };

enum class BodySource {
    None,
    HtmlProperty,  // PidTagBodyHtml
    PlainProperty, // PidTagBody
    RtfHtml,       // RTF with \fromhtml1: the original HTML
    RtfText,       // RTF with \fromtext: the original text
    RtfRendered,   // RTF from an editor, rendered as HTML
};

struct tmessagebody {
    BodyKind Kind = BodyKind::None;
    BodySource Source = BodySource::None;
    // HTML or text. From the properties as the engine gives them (up to
    // their first zero byte; 8-bit text of ANSI files stays in its charset);
    // from the RTF always UTF-8.
    std::string Text;
    bool RtfCrcMismatch = false; // the RTF was used though its CRC did not match
    bool RtfTruncated = false;   // the RTF ended early; what was read is used
};

tmessagebody MessageBody(const tmailinfo* mail);

// The body made from a PidTagRtfCompressed value alone; Kind None when it
// holds no RTF.
tmessagebody BodyFromRtf(const tbytes& rtfCompressed);

} // namespace ostrel::body

// The texts of a message object as the vCard and iCalendar writers need
// them: always UTF-8 (8-bit text of ANSI files converted from the item's
// code page), and the body as plain text.
#pragma once

#include <string>

#include "engine/messaging/MessageObject.h"

// `text` up to its first zero byte as UTF-8: kept when it is UTF-8 already,
// else read in the item's code page (PidTagInternetCodepage, else
// PidTagMessageCodepage, else Windows-1252).
std::string ItemUtf8(const tpstmessage& item, const ttext& text);
std::string ItemUtf8(const tpstmessage& item, const std::string& text);

// The body as plain UTF-8 text: PidTagBody, else the text the compressed
// RTF holds, else the HTML body with its tags removed; empty when none.
std::string ItemPlainBody(const tpstmessage& item);

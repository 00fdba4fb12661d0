// The body a viewer shows, as one HTML text: the HTML body when there is one,
// else the plain body escaped for HTML with its CR LF line breaks as <BR>,
// else the body that the compressed RTF holds (body/MessageBody.h).
#pragma once

#include <string>

#include "engine/messaging/MessageObject.h"

// The HTML body, else the escaped plain body, else the RTF's HTML or its
// escaped text, else empty. Property texts end at their first zero byte: the
// engine's texts carry their terminator.
std::string ItemBodyText(const tpstmessage& item);

// < > & as entities and each CR LF as <BR>; a lone CR or LF stays as it is.
std::string EscapedPlainBody(const std::string& body);

// Who sent and who received an item, as the item list and the message viewer
// show it: "Name(address)" senders, with directory (X.500, "/OU") addresses
// left out, and the display lists of recipients with stray closing tags
// removed.
#pragma once

#include <string>

#include "engine/messaging/MessageObject.h"

// Whether `address` is a directory address (it holds "/OU", in any case).
bool IsDirectoryAddress(const ttext& address);

// The list's sender cell: "Name(address)" with the name cut to 255 bytes, the
// address alone, the name alone for a directory address, or "<Unknown sender>".
std::string SenderText(const ttext& name, const ttext& address);

// The message viewer's sender: as SenderText, but empty where the list shows
// "<Unknown sender>".
std::string ViewerSenderText(const tmailinfo& mail);

// The text with every "</...>" removed; a "</" without a ">" after it stays.
std::string StripClosingTags(std::string text);

// Which character set a text of a message object is in: the names that MIME
// headers give to Windows code pages, and the choice between UTF-8 (text
// converted from Unicode properties) and the message's own 8-bit charset.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/messaging/MessageObject.h"

// The MIME charset name of a Windows code page; nullopt when it has none here.
std::optional<std::string> CodepageCharset(uint32_t codepage);

// The charset of 8-bit `text` of the message: its InternetCodepage, else its
// MessageCodepage, else the charset its Internet headers named, else
// windows-1252; a candidate that cannot hold the text (a 7-bit charset for
// 8-bit bytes, UTF-8 for bytes that are no UTF-8) is passed over. `mail`
// may be null.
std::string EightBitCharset(const tmailinfo* mail, std::string_view text);

// The charset of a body: "utf-8" when it came from a Unicode property,
// otherwise the charset of its 8-bit text.
std::string BodyCharset(const tmailinfo* mail, bool wasUnicode, std::string_view text);

// Strings whose origin the object does not record (subject, names): bytes
// that are valid UTF-8 were converted from Unicode (or are plain ASCII),
// others are 8-bit text of the message.
std::string HeaderTextCharset(const tmailinfo* mail, std::string_view text);

bool IsValidUtf8(std::string_view text);

// The length of the character that starts at `i` in text of that charset, so
// that encoded-words and cut names never end inside a character. Always at
// least 1 and never beyond the end of `text`.
size_t CharLength(std::string_view charset, std::string_view text, size_t i);

// File names for saving attachments, made from names the mailbox file
// chose: whatever the stored name says, the result names one ordinary file
// directly inside the chosen folder, and it shows as it is (no hidden files,
// no text-direction tricks).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ostrel::names {

// The longest saved name in UTF-8 bytes; file systems allow 255.
inline constexpr size_t kMaxSafeNameBytes = 200;
// A longer tail after the last dot is not kept as an extension when a name is cut.
inline constexpr size_t kMaxKeptExtensionBytes = 16;
// Used when nothing of the stored name is left.
inline constexpr std::string_view kFallbackName = "attachment";

// `name` as one safe file name: "/", "\", control characters, invalid UTF-8
// and text-direction marks become "_", runs of dots become one dot, leading
// dots and spaces and trailing dots and spaces go, an empty result becomes
// "attachment", and a name longer than kMaxSafeNameBytes is cut at a
// character boundary keeping its extension.
std::string SafeFileName(std::string_view name);

// "name (n).ext" for the n-th of several files of one safe name (n >= 2),
// within kMaxSafeNameBytes.
std::string NumberedFileName(std::string_view safeName, int n);

} // namespace ostrel::names

// UTF-16LE text to UTF-8: the one decoder for the Unicode strings of a
// mailbox ([MS-PST] 2.1 stores them as UTF-16LE). A surrogate without its
// partner becomes U+FFFD.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Bytes needed for code point `cp` in UTF-8.
int Utf8Length(uint32_t cp);

// Writes code point `cp` as its `len` UTF-8 bytes at `out`.
void PutUtf8(uint8_t* out, uint32_t cp, int len);

// The code point that starts at unit `i` of the `units` UTF-16LE units at
// `wide`, and in `taken` how many units it takes (1 or 2).
uint32_t Utf16CodePoint(const uint8_t* wide, size_t units, size_t i, size_t& taken);

// The `units` UTF-16LE units at `wide` as UTF-8, ending at the first zero
// unit: writers often store the terminator too.
std::string Utf16ToUtf8(const uint8_t* wide, size_t units);

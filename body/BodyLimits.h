// Bounds that keep the work on an RTF body finite whatever the file holds.
// Each lies far above what a real message body needs; input that crosses one
// is cut there rather than refused, so what was read before still shows.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrel::body {

// The RTF text of one body, after decompression ([MS-OXRTFCP] 2.1.3). RAWSIZE
// is 32 bits, so a crafted header may claim 4 GB; real bodies with pictures
// stay in the low megabytes.
inline constexpr uint32_t kMaxRtfBytes = 64u << 20;

// Groups nest a few dozen levels in real documents (tables, fields, lists).
// Deeper braces still count, so the document's structure is kept, but they
// inherit the state of the deepest level instead of growing the stack.
inline constexpr size_t kMaxRtfGroupDepth = 512;

// \ucN: how many fallback characters follow each \uN. Writers use 0 to 2.
inline constexpr int32_t kMaxUnicodeFallback = 16;

// A control word is at most 32 letters and its parameter a signed 16-bit
// number in the RTF documents; longer runs are read but not kept.
inline constexpr size_t kMaxControlWordLetters = 32;
inline constexpr size_t kMaxParameterDigits = 10;

// Rendered HTML wraps each run of text in its tags, so a document that
// changes its formatting at every character grows several times over. The
// rendering stops taking content at this size (a real body's HTML is far
// smaller) and only closes what it opened.
inline constexpr size_t kMaxRenderedHtmlBytes = 32u << 20;

// The text of one field instruction (a HYPERLINK and its URL).
inline constexpr size_t kMaxFieldInstructionBytes = 8192;

} // namespace ostrel::body

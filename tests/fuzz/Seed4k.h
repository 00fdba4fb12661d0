// The seed file of the 4 KiB-layout fuzz target: a small image in the layout
// of current Outlook's OST files (wVer 36; not in [MS-PST]) whose B-trees
// list a stored block, compressed data blocks, a compressed XBLOCK over two
// of them and a compressed SLBLOCK, so that edits land on every structure
// the layout changes.
#pragma once

#include <cstdint>
#include <vector>

namespace ostrel::fuzz {

const std::vector<uint8_t>& Seed4kImage();

// The fuzz input's first byte: even bytes test the inflation alone, odd ones
// edit the seed image.
inline constexpr uint8_t kInflateMode = 0;
inline constexpr uint8_t kImageMode = 1;

} // namespace ostrel::fuzz

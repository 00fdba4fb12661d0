// A multi-valued Unicode string property (PtypMultipleString, stored as
// [MS-PST] 2.3.3.4.2 lays out variable-size values: a count, one offset per
// entry, then the UTF-16LE entries) as the one line a viewer field shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The entries as UTF-8 joined by "; ", each ending at its first zero unit.
// An entry whose offsets are out of order or beyond `size` stays empty; a
// count that the offsets cannot fit in `size` is damage and gives "".
std::string MultiStringText(const uint8_t* value, size_t size);

// In-place damage of a seed mailbox driven by fuzzer bytes: the first byte
// picks the seed, every further 8 bytes one change to a B-tree page, a block
// as stored, or the decoded data of a heap block. The file keeps its size, so
// the header and most structures stay valid and the damage reaches deep.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ostrel::fuzz {

struct SeedMailbox;

// The damaged copy of the chosen seed; an empty input gives seed 0 intact.
std::vector<uint8_t> MutatedSeed(const uint8_t* data, size_t size);
// The same over another list of seeds (not empty).
std::vector<uint8_t> MutatedSeed(const uint8_t* data, size_t size,
                                 const std::vector<SeedMailbox>& seeds);

} // namespace ostrel::fuzz

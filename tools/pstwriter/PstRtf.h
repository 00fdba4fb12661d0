// PidTagRtfCompressed values in the uncompressed form of [MS-OXRTFCP] 2.1.3.1: the 16-byte
// header (COMPSIZE, RAWSIZE, COMPTYPE "MELA", CRC 0) followed by the RTF text as it is.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pstw {

std::vector<uint8_t> uncompressedRtf(const std::string& rtf);

} // namespace pstw

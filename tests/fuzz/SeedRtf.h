// The seed inputs of the RTF fuzz targets: compressed values and documents.
#pragma once

#include <filesystem>

namespace ostrel::fuzz {

void WriteRtfSeeds(const std::filesystem::path& decompressDir,
                   const std::filesystem::path& readerDir);

} // namespace ostrel::fuzz

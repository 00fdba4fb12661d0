// What the viewer does right after opening a file, as the fuzz targets drive
// it: the open sequence, the folder rows, and each folder's item list.
#pragma once

#include <cstdint>
#include <span>

namespace ostrel::fuzz {

void OpenAndListFolders(std::span<const uint8_t> fileBytes);

} // namespace ostrel::fuzz

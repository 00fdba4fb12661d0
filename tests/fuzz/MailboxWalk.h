// What the viewer does right after opening a file, as the fuzz targets drive
// it: the open sequence, the folder rows, and each folder's item list; and
// the check that the collections' cheap reads give what the whole builds do.
#pragma once

#include <cstdint>
#include <span>

namespace ostrel::fuzz {

void OpenAndListFolders(std::span<const uint8_t> fileBytes);

// Aborts, printing both sides, where the cheap read of a node or the folder
// and item lists it gives differ from the whole build's.
void CheckCheapReadsAgree(std::span<const uint8_t> fileBytes);

} // namespace ostrel::fuzz

// Per-process scratch places for the fuzz targets: the file the engine opens
// (the mailbox reads from a path) and an export directory that is checked for
// writes outside it and emptied after every input.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace ostrel::fuzz {

// Writes `bytes` to this process's scratch mailbox file and returns its path.
std::string WriteScratchFile(std::span<const uint8_t> bytes);

// An empty export directory nested a few levels inside this process's
// scratch root, so that names climbing out of it land where they are seen.
std::filesystem::path FreshExportDir();

// Aborts when anything was written beside the export directory or any of the
// levels above it up to the scratch root, or when the export holds a symlink;
// then empties the export directory.
void CheckAndClearExport(const std::filesystem::path& exportDir);

} // namespace ostrel::fuzz

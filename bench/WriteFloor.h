// The floor of any export on this machine: the files an export wrote, created again with the
// same directories, names and sizes and nothing else to do (no mailbox read, no message
// composed). On a file system where creating a file costs tens of microseconds, a
// mailbox of many small items exports no faster than this, whatever the exporter does.
#pragma once

#include <filesystem>

#include "bench/CommandTimer.h"

namespace bench {

// Writes under `to` (which must not exist) a file of zeros for every regular file under `from`,
// at the same relative path and of the same size, on one thread, and times only the writing:
// the walk of `from` comes first. exitStatus is 0, or 1 when a directory or file could not be
// written; maxRssKb stays 0.
CommandRun writeSameFiles(const std::filesystem::path& from, const std::filesystem::path& to);

} // namespace bench

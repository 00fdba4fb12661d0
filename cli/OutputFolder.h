// The output folder of `ostrel export` and `ostrel save-attachments`.
#pragma once

#include <ostream>
#include <string>

namespace ostrel::cli {

// DIR is made when missing (one level, as `mkdir` would); anything else
// there that is not a directory is an error, reported on `err`.
bool PrepareDirectory(const std::string& dir, std::ostream& err);

} // namespace ostrel::cli

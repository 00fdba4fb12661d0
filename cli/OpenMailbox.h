// Opening the mailbox a command reads: a file that is no mailbox this
// program reads is told on standard error with the reason, and the command
// ends with exit status 2.
#pragma once

#include <ostream>
#include <string>

#include "mailbox/uPST64File.h"

namespace ostrel::cli {

inline constexpr int kUnreadableStatus = 2;

// Opens `file` into `pst`; false after printing "ostrel: FILE: reason" to `err`.
bool OpenMailbox(TPst64File& pst, const std::string& file, std::ostream& err);

} // namespace ostrel::cli

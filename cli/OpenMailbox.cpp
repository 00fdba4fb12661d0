// Opening a command's mailbox (see OpenMailbox.h).
#include "cli/OpenMailbox.h"

namespace ostrel::cli {

bool OpenMailbox(TPst64File& pst, const std::string& file, std::ostream& err) {
    pst.Open(file);
    if (pst.Unreadable.empty()) return true;
    err << "ostrel: " << file << ": " << pst.Unreadable << "\n";
    return false;
}

} // namespace ostrel::cli

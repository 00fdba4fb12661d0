// `ostrel export`: the whole mailbox as .eml files.
#include <iostream>

#include "cli/Commands.h"

namespace ostrel::cli {

int Export(const std::string&, const std::string&, std::ostream&, std::ostream& err) {
    err << "ostrel: export is not available yet\n";
    return 2;
}

} // namespace ostrel::cli

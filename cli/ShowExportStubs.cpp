// Placeholder until the show and export commands land.
#include <iostream>

#include "cli/Commands.h"

namespace ostrel::cli {

int Show(const std::string&, const std::string&, std::ostream&) {
    std::cerr << "ostrel: show is not available yet\n";
    return 2;
}

int Export(const std::string&, const std::string&, std::ostream&, std::ostream& err) {
    err << "ostrel: export is not available yet\n";
    return 2;
}

} // namespace ostrel::cli

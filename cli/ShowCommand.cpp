// `ostrel show`: every field of one node's message object.
#include <iostream>

#include "cli/Commands.h"

namespace ostrel::cli {

int Show(const std::string&, const std::string&, std::ostream&) {
    std::cerr << "ostrel: show is not available yet\n";
    return 2;
}

} // namespace ostrel::cli

// `ostrel body`: the HTML that the item viewer shows as one object's body,
// from the same display function the window uses.
#include <iostream>

#include "cli/Commands.h"
#include "cli/NodeArgument.h"
#include "display/BodyText.h"

namespace ostrel::cli {

int Body(const std::string& file, const std::string& nidText, std::ostream& out) {
    TPst64File pst;
    int status = 0;
    std::unique_ptr<tpstmessage> object = LoadNodeObject(pst, file, nidText, std::cerr, status);
    if (!object) return status;
    out << ItemBodyText(*object);
    return 0;
}

} // namespace ostrel::cli

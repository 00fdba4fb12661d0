// `ostrel body`: the HTML that the item viewer shows as one object's body,
// from the same display function the window uses.
#include <ostream>

#include "cli/Commands.h"
#include "display/BodyText.h"

namespace ostrel::cli {

int Body(const std::string& file, const std::string& nid, std::ostream& out) {
    return WithObject(file, nid,
                      [&out](const tpstmessage& object) { out << ItemBodyText(object); });
}

} // namespace ostrel::cli

// `ostrel show`: every field of one node's message object, one
// "Field<TAB>value" a line.
#include <iostream>

#include "cli/Commands.h"
#include "cli/NodeArgument.h"
#include "display/ItemRows.h"
#include "display/MessageDump.h"
#include "engine/uPST64Format.h"
#include "mailbox/uPST64File.h"

namespace ostrel::cli {

int Show(const std::string& file, const std::string& nidText, std::ostream& out) {
    TPst64File pst;
    int status = 0;
    tnodeentry* node = nullptr;
    std::unique_ptr<tpstmessage> object =
        LoadNodeObject(pst, file, nidText, std::cerr, status, &node);
    if (!object) return status;
    for (const tdumpline& line : DumpMessage(*object))
        out << line.Field << "\t" << line.Value << "\n";
    if (pst.IsRecovered(node)) out << "Recovered\t" << kRecoveredMarker << "\n";
    return 0;
}

} // namespace ostrel::cli

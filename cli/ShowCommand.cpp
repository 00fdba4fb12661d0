// `ostrel show`: every field of one node's message object, one
// "Field<TAB>value" a line.
#include <iostream>
#include <optional>

#include "cli/Commands.h"
#include "cli/OpenMailbox.h"
#include "display/ItemRows.h"
#include "display/MessageDump.h"
#include "engine/uPST64Format.h"
#include "mailbox/uPST64File.h"

namespace ostrel::cli {
namespace {

// Hex with or without "0x"; none for an empty text, other characters or
// more than 64 bits.
std::optional<uint64_t> ParseNid(const std::string& text) {
    size_t start = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') ? 2 : 0;
    if (start == text.size() || text.size() - start > 16) return std::nullopt;
    uint64_t nid = 0;
    for (size_t i = start; i < text.size(); ++i) {
        char c = text[i];
        int digit = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
        if (digit < 0) return std::nullopt;
        nid = nid << 4 | uint64_t(digit);
    }
    return nid;
}

} // namespace

int Show(const std::string& file, const std::string& nidText, std::ostream& out) {
    std::optional<uint64_t> nid = ParseNid(nidText);
    if (!nid) {
        std::cerr << "ostrel: " << nidText << ": not a NID (hex, as 0x8024)\n";
        return 2;
    }
    TPst64File pst;
    if (!OpenMailbox(pst, file, std::cerr)) return kUnreadableStatus;
    tnodeentry* node = FindNode(&pst.Engine, *nid);
    if (!node) {
        std::cerr << "ostrel: " << file << ": no node " << nidText << "\n";
        return 1;
    }
    std::unique_ptr<tpstmessage> object = pst.ReadObject(node);
    if (!object) {
        std::cerr << "ostrel: " << file << ": node " << nidText << " has no readable object\n";
        return 1;
    }
    for (const tdumpline& line : DumpMessage(*object))
        out << line.Field << "\t" << line.Value << "\n";
    if (pst.IsRecovered(node)) out << "Recovered\t" << kRecoveredMarker << "\n";
    return 0;
}

} // namespace ostrel::cli

// The NID argument and the object it names (see NodeArgument.h).
#include "cli/NodeArgument.h"

#include "cli/OpenMailbox.h"
#include "engine/uPST64Format.h"

namespace ostrel::cli {

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

std::unique_ptr<tpstmessage> LoadNodeObject(TPst64File& pst, const std::string& file,
                                            const std::string& nidText, std::ostream& err,
                                            int& status, tnodeentry** nodeOut) {
    std::optional<uint64_t> nid = ParseNid(nidText);
    if (!nid) {
        err << "ostrel: " << nidText << ": not a NID (hex, as 0x8024)\n";
        status = 2;
        return nullptr;
    }
    if (!OpenMailbox(pst, file, err)) {
        status = kUnreadableStatus;
        return nullptr;
    }
    tnodeentry* node = FindNode(&pst.Engine, *nid);
    if (!node) {
        err << "ostrel: " << file << ": no node " << nidText << "\n";
        status = 1;
        return nullptr;
    }
    if (nodeOut) *nodeOut = node;
    std::unique_ptr<tpstmessage> object = pst.ReadObject(node);
    if (!object) {
        err << "ostrel: " << file << ": node " << nidText << " has no readable object\n";
        status = 1;
    }
    return object;
}

} // namespace ostrel::cli

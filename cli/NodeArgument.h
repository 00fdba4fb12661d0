// The NID argument of `ostrel show`, `attachments` and `save-attachments`:
// its parsing and the object of the node it names, with the messages and
// exit statuses those commands share.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "mailbox/uPST64File.h"

namespace ostrel::cli {

// Hex with or without "0x"; none for an empty text, other characters or
// more than 64 bits.
std::optional<uint64_t> ParseNid(const std::string& text);

// Opens `file` into `pst` and gives the object of the node `nidText` names,
// or null with the reason on `err` and `status` set (2 for a bad NID or a file
// this program cannot read, 1 for no such node or no readable object). The
// node itself goes to `nodeOut` when one is asked for and found.
std::unique_ptr<tpstmessage> LoadNodeObject(TPst64File& pst, const std::string& file,
                                            const std::string& nidText, std::ostream& err,
                                            int& status, tnodeentry** nodeOut = nullptr);

} // namespace ostrel::cli

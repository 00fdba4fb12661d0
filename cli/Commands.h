// The commands of ostrel, each printing to the given streams and returning
// the exit status.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

struct tpstmessage;

namespace ostrel::cli {

int Folders(const std::string& file, std::ostream& out);
int Items(const std::string& file, const std::string& path, std::ostream& out);
int Show(const std::string& file, const std::string& nid, std::ostream& out);
int Body(const std::string& file, const std::string& nid, std::ostream& out);

// A NID in hex with or without "0x"; none for an empty text, other
// characters or more than 64 bits.
std::optional<uint64_t> ParseNid(const std::string& text);

// Opens `file`, builds the object of node `nid` and hands it to `use`; the
// exit status, with what went wrong said on standard error.
int WithObject(const std::string& file, const std::string& nid,
               const std::function<void(const tpstmessage&)>& use);
int Export(const std::string& file, const std::string& dir, std::ostream& out, std::ostream& err);

} // namespace ostrel::cli

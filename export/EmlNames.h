// The names the EML export gives to what it writes: a message file from its
// subject and NID, a folder directory from the folder name, both made safe
// so that nothing lands outside the chosen directory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The NID in upper-case hexadecimal, at least 8 digits.
std::string NidHex(uint64_t nid);

// Subject with / \ " : * ? < > and control characters as "_", cut to its
// first 64 characters, then "_", the NID in hex and ".eml".
std::string EmlFileName(std::string_view subject, uint64_t nid);

// A folder name as a directory name: "/" and control characters become
// "_", "." and ".." become "_" and "__", overlong names are cut. Empty
// stays empty.
std::string SafeDirectoryName(std::string_view folderName);

// `name` with " (n)" before its extension (after the whole name when
// `extension` is empty), for the n-th of several of the same name.
std::string NumberedName(std::string_view name, std::string_view extension, int n);

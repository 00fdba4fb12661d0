// Writing saved attachments into the folder the user chose, and nowhere
// else: each file is new (an existing file keeps its bytes; the name gets a
// number instead), is created directly in that folder, and no link is
// followed, whatever name the mailbox suggested.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace ostrel::names {

// "name (2).ext" up to this number is tried before a save gives up.
inline constexpr int kMaxNumberedNames = 9999;
inline constexpr mode_t kSavedFileMode = 0644;

struct tsavedfile {
    bool Ok = false;
    std::string Path;  // folder + "/" + the name used, when Ok
    std::string Error; // why not, when not Ok
};

// Writes `bytes` as a new file in `folder` named SafeFileName(name), or the
// first free numbered name after it. The file is created with O_CREAT |
// O_EXCL | O_NOFOLLOW relative to the opened folder, then checked to be the
// entry of that name in that folder; a file left half-written is removed.
tsavedfile WriteNewFileInFolder(const std::string& folder, std::string_view name,
                                std::string_view bytes, mode_t mode = kSavedFileMode);

// The name WriteNewFileInFolder would use now: SafeFileName(name) or the
// first numbered name that no entry of `folder` has (links included).
std::string FreeFileName(const std::string& folder, std::string_view name);

} // namespace ostrel::names

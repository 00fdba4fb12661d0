// The output folder of the writing commands (see OutputFolder.h).
#include "cli/OutputFolder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace ostrel::cli {

bool PrepareDirectory(const std::string& dir, std::ostream& err) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        err << "ostrel: " << dir << ": not a directory\n";
        return false;
    }
    if (::mkdir(dir.c_str(), 0777) == 0) return true;
    err << "ostrel: " << dir << ": " << std::strerror(errno) << "\n";
    return false;
}

} // namespace ostrel::cli

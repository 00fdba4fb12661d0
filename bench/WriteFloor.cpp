// The floor of any export on this machine (see WriteFloor.h).
#include "bench/WriteFloor.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace bench {
namespace {

namespace fs = std::filesystem;

struct FileToWrite {
    fs::path relative;
    uintmax_t size = 0;
};

// Writes `size` zeros to a new file; false on any failure.
bool writeZeros(const fs::path& path, uintmax_t size, const std::vector<char>& zeros) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    while (ok && size > 0) {
        const size_t chunk = size_t(std::min<uintmax_t>(size, zeros.size()));
        const ssize_t wrote = ::write(fd, zeros.data(), chunk);
        ok = wrote > 0;
        if (ok) size -= uintmax_t(wrote);
    }
    return ::close(fd) == 0 && ok;
}

} // namespace

CommandRun writeSameFiles(const fs::path& from, const fs::path& to) {
    std::vector<fs::path> directories;
    std::vector<FileToWrite> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(from, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path relative = fs::relative(it->path(), from, ec);
        if (it->is_directory(ec))
            directories.push_back(relative);
        else if (it->is_regular_file(ec))
            files.push_back({relative, it->file_size(ec)});
    }
    const std::vector<char> zeros(1 << 16, 0);
    CommandRun run;
    const auto start = std::chrono::steady_clock::now();
    bool ok = fs::create_directory(to, ec);
    for (const fs::path& dir : directories)
        ok = fs::create_directory(to / dir, ec) && ok;
    for (const FileToWrite& file : files)
        ok = writeZeros(to / file.relative, file.size, zeros) && ok;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.exitStatus = ok ? 0 : 1;
    return run;
}

} // namespace bench

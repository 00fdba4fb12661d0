// New files inside one folder (see FolderWriter.h). Every name is resolved
// relative to a descriptor of the folder (openat), so a name never reaches
// another folder, and O_EXCL refuses an existing entry, a link included.
#include "display/FolderWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "display/SafeFileName.h"

namespace ostrel::names {
namespace {

class tfd {
public:
    explicit tfd(int fd) : fd_(fd) {}
    ~tfd() {
        if (fd_ >= 0) ::close(fd_);
    }
    tfd(const tfd&) = delete;
    tfd& operator=(const tfd&) = delete;
    int get() const { return fd_; }
    // Closes now, for the error close() reports.
    int Close() {
        int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

std::string Candidate(const std::string& safe, int n) {
    return n == 1 ? safe : NumberedFileName(safe, n);
}

bool WriteAll(int fd, std::string_view bytes) {
    for (size_t done = 0; done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

// The opened file is the entry `name` of the folder: same device and inode,
// a regular file, not a link.
bool IsEntryOf(int dirFd, const std::string& name, int fd) {
    struct stat opened {
    }, entry{};
    if (::fstat(fd, &opened) != 0) return false;
    if (::fstatat(dirFd, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0) return false;
    return S_ISREG(entry.st_mode) && entry.st_dev == opened.st_dev && entry.st_ino == opened.st_ino;
}

tsavedfile Failure(const std::string& what, int error) {
    tsavedfile result;
    result.Error = what + ": " + std::strerror(error);
    return result;
}

} // namespace

tsavedfile WriteNewFileInFolder(const std::string& folder, std::string_view name,
                                std::string_view bytes, mode_t mode) {
    tfd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0) return Failure(folder, errno);
    const std::string safe = SafeFileName(name);
    for (int n = 1; n <= kMaxNumberedNames; ++n) {
        std::string candidate = Candidate(safe, n);
        tfd file(::openat(dir.get(), candidate.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (file.get() < 0 && errno == EEXIST) continue;
        std::string path = folder + "/" + candidate;
        if (file.get() < 0) return Failure(path, errno);
        if (!IsEntryOf(dir.get(), candidate, file.get())) return Failure(path, EXDEV);
        bool ok = WriteAll(file.get(), bytes);
        int error = errno;
        if (file.Close() != 0 && ok) {
            ok = false;
            error = errno;
        }
        if (!ok) {
            ::unlinkat(dir.get(), candidate.c_str(), 0);
            return Failure(path, error);
        }
        tsavedfile result;
        result.Ok = true;
        result.Path = std::move(path);
        return result;
    }
    return Failure(folder + "/" + safe, EEXIST);
}

std::string FreeFileName(const std::string& folder, std::string_view name) {
    const std::string safe = SafeFileName(name);
    tfd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0) return safe;
    for (int n = 1; n <= kMaxNumberedNames; ++n) {
        std::string candidate = Candidate(safe, n);
        struct stat st {};
        if (::fstatat(dir.get(), candidate.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 &&
            errno == ENOENT)
            return candidate;
    }
    return safe;
}

} // namespace ostrel::names

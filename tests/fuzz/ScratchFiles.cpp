// Scratch file and export directory of one fuzzing process.
#include "tests/fuzz/ScratchFiles.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>
#include <unistd.h>

namespace ostrel::fuzz {
namespace fs = std::filesystem;
namespace {

// Removed when the process ends normally; a crash leaves it for inspection.
struct ScratchRoot {
    fs::path path;
    ScratchRoot() {
        std::error_code ec;
        fs::path base =
            fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        path = base / ("ostrel-fuzz-" + std::to_string(getpid()));
        fs::create_directories(path);
    }
    ~ScratchRoot() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

const fs::path& Root() {
    static ScratchRoot root;
    return root.path;
}

constexpr const char* kLevels[] = {"a", "b", "c"};

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "export wrote outside its directory: %s\n", what.c_str());
    std::abort();
}

} // namespace

std::string WriteScratchFile(std::span<const uint8_t> bytes) {
    const fs::path path = Root() / "input.pst";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
}

fs::path FreshExportDir() {
    fs::path dir = Root();
    for (const char* level : kLevels)
        dir /= level;
    dir /= "out";
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir);
    return dir;
}

void CheckAndClearExport(const fs::path& exportDir) {
    // Every level from the root down holds exactly the next level (the root
    // also holds the scratch mailbox).
    fs::path level = Root();
    for (const char* next : kLevels) {
        for (const fs::directory_entry& e : fs::directory_iterator(level))
            if (e.path().filename() != next && e.path().filename() != "input.pst")
                Fail(e.path().string());
        level /= next;
    }
    for (const fs::directory_entry& e : fs::directory_iterator(level))
        if (e.path() != exportDir) Fail(e.path().string());
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(exportDir))
        if (e.is_symlink()) Fail(e.path().string());
    std::error_code ec;
    fs::remove_all(exportDir, ec);
}

} // namespace ostrel::fuzz

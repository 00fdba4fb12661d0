// Replays a fuzz target over its corpus: every file of every folder named on
// the command line (and every file named directly), in name order, so that
// the normal and sanitizer test builds keep each found fault fixed.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/fuzz/FuzzTarget.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> InputsOf(const fs::path& arg) {
    std::vector<fs::path> files;
    std::error_code ec;
    if (fs::is_regular_file(arg, ec)) return {arg};
    if (!fs::is_directory(arg, ec)) return files;
    for (const fs::directory_entry& e : fs::directory_iterator(arg))
        if (e.is_regular_file() && e.path().filename().string().front() != '.')
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

int main(int argc, char** argv) {
    size_t count = 0;
    for (int i = 1; i < argc; ++i)
        for (const fs::path& file : InputsOf(argv[i])) {
            std::ifstream in(file, std::ios::binary);
            std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++count;
        }
    std::printf("replayed %zu inputs\n", count);
    return count ? 0 : 1;
}

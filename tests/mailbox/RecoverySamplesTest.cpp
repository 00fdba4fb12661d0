// Damaged copies of the shared samples, made reproducibly here (fixed seeds
// and offsets): random pages overwritten, the header's B-tree roots zeroed,
// the file cut short. Whatever the folder list still shows, the export
// writes. The samples are read from OSTREL_SAMPLES_DIR; the test is skipped
// where there are none.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "tests/mailbox/ListedAndExported.h"
#include "tests/mailbox/OpenedMailbox.h"
#include "tools/pstwriter/PstDamage.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kFirstPage = 0x4400;
constexpr size_t kPage = 512;
constexpr size_t kVersionOffset = 10;
constexpr int kPagesSpoilt = 4;
constexpr unsigned kSeeds[] = {11u, 12u, 13u};

std::vector<fs::path> Samples() {
    std::vector<fs::path> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(OSTREL_SAMPLES_DIR, ec))
        if (e.is_regular_file() &&
            (e.path().extension() == ".pst" || e.path().extension() == ".ost"))
            out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<uint8_t> Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

pstw::Layout LayoutOf(const std::vector<uint8_t>& file) {
    return file[kVersionOffset] >= 21 ? pstw::Layout::Unicode : pstw::Layout::Ansi;
}

// The damaged copies of one sample, each with its name.
std::vector<std::pair<std::string, std::vector<uint8_t>>> Damaged(const std::vector<uint8_t>& f) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> out;
    if (f.size() < kFirstPage + kPage) return out;
    size_t pages = (f.size() - kFirstPage) / kPage;
    for (unsigned seed : kSeeds) {
        std::mt19937 random(seed);
        std::vector<uint8_t> copy = f;
        for (int n = 0; n < kPagesSpoilt; ++n)
            pstw::overwritePage(copy, kFirstPage + random() % pages * kPage, uint8_t(random()));
        out.emplace_back("pages, seed " + std::to_string(seed), std::move(copy));
    }
    std::vector<uint8_t> roots = f;
    pstw::zeroHeaderRoots(roots, LayoutOf(f));
    out.emplace_back("header roots zeroed", std::move(roots));
    std::vector<uint8_t> cut = f;
    pstw::truncateFile(cut, kFirstPage + pages * 2 / 3 * kPage);
    out.emplace_back("cut at two thirds", std::move(cut));
    return out;
}

TEST(RecoverySamples, ExportWritesAtLeastWhatTheListShows) {
    std::vector<fs::path> samples = Samples();
    if (samples.empty()) GTEST_SKIP() << "no sample mailboxes in " << OSTREL_SAMPLES_DIR;
    for (const fs::path& sample : samples) {
        std::vector<uint8_t> bytes = Read(sample);
        if (bytes.size() < 4 || std::string(bytes.begin(), bytes.begin() + 4) != "!BDN") continue;
        for (auto& [how, copy] : Damaged(bytes)) {
            SCOPED_TRACE(sample.filename().string() + ": " + how);
            auto pst = opened::OpenBytes(copy);
            if (!pst->Unreadable.empty()) continue; // nothing to list, nothing to export
            listed::ListAndExport(*pst);
        }
    }
}

} // namespace

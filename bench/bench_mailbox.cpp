// bench_mailbox: writes a large generated mailbox (about 1 GB, 100,000 items in a few dozen
// folders, a tenth of them with attachments) and times what a user waits for on it:
// `ostrel folders` (also from disk, and on a copy whose largest folder lost its index entry),
// `ostrel items` of the largest folder, and `ostrel export` beside
// libpst's `readpst -e` and libpff's `pffexport` on the same file in the same run, each
// also as a ratio to one `cat` of the file (from the page cache) timed in the same run. Then the
// same content again as an OST of the 4 KiB-page layout with compressed blocks, timed for `ostrel
// folders` and `ostrel export` beside the PST. Where the window is built, also the window's
// time from its start to the folder list and from a click on the largest folder to its first
// screen of rows (window_timing). Beside the export, what the file system alone costs for its
// files: a copy of them, and the same files written bare. Prints medians; asserts nothing.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unordered_map>

#include "bench/CommandTimer.h"
#include "bench/GeneratedMailbox.h"
#include "bench/WriteFloor.h"

namespace {

namespace fs = std::filesystem;

struct Settings {
    bench::MailboxShape shape;
    int runs = 3;
    fs::path dir;
    std::optional<fs::path> file; // an existing mailbox instead of a generated one
    std::string ostrel = OSTREL_CLI;
    bool keep = false, readpst = true, pffexport = true, ost = true;
    // Item counts of the open's series: the time per item should stay flat.
    std::vector<size_t> series = {10000, 100000, 1000000};
};

// Bytes per item of the series' mailboxes: small items, so that a million fit a few GiB.
constexpr uint64_t kSeriesBytesPerItem = 2048;
// The series' OST compresses its bodies to about 3 GiB for a million items: with 5.5 KiB per
// item its attachments (random bytes, which do not compress) take it over 4 GiB.
constexpr uint64_t kSeriesOstBytesPerItem = 5632;
constexpr uint64_t kFourGiB = uint64_t(1) << 32;

// What one generated file holds: the bytes of bodies and attachments, the same in the PST
// and the OST, the reference for comparing the two per byte.
constexpr const char* kContentFile = "content-bytes.txt";

// What `ostrel search` looks for in the timing: found nowhere, so nothing stops the walk early.
constexpr const char* kAbsentText = "qzxv-absent-text";

const char* const kUsage =
    "usage: bench_mailbox [--items N] [--mb M] [--folders F] [--runs R] [--dir DIR]\n"
    "                     [--file PST] [--ostrel PATH] [--keep] [--no-readpst]\n"
    "                     [--no-pffexport] [--no-ost]\n"
    "                     [--series N,N,...] [--quick]\n"
    "  --items N     items to generate (100000)\n"
    "  --mb M        approximate file size in MiB (1024)\n"
    "  --folders F   folders to generate (36)\n"
    "  --runs R      runs of each command; the median is reported (3)\n"
    "  --dir DIR     work directory for the mailbox and the exports (a new one in /tmp;\n"
    "                the default run needs about 35 GB free there)\n"
    "  --file PST    time an existing mailbox instead of generating one\n"
    "  --series LIST item counts of the open's time-per-item series (10000,100000,1000000;\n"
    "                0 or an empty list: none); 2 KiB per item\n"
    "  --quick       10000 items, 100 MiB, series 1000,10000, as for a first look\n"
    "  --no-ost      skip the 4 KiB-page OST (compressed blocks) of the same content\n"
    "  --keep        leave the work directory in place\n";

// "10000,100000": the counts above zero.
std::vector<size_t> counts(const std::string& list) {
    std::vector<size_t> out;
    std::stringstream in(list);
    for (std::string part; std::getline(in, part, ',');)
        if (size_t n = part.empty() ? 0 : std::stoul(part)) out.push_back(n);
    return out;
}

std::optional<Settings> parse(int argc, char** argv) {
    Settings s;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--items" && hasValue)
            s.shape.items = std::stoul(argv[++i]);
        else if (a == "--mb" && hasValue)
            s.shape.bytes = std::stoull(argv[++i]) << 20;
        else if (a == "--folders" && hasValue)
            s.shape.folders = std::stoul(argv[++i]);
        else if (a == "--runs" && hasValue)
            s.runs = std::max(1, std::stoi(argv[++i]));
        else if (a == "--dir" && hasValue)
            s.dir = argv[++i];
        else if (a == "--file" && hasValue)
            s.file = fs::path(argv[++i]);
        else if (a == "--ostrel" && hasValue)
            s.ostrel = argv[++i];
        else if (a == "--keep")
            s.keep = true;
        else if (a == "--no-readpst")
            s.readpst = false;
        else if (a == "--no-pffexport")
            s.pffexport = false;
        else if (a == "--no-ost")
            s.ost = false;
        else if (a == "--series" && hasValue)
            s.series = counts(argv[++i]);
        else if (a == "--quick") {
            s.shape.items = 10000;
            s.shape.bytes = uint64_t(100) << 20;
            s.series = {1000, 10000};
        } else
            return std::nullopt;
    }
    if (s.dir.empty())
        s.dir = fs::temp_directory_path() / ("ostrel-bench-" + std::to_string(::getpid()));
    return s;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One generated file of the given layout; its content bytes go to kContentFile beside it.
fs::path generate(const Settings& s, pstw::Layout layout, const std::string& name) {
    const auto start = std::chrono::steady_clock::now();
    const fs::path file = s.dir / name;
    bench::GeneratedMailbox g = bench::generateMailbox(s.shape);
    const double described = secondsSince(start);
    // The OST goes unencoded, as Outlook's own OST files of this layout are found.
    const uint8_t crypt = layout == pstw::Layout::Unicode4k ? 0 : 1;
    pstw::MailboxWriter writer({layout, crypt});
    writer.write(g.mailbox, file.string());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("generated  %s: %.1f MiB, %zu items (%zu with attachments, %.1f MiB), "
                "largest folder %s with %zu items; %.1f s to describe, %.1f s in all, "
                "peak RSS %.0f MiB\n",
                file.c_str(), double(fs::file_size(file)) / (1 << 20), g.items, g.attachments,
                double(g.attachmentBytes) / (1 << 20), g.largestFolder.c_str(),
                g.largestFolderItems, described, secondsSince(start),
                double(usage.ru_maxrss) / 1024);
    std::ofstream(s.dir / kContentFile) << g.bodyBytes + g.attachmentBytes << "\n";
    return file;
}

uint64_t contentBytes(const Settings& s) {
    uint64_t n = 0;
    std::ifstream(s.dir / kContentFile) >> n;
    return n;
}

// The folder row with the highest item count, as `ostrel folders` printed it: its path and
// its count.
std::pair<std::string, long> largestFolder(const fs::path& listing) {
    std::ifstream in(listing);
    std::pair<std::string, long> best{"", -1};
    for (std::string line; std::getline(in, line);) {
        const size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
        if (tab1 == std::string::npos || tab2 == std::string::npos) continue;
        const std::string caption = line.substr(tab1 + 1, tab2 - tab1 - 1);
        const size_t open = caption.rfind('(');
        if (open == std::string::npos || caption.back() != ')') continue;
        const long count = std::atol(caption.c_str() + open + 1);
        if (count > best.second) best = {line.substr(tab2 + 1), count};
    }
    return best;
}

// A directory of its own for one run's output, left in place until the work directory
// goes. Why not the same directory emptied between runs: ext4 does not hand out again for
// a few minutes the inodes of files it deleted, and each file created meanwhile passes
// over them one by one. An export right after the deletion of the last one's 104,000
// files took 25 s instead of 7 s (system time 28 s instead of 5 s): the figure was the
// file system's, not the exporter's. The default run needs about 35 GB free for them.
fs::path runOutput(const Settings& s, const std::string& name, int run) {
    return s.dir / "runs" / (name + "-" + std::to_string(run + 1));
}

size_t countFiles(const fs::path& dir) {
    size_t n = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec))
        n += it->is_regular_file() ? 1 : 0;
    return n;
}

// The Unicode PST's 512-byte B-tree pages ([MS-PST] 2.2.2.7.7.1 BTPAGE, 2.2.2.7.1
// PAGETRAILER) and NBT leaf entries (2.2.2.7.7.4), as the bench writes them.
constexpr size_t kPage = 512, kFirstAMap = 0x4400, kCEnt = 488, kCbEnt = 490, kCLevel = 491,
                 kPType = 496, kPageCrc = 500, kNbtEntryNidParent = 24;
constexpr uint8_t kPTypeNbt = 0x81;

uint64_t loadLe(const uint8_t* p, size_t width) {
    uint64_t v = 0;
    for (size_t i = 0; i < width; ++i)
        v |= uint64_t(p[i]) << (8 * i);
    return v;
}

// A copy of the mailbox in which the folder that holds the most nodes lost its NBT entry (the
// entry's NID moved on by one, to the next NID type, and its page resealed): a damaged file
// whose largest folder is gone, whose items the open must find again as orphans. The number
// of nodes the lost folder held; 0 when no such entry was found (another layout).
size_t writeWithLargestFolderLost(const fs::path& from, const fs::path& to) {
    std::ifstream in(from, std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    std::unordered_map<uint64_t, size_t> children;
    std::unordered_map<uint64_t, size_t> entryAt; // NID -> offset of its NBT entry
    auto leaves = [&](auto visit) {
        for (size_t page = kFirstAMap; page + kPage <= file.size(); page += kPage) {
            const uint8_t* p = file.data() + page;
            if (p[kPType] != kPTypeNbt || p[kPType + 1] != kPTypeNbt || p[kCLevel] != 0) continue;
            if (pstw::crc({p, kPType}) != loadLe(p + kPageCrc, 4)) continue;
            for (size_t i = 0; i < p[kCEnt] && (i + 1) * p[kCbEnt] <= kPType; ++i)
                visit(page + i * p[kCbEnt]);
        }
    };
    leaves([&](size_t entry) {
        entryAt[loadLe(&file[entry], 8)] = entry;
        ++children[loadLe(&file[entry + kNbtEntryNidParent], 4)];
    });
    uint64_t folder = 0;
    size_t most = 0;
    for (const auto& [nid, count] : children)
        if (count > most && entryAt.count(nid) && (nid & 0x1F) == 0x02) {
            folder = nid;
            most = count;
        }
    if (!folder) return 0;
    const size_t entry = entryAt[folder];
    for (size_t i = 0; i < 8; ++i)
        file[entry + i] = uint8_t((folder + 1) >> (8 * i));
    const size_t page = entry / kPage * kPage;
    const uint32_t sealed = pstw::crc({file.data() + page, kPType});
    for (size_t i = 0; i < 4; ++i)
        file[page + kPageCrc + i] = uint8_t(sealed >> (8 * i));
    std::ofstream(to, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    return most;
}

// The open of the same mailbox with its largest folder's entry lost: the recovery gathers its
// items into "Orphaned items", and the open should cost about what the intact one does.
void timeLostFolder(const Settings& s, const fs::path& file, double intact) {
    const fs::path damaged = s.dir / "largest-folder-lost.pst";
    const size_t lost = writeWithLargestFolderLost(file, damaged);
    if (lost == 0) {
        std::printf("largest folder lost: no NBT entry to take away, not timed\n");
        return;
    }
    bench::runCommand({"cat", damaged.string()}); // into the page cache
    bench::Series runs;
    for (int i = 0; i < s.runs; ++i)
        runs.runs.push_back(bench::runCommand({s.ostrel, "folders", damaged.string()},
                                              (s.dir / "folders-lost.txt").string()));
    std::printf("%-26s median %8.3f s  (%zu runs)  peak RSS %6.1f MiB%s  [%zu nodes orphaned]"
                "  = %.2f x the intact open\n",
                "folders, largest lost", runs.median(), runs.runs.size(),
                double(runs.maxRssKb()) / 1024, runs.allSucceeded() ? "" : "  [FAILED RUNS]", lost,
                intact > 0 ? runs.median() / intact : 0.0);
    if (!s.keep) fs::remove(damaged);
}

// One `cat` of the file, from the page cache as the other commands meet it: the unit
// every figure is also given in.
double catSeconds = 0;

std::string ratioToCat(double seconds) {
    if (catSeconds <= 0) return {};
    char text[48];
    std::snprintf(text, sizeof text, "  = %.1f x cat", seconds / catSeconds);
    return text;
}

bool installed(const char* program) {
    const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// The peak memory of the program that opens nothing (it is told of a file that does not
// exist): its code and libraries, about 4 MiB, which on a small mailbox is a large share of
// the file by itself. Measured once.
long programAloneKb(const Settings& s) {
    static const long kb =
        bench::runCommand({s.ostrel, "folders", (s.dir / "no-such-mailbox.pst").string()}).maxRssKb;
    return kb;
}

double percentOfFile(long kb, uint64_t fileBytes) {
    return 100.0 * double(kb) * 1024 / double(std::max<uint64_t>(fileBytes, 1));
}

// " (the open's own, above the program's: x%)": the peak above the program alone.
std::string openOwnShare(const Settings& s, long peakKb, uint64_t fileBytes) {
    char text[64];
    std::snprintf(text, sizeof text, " (the open's own, above the program's: %.1f%%)",
                  percentOfFile(std::max(0L, peakKb - programAloneKb(s)), fileBytes));
    return text;
}

// The open's memory against the file's size, and its time per item (flat from small to
// large mailboxes when the open scales).
void printPerItem(const Settings& s, const bench::Series& open, uint64_t fileBytes, size_t items) {
    std::printf("open: peak RSS %.1f%% of the file%s", percentOfFile(open.maxRssKb(), fileBytes),
                openOwnShare(s, open.maxRssKb(), fileBytes).c_str());
    if (items) std::printf(", %.2f us per item", 1e6 * open.median() / double(items));
    std::printf("\n");
}

void report(const char* what, const bench::Series& s, const std::string& extra = {}) {
    std::printf("%-26s median %8.3f s  (min %.3f, max %.3f, %zu runs)  peak RSS %6.1f MiB%s%s%s\n",
                what, s.median(), s.fastest(), s.slowest(), s.runs.size(),
                double(s.maxRssKb()) / 1024, s.allSucceeded() ? "" : "  [FAILED RUNS]",
                extra.c_str(), ratioToCat(s.median()).c_str());
}

// The first open of a mailbox just copied or attached: the file's pages dropped from the page
// cache before each run of `cat` and of `ostrel folders`, which is timed against that `cat`. On
// a virtual machine the host may still serve the disk's blocks from its own cache.
void timeFromDisk(const Settings& s, const std::string& pst) {
    bench::Series cat, folders;
    for (int i = 0; i < s.runs; ++i) {
        if (!bench::evictFromPageCache(pst)) {
            std::printf("from disk: the file's pages could not be dropped, not timed\n");
            return;
        }
        cat.runs.push_back(bench::runCommand({"cat", pst}));
        bench::evictFromPageCache(pst);
        folders.runs.push_back(bench::runCommand({s.ostrel, "folders", pst}));
    }
    const double unit = cat.median();
    std::printf("%-26s median %8.3f s  (%zu runs)\n", "cat from disk", unit, cat.runs.size());
    std::printf("%-26s median %8.3f s  (%zu runs)%s  = %.1f x cat from disk\n",
                "ostrel folders from disk", folders.median(), folders.runs.size(),
                folders.allSucceeded() ? "" : "  [FAILED RUNS]",
                unit > 0 ? folders.median() / unit : 0.0);
    bench::runCommand({"cat", pst}); // back into the page cache for what follows
}

#ifdef OSTREL_WINDOW_TIMING
// The figure `window_timing` printed after `label` on the line that holds it; -1 when none.
double windowFigure(const fs::path& printed, const std::string& label) {
    std::ifstream in(printed);
    for (std::string line; std::getline(in, line);) {
        const size_t at = line.find(label);
        if (at != std::string::npos) return std::atof(line.c_str() + at + label.size());
    }
    return -1;
}

// The window on the same file (offscreen, no display needed): from the program's start to the
// folder list, and from selecting the largest folder to its first screen of rows.
void timeWindow(const Settings& s, const std::string& pst) {
    std::vector<double> opened, listed;
    const fs::path printed = s.dir / "window.txt";
    for (int i = 0; i < s.runs; ++i) {
        const bench::CommandRun run = bench::runCommand(
            {"env", "QT_QPA_PLATFORM=offscreen", OSTREL_WINDOW_TIMING, pst}, printed.string());
        const double open = windowFigure(printed, "start to folder list ");
        const double list = windowFigure(printed, "selection to first screen ");
        if (run.exitStatus != 0 || open < 0 || list < 0) {
            std::printf("window timing failed (exit %d)\n", run.exitStatus);
            return;
        }
        opened.push_back(open);
        listed.push_back(list);
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("%-26s median %8.3f s  (%zu runs)%s\n", "window to folder list", median(opened),
                opened.size(), ratioToCat(median(opened)).c_str());
    std::printf("%-26s median %8.3f s  (%zu runs, work after the click)\n", "window largest folder",
                median(listed), listed.size());
}
#endif

// The mailbox is generated in a child process: the memory it takes goes back to the system
// before the timed commands start, and their peak RSS is theirs alone.
std::optional<fs::path> generateInChild(const Settings& s, pstw::Layout layout,
                                        const std::string& name) {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        try {
            generate(s, layout, name);
            std::fflush(stdout);
            _exit(0);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "bench_mailbox: %s\n", e.what());
            _exit(1);
        }
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status))
        return std::nullopt;
    // The file's pages go to disk now, not while the first commands are timed.
    ::sync();
    return s.dir / name;
}

struct Timings {
    double folders = 0, exportAll = 0;
};

// Seconds per GiB of content: the same content in both files, so the ratio of these is the
// ratio of the times.
double perGiB(double seconds, uint64_t content) {
    return content ? seconds / (double(content) / double(1 << 30)) : 0;
}

void printBeside(const char* what, double pst, double ost, uint64_t content) {
    std::printf("%-16s PST %8.3f s (%6.2f s/GiB content)  OST 4k %8.3f s (%6.2f s/GiB content)"
                "  OST/PST %.2f\n",
                what, pst, perGiB(pst, content), ost, perGiB(ost, content),
                pst > 0 ? ost / pst : 0.0);
}

// The same content as a 4 KiB-page OST with compressed blocks: `ostrel folders` and
// `ostrel export` timed as for the PST and printed beside its figures. The PST is removed
// first unless kept, so that both never take the disk at once.
bool compareWithOst(const Settings& s, const fs::path& pst, Timings pstTimes) {
    const uint64_t content = contentBytes(s);
    const uint64_t pstSize = fs::file_size(pst);
    if (!s.keep) fs::remove(pst);
    const std::optional<fs::path> made = generateInChild(s, pstw::Layout::Unicode4k, "bench.ost");
    if (!made) return false;
    const std::string ost = made->string();
    bench::Series cat, folders, exportRuns;
    bench::runCommand({"cat", ost});
    for (int i = 0; i < s.runs; ++i)
        cat.runs.push_back(bench::runCommand({"cat", ost}));
    catSeconds = cat.median();
    report("cat (OST 4k, the unit)", cat);
    for (int i = 0; i < s.runs; ++i)
        folders.runs.push_back(
            bench::runCommand({s.ostrel, "folders", ost}, (s.dir / "folders-ost.txt").string()));
    report("ostrel folders (OST 4k)", folders);
    size_t emlFiles = 0;
    for (int i = 0; i < s.runs; ++i) {
        const fs::path eml = runOutput(s, "eml-ost", i);
        exportRuns.runs.push_back(bench::runCommand({s.ostrel, "export", ost, eml.string()}));
        emlFiles = countFiles(eml);
    }
    report("ostrel export (OST 4k)", exportRuns, "  [" + std::to_string(emlFiles) + " files]");
    std::printf("content (bodies + attachments) %.1f MiB; PST %.1f MiB, OST 4k %.1f MiB\n",
                double(content) / (1 << 20), double(pstSize) / (1 << 20),
                double(fs::file_size(*made)) / (1 << 20));
    printBeside("folders", pstTimes.folders, folders.median(), content);
    printBeside("export", pstTimes.exportAll, exportRuns.median(), content);
    return folders.allSucceeded() && exportRuns.allSucceeded();
}

// A file over 4 GiB, whose blocks lie above 4 GiB as much as below: listing its largest
// folder and exporting it work as on any other file (one run each).
bool beyondFourGiB(const Settings& s, const std::string& pst) {
    const auto [path, count] = largestFolder(s.dir / "series-folders.txt");
    bench::Series items, exportRun;
    items.runs.push_back(
        bench::runCommand({s.ostrel, "items", pst, path}, (s.dir / "series-items.txt").string()));
    report("  ostrel items (largest)", items, "  [" + std::to_string(count) + " items]");
    const fs::path eml = runOutput(s, "series-eml-" + fs::path(pst).filename().string(), 0);
    exportRun.runs.push_back(bench::runCommand({s.ostrel, "export", pst, eml.string()}));
    report("  ostrel export", exportRun, "  [" + std::to_string(countFiles(eml)) + " files]");
    return count > 0 && items.allSucceeded() && exportRun.allSucceeded();
}

// One file of the series: `cat` (the unit), then the open, its time per item and its peak
// memory as a share of the file. A file over 4 GiB is also listed and exported.
bool timeSeriesFile(const Settings& s, const fs::path& file, size_t items, const char* layout) {
    const std::string path = file.string();
    bench::Series cat, folders;
    bench::runCommand({"cat", path});
    for (int i = 0; i < s.runs; ++i)
        cat.runs.push_back(bench::runCommand({"cat", path}));
    catSeconds = cat.median();
    for (int i = 0; i < s.runs; ++i)
        folders.runs.push_back(bench::runCommand({s.ostrel, "folders", path},
                                                 (s.dir / "series-folders.txt").string()));
    const uint64_t size = fs::file_size(file);
    // The runs of a large file differ by up to a third on the virtual machines it is
    // measured on (how fast fresh memory comes varies with the host), so the spread is
    // printed beside the median.
    std::printf("series %8zu items, %-6s %7.1f MiB: open %7.3f s (min %.3f, max %.3f), %6.2f us "
                "per item, peak RSS %5.1f%% of the file%s%s\n",
                items, layout, double(size) / (1 << 20), folders.median(), folders.fastest(),
                folders.slowest(), 1e6 * folders.median() / double(items),
                percentOfFile(folders.maxRssKb(), size),
                openOwnShare(s, folders.maxRssKb(), size).c_str(),
                ratioToCat(folders.median()).c_str());
    bool ok = folders.allSucceeded();
    if (size > kFourGiB) ok = beyondFourGiB(s, path) && ok;
    return ok;
}

// The open (`ostrel folders`) of mailboxes of the same make and growing item counts, each
// beside its own `cat`. The largest, when over 4 GiB, is written again as a 4 KiB-page OST
// (compressed blocks, so with larger attachments to stay over 4 GiB): both layouts are
// opened, listed and exported with blocks above 4 GiB.
bool openSeries(const Settings& s) {
    bool ok = true;
    for (size_t n : s.series) {
        Settings one = s;
        one.shape.items = n;
        one.shape.bytes = n * kSeriesBytesPerItem;
        const std::string name = "series-" + std::to_string(n);
        const std::optional<fs::path> made =
            generateInChild(one, pstw::Layout::Unicode, name + ".pst");
        if (!made) return false;
        ok = timeSeriesFile(s, *made, n, "PST") && ok;
        const bool overFourGiB = fs::file_size(*made) > kFourGiB;
        if (!s.keep) fs::remove(*made);
        if (!overFourGiB || !s.ost || n != s.series.back()) continue;
        one.shape.bytes = n * kSeriesOstBytesPerItem;
        const std::optional<fs::path> ost =
            generateInChild(one, pstw::Layout::Unicode4k, name + ".ost");
        if (!ost) return false;
        ok = timeSeriesFile(s, *ost, n, "OST 4k") && ok;
        if (fs::file_size(*ost) <= kFourGiB)
            std::printf("series OST 4k: not over 4 GiB, its offsets stay below\n");
        if (!s.keep) fs::remove(*ost);
    }
    return ok;
}

int benchmark(const Settings& s) {
    fs::create_directories(s.dir / "runs");
    const std::optional<fs::path> made =
        s.file ? s.file : generateInChild(s, pstw::Layout::Unicode, "bench.pst");
    if (!made) return 1;
    const fs::path file = *made;
    const std::string pst = file.string();

    bench::Series cat, folders, items, exportRuns, readpstRuns, pffRuns;
    bench::runCommand({"cat", pst}); // into the page cache first
    for (int i = 0; i < s.runs; ++i)
        cat.runs.push_back(bench::runCommand({"cat", pst}));
    catSeconds = cat.median();
    report("cat (the unit)", cat, "  [" + std::to_string(fs::file_size(file) >> 20) + " MiB]");
    for (int i = 0; i < s.runs; ++i)
        folders.runs.push_back(
            bench::runCommand({s.ostrel, "folders", pst}, (s.dir / "folders.txt").string()));
    const auto [path, count] = largestFolder(s.dir / "folders.txt");
    report("ostrel folders", folders);
    printPerItem(s, folders, fs::file_size(file), s.file ? 0 : s.shape.items);
    timeFromDisk(s, pst);
    timeLostFolder(s, file, folders.median());
    if (count < 0) {
        std::fprintf(stderr, "bench_mailbox: `ostrel folders` listed no folder with items\n");
        return 1;
    }
    // The items are timed in turn with an open of their own, under the same conditions:
    // the runs before leave the page cache and the free memory otherwise than they found them.
    bench::Series openBeside;
    bench::runCommand({"cat", pst});
    for (int i = 0; i < s.runs; ++i) {
        openBeside.runs.push_back(bench::runCommand({s.ostrel, "folders", pst}));
        items.runs.push_back(
            bench::runCommand({s.ostrel, "items", pst, path}, (s.dir / "items.txt").string()));
    }
    report("ostrel items (largest)", items, "  [" + std::to_string(count) + " items]");
    report("ostrel folders beside it", openBeside);
#ifdef OSTREL_WINDOW_TIMING
    timeWindow(s, pst);
#endif
    // A text no item holds: every field of every item is read (the search's worst case),
    // beside the open (`ostrel folders`), which it may take at most three times.
    bench::Series searches;
    for (int i = 0; i < s.runs; ++i)
        // Exit status 1 is "nothing found", the expected outcome here.
        searches.runs.push_back(bench::runCommand(
            {"sh", "-c", "\"$0\" search \"$1\" \"$2\"; [ $? -le 1 ]", s.ostrel, pst, kAbsentText},
            (s.dir / "search.txt").string()));
    report("ostrel search (all fields)", searches);
    if (folders.median() > 0)
        std::printf("search ratio (search / open): %.2f\n", searches.median() / folders.median());

    // Alternating runs, so that both programs meet the same page cache.
    const fs::path eml = runOutput(s, "eml", 0);
    size_t emlFiles = 0, libFiles = 0, pffFiles = 0;
    const bool readpst = s.readpst && installed("readpst");
    const bool pffexport = s.pffexport && installed("pffexport");
    for (int i = 0; i < s.runs; ++i) {
        const fs::path out = runOutput(s, "eml", i);
        exportRuns.runs.push_back(bench::runCommand({s.ostrel, "export", pst, out.string()}));
        emlFiles = countFiles(out);
        if (readpst) {
            const fs::path lib = runOutput(s, "readpst", i);
            fs::create_directories(lib);
            readpstRuns.runs.push_back(
                bench::runCommand({"readpst", "-e", "-o", lib.string(), pst}));
            libFiles = countFiles(lib);
        }
        if (pffexport) {
            // pffexport makes `<target>.export` itself; the target must not exist.
            const fs::path pff = runOutput(s, "pffexport", i);
            pffRuns.runs.push_back(bench::runCommand({"pffexport", "-q", "-t", pff.string(), pst}));
            pffFiles = countFiles(pff.string() + ".export");
        }
    }
    report("ostrel export", exportRuns, "  [" + std::to_string(emlFiles) + " files]");
    // The written files copied once: what creating and writing them costs this file system
    // into a directory of its own, the floor of any export of them.
    const fs::path copy = runOutput(s, "eml-copy", 0);
    bench::Series copied;
    copied.runs.push_back(bench::runCommand({"cp", "-r", eml.string(), copy.string()}));
    report("cp -r of the written files", copied);
    if (copied.median() > 0)
        std::printf("export ratio (ostrel / cp -r of its files): %.2f\n",
                    exportRuns.median() / copied.median());
    bench::Series floor;
    floor.runs.push_back(bench::writeSameFiles(eml, runOutput(s, "eml-floor", 0)));
    report("bare writes of its files", floor);
    if (floor.median() > 0)
        std::printf("export ratio (ostrel / bare writes of its files): %.2f\n",
                    exportRuns.median() / floor.median());
    if (readpst) {
        report("readpst -e", readpstRuns, "  [" + std::to_string(libFiles) + " files]");
        if (readpstRuns.median() > 0)
            std::printf("export ratio (ostrel / readpst): %.2f\n",
                        exportRuns.median() / readpstRuns.median());
    }
    if (pffexport) {
        report("pffexport", pffRuns, "  [" + std::to_string(pffFiles) + " files]");
        if (pffRuns.median() > 0)
            std::printf("export ratio (ostrel / pffexport): %.2f\n",
                        exportRuns.median() / pffRuns.median());
    }
    if (openBeside.median() > 0)
        std::printf("items adds %.0f%% to the open timed beside it\n",
                    100.0 * (items.median() - openBeside.median()) / openBeside.median());
    bool ok = folders.allSucceeded() && items.allSucceeded() && exportRuns.allSucceeded();
    if (s.file) return ok ? 0 : 1;
    if (s.ost) ok = compareWithOst(s, file, {folders.median(), exportRuns.median()}) && ok;
    if (!s.keep) fs::remove(file);
    return openSeries(s) && ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is known
    const std::optional<Settings> s = parse(argc, argv);
    if (!s) {
        std::cerr << kUsage;
        return 2;
    }
    int rc = 1;
    try {
        rc = benchmark(*s);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_mailbox: %s\n", e.what());
    }
    if (!s->keep)
        fs::remove_all(s->dir);
    else
        std::printf("work directory kept: %s\n", s->dir.c_str());
    return rc;
}

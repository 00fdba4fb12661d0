// Runs one outside command the way a user would (output discarded) and measures it: wall
// time, exit status and the peak memory of the process.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct CommandRun {
    double seconds = 0;
    int exitStatus = -1; // -1: could not be started or did not exit normally
    long maxRssKb = 0;
};

CommandRun runCommand(const std::vector<std::string>& argv, const std::string& stdoutPath = {});

// Drops the file's pages from the page cache (posix_fadvise DONTNEED: clean pages only, no
// privileges needed), so that the next command reads it from the disk. False if it could not.
bool evictFromPageCache(const std::string& path);

struct Series {
    std::vector<CommandRun> runs;
    double median() const;
    double fastest() const; // 0 without runs
    double slowest() const; // 0 without runs
    long maxRssKb() const;
    bool allSucceeded() const;
};

} // namespace bench

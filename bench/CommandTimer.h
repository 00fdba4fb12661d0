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

struct Series {
    std::vector<CommandRun> runs;
    double median() const;
    long maxRssKb() const;
    bool allSucceeded() const;
};

} // namespace bench

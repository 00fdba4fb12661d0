// fork, exec and wait4 rather than std::system: no shell in the timing, and the rusage of
// exactly the one child.
#include "bench/CommandTimer.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace bench {

bool evictFromPageCache(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    const bool done = posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0;
    close(fd);
    return done;
}

CommandRun runCommand(const std::vector<std::string>& argv, const std::string& stdoutPath) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = open(stdoutPath.empty() ? "/dev/null" : stdoutPath.c_str(),
                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open("/dev/null", O_WRONLY);
        dup2(out, 1);
        dup2(err, 2);
        execvp(args[0], args.data());
        _exit(127);
    }
    CommandRun run;
    if (pid < 0) return run;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.maxRssKb = usage.ru_maxrss;
    return run;
}

double Series::median() const {
    if (runs.empty()) return 0;
    std::vector<double> t;
    for (const CommandRun& r : runs)
        t.push_back(r.seconds);
    std::sort(t.begin(), t.end());
    const size_t n = t.size();
    return n % 2 ? t[n / 2] : (t[n / 2 - 1] + t[n / 2]) / 2;
}

namespace {

bool Quicker(const CommandRun& a, const CommandRun& b) {
    return a.seconds < b.seconds;
}

} // namespace

double Series::fastest() const {
    return runs.empty() ? 0 : std::min_element(runs.begin(), runs.end(), Quicker)->seconds;
}

double Series::slowest() const {
    return runs.empty() ? 0 : std::max_element(runs.begin(), runs.end(), Quicker)->seconds;
}

long Series::maxRssKb() const {
    long m = 0;
    for (const CommandRun& r : runs)
        m = std::max(m, r.maxRssKb);
    return m;
}

bool Series::allSucceeded() const {
    return std::all_of(runs.begin(), runs.end(),
                       [](const CommandRun& r) { return r.exitStatus == 0; });
}

} // namespace bench

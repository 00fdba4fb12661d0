// Running ostrel (or a peer tool) as a separate process, as a user or a
// script would, and reading its output; plus small helpers for the sample
// files the end-to-end tests use.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace clirun {

struct tresult {
    int Status = -1; // exit status, or -1 when the program could not run or was killed
    std::string Out;
    std::string Err;
};

inline std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Both streams go to files, so that a chatty program cannot block on a full pipe.
inline tresult Run(const std::vector<std::string>& args, const std::string& workDir = {}) {
    char outName[] = "/tmp/ostrel-cli-out-XXXXXX";
    char errName[] = "/tmp/ostrel-cli-err-XXXXXX";
    int outFd = ::mkstemp(outName);
    int errFd = ::mkstemp(errName);
    tresult result;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outFd, 1);
        ::dup2(errFd, 2);
        if (!workDir.empty() && ::chdir(workDir.c_str()) != 0) ::_exit(127);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.Status = WEXITSTATUS(status);
    ::close(outFd);
    ::close(errFd);
    result.Out = ReadWhole(outName);
    result.Err = ReadWhole(errName);
    ::unlink(outName);
    ::unlink(errName);
    return result;
}

inline tresult Ostrel(const std::vector<std::string>& args) {
    std::vector<std::string> all{OSTREL_CLI};
    all.insert(all.end(), args.begin(), args.end());
    return Run(all);
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

inline std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> cells;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        cells.push_back(line.substr(start, tab - start));
    cells.push_back(line.substr(start));
    return cells;
}

inline std::string SamplePath(const std::string& name) {
    return std::string(OSTREL_SAMPLES_DIR "/") + name;
}

inline bool HaveSample(const std::string& name) {
    return std::filesystem::is_regular_file(SamplePath(name));
}

inline bool HaveTool(const std::string& tool) {
    return Run({"sh", "-c", "command -v " + tool}).Status == 0;
}

// A fresh empty directory below the system's temporary directory.
inline std::filesystem::path TempDir(const std::string& stem) {
    std::string pattern = (std::filesystem::temp_directory_path() / (stem + "-XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    char* made = ::mkdtemp(name.data());
    return made ? std::filesystem::path(made) : std::filesystem::path();
}

} // namespace clirun

#define SKIP_WITHOUT_SAMPLE(name)                                                                  \
    do {                                                                                           \
        if (!clirun::HaveSample(name))                                                             \
            GTEST_SKIP() << "sample " << (name) << " not found in " << OSTREL_SAMPLES_DIR;         \
    } while (0)

// Helpers of the EML export tests: temporary directories, message objects
// and node trees made in memory, and Python's email package as the reader
// that judges the written files (check_eml.py beside these tests).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "export/EmlExport.h"
#include "mailbox/uPST64File.h"

namespace emltest {

namespace fs = std::filesystem;

// A fresh directory below the system's temporary directory, removed afterwards.
class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "ostrel-eml-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Standard output of a shell command, and its exit status.
inline std::string RunShell(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    int rc = ::pclose(pipe);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

inline std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

inline bool HavePython() {
    int status = -1;
    RunShell("python3 -c 'import email.policy' 2>/dev/null", &status);
    return status == 0;
}

inline std::string CheckScript() {
    return std::string(OSTREL_SOURCE_DIR) + "/tests/export/check_eml.py";
}

// What Python's parser makes of one file (see check_eml.py --show).
inline std::string Show(const std::string& path) {
    return RunShell("python3 " + Quote(CheckScript()) + " --show " + Quote(path) + " 2>&1");
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A mail message with the given subject, NID-independent.
inline std::unique_ptr<tpstmessage> Mail(const std::string& subject = "Hello",
                                         int32_t kind = kKindMail) {
    auto m = std::make_unique<tpstmessage>();
    m->Kind = kind;
    m->MailInfo = std::make_unique<tmailinfo>();
    if (!subject.empty()) {
        m->MailInfo->Subject = std::make_unique<tsubject>();
        m->MailInfo->Subject->Text = subject;
    }
    return m;
}

inline std::unique_ptr<tpstmessage> Folder(const ttext& name) {
    auto m = std::make_unique<tpstmessage>();
    m->FolderCounts = std::make_unique<tfolderinfo>();
    m->Kind = kKindMail;
    m->DisplayName = name;
    return m;
}

// A node tree held by a mailbox, and the objects its nodes stand for: the
// export builds them through temloptions::Build instead of from a file.
class Tree {
public:
    using tmaker = std::function<std::unique_ptr<tpstmessage>()>;

    tnodeentry* Add(uint64_t nid, uint64_t parent, tmaker make) {
        auto node = std::make_unique<tnodeentry>();
        node->nid = nid;
        node->nidParent = parent;
        makers_[nid] = std::move(make);
        return InsertNode(&pst.Engine, std::move(node));
    }
    tnodeentry* AddFolder(uint64_t nid, uint64_t parent, const ttext& name) {
        return Add(nid, parent, [name] { return Folder(name); });
    }
    tnodeentry* AddMail(uint64_t nid, uint64_t parent, const std::string& subject = "Hello",
                        int32_t kind = kKindMail) {
        return Add(nid, parent, [subject, kind] { return Mail(subject, kind); });
    }

    temloptions Options() {
        temloptions o;
        o.Build = [this](tnodeentry* node) -> std::unique_ptr<tpstmessage> {
            auto it = makers_.find(node->nid);
            return it == makers_.end() ? nullptr : it->second();
        };
        o.OnError = [this](const std::string& text) { errors.push_back(text); };
        return o;
    }
    temlcounts Export(const std::string& dir) { return pst.SaveAllToEml(dir, Options()); }

    TPst64File pst;
    std::vector<std::string> errors;

private:
    std::map<uint64_t, tmaker> makers_;
};

// Every regular file below `dir`, as paths relative to it.
inline std::vector<std::string> FilesBelow(const std::string& dir) {
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); it != fs::end(it); it.increment(ec))
        if (it->is_regular_file()) out.push_back(fs::relative(it->path(), dir).string());
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace emltest

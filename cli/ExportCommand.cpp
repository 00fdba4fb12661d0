// `ostrel export [--mbox] FILE DIR`: the whole mailbox as .eml files below DIR
// (or as one mbox file per folder in the same tree), the
// failures on standard error as the window reports them, the counts at the
// end, and a progress line while it runs when standard error is a terminal.
#include <unistd.h>

#include <chrono>
#include <iostream>

#include "cli/Commands.h"
#include "cli/OpenMailbox.h"
#include "cli/OutputFolder.h"
#include "export/EmlExport.h"
#include "mailbox/uPST64File.h"

namespace ostrel::cli {
namespace {

// Redraws one line on the terminal, a few times a second at most.
class ProgressLine {
public:
    explicit ProgressLine(std::ostream& err) : err_(err) {}
    void Show(const temlcounts& c, bool force = false) {
        auto now = std::chrono::steady_clock::now();
        if (!force && now - last_ < std::chrono::milliseconds(100)) return;
        last_ = now;
        err_ << "\r" << c.FoldersWritten << " folders, " << c.MessagesWritten << " messages"
             << (c.MessagesFailed + c.FoldersFailed ? ", some failed" : "") << std::flush;
        shown_ = true;
    }
    // The line is cleared before anything else is printed on standard error.
    void Clear() {
        if (shown_) err_ << "\r\033[K" << std::flush;
        shown_ = false;
    }

private:
    std::ostream& err_;
    std::chrono::steady_clock::time_point last_{};
    bool shown_ = false;
};

} // namespace

int Export(const std::string& file, const std::string& dir, std::ostream& out, std::ostream& err,
           texportformat format) {
    if (!PrepareDirectory(dir, err)) return 2;
    TPst64File pst;
    if (!OpenMailbox(pst, file, err)) return kUnreadableStatus;
    ProgressLine progress(err);
    bool terminal = ::isatty(STDERR_FILENO) == 1;
    temloptions options;
    options.Format = format;
    options.OnError = [&](const std::string& text) {
        progress.Clear();
        err << text << "\n";
    };
    if (terminal) options.OnProgress = [&](const temlcounts& c) { progress.Show(c); };
    temlcounts c = pst.SaveAllToEml(dir, std::move(options));
    progress.Clear();
    out << "Folders written: " << c.FoldersWritten << ", failed: " << c.FoldersFailed << "\n";
    out << "Messages written: " << c.MessagesWritten << ", failed: " << c.MessagesFailed << "\n";
    return 0;
}

} // namespace ostrel::cli

// The EML export's files, written on a thread of their own while the walk
// composes the next messages: creating and filling a file is kernel work
// that the composing need not wait for. One thread writes the files in the
// order they were queued; the bytes waiting are bounded, so the queue holds
// a few messages, never the mailbox. A file that cannot be written comes
// back as a failure for the walk to count and report.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class twritequeue {
public:
    struct tfailure {
        uint64_t Nid = 0;  // the message whose file it was
        std::string Error; // "cannot write PATH: reason"
    };

    // `mostPendingBytes`: Write waits while more than this is queued.
    explicit twritequeue(size_t mostPendingBytes = size_t(32) << 20);
    ~twritequeue(); // writes what is queued, then ends the thread
    twritequeue(const twritequeue&) = delete;
    twritequeue& operator=(const twritequeue&) = delete;

    // Queues `text` as the file at `path` (created or overwritten, never
    // through a link); written at once when no thread could be started.
    void Write(std::string path, std::string text, uint64_t nid);
    // Returns once every file queued so far is written or has failed.
    void Finish();
    // The failures since the last call, in the order the files were queued.
    std::vector<tfailure> TakeFailures();

private:
    struct tjob {
        std::string Path, Text;
        uint64_t Nid = 0;
    };
    void Run();
    void WriteOne(const tjob& job);
    // Whether a Write waiting for room may go on; called with mutex_ held.
    bool Drained() const;

    const size_t mostPendingBytes_;
    std::mutex mutex_;
    std::condition_variable queued_, written_;
    std::deque<tjob> jobs_;
    // Texts written, handed back so that the composing thread frees what it
    // allocated: freeing on the other thread would make both contend for
    // the allocator's lock.
    std::vector<std::string> written_texts_;
    size_t pendingBytes_ = 0;
    bool writing_ = false; // the thread holds a job taken off the queue
    bool closing_ = false;
    bool idle_ = false; // the thread waits for jobs: a few more, a full queue or Finish wake it
    int waiting_ = 0;   // Write or Finish calls that wait for written files
    std::vector<tfailure> failures_;
    std::thread thread_; // not joinable: no thread, Write writes at once
};

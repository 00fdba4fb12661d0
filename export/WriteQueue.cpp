// The EML export's writing thread (see WriteQueue.h).
#include "export/WriteQueue.h"

#include <system_error>

#include "export/EmlMessage.h"

namespace {

// A writer that ran dry sleeps until a few files wait: waking it for each
// message cost a system call on both threads and a switch between them,
// a tenth of the export's processor time where writing is quick (tmpfs).
constexpr size_t kJobsPerWake = 64;
constexpr size_t kBytesPerWake = size_t(4) << 20;

} // namespace

twritequeue::twritequeue(size_t mostPendingBytes) : mostPendingBytes_(mostPendingBytes) {
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // No thread: every file is written as it is queued.
    }
}

// Where writing is the slower side, the queue stays full: a composing thread
// let in again for each file written would be woken once per file, a system
// call on both threads and a switch between them every time. It waits
// instead until the queue has drained to half its bound, or emptied.
bool twritequeue::Drained() const {
    return jobs_.empty() || pendingBytes_ <= mostPendingBytes_ / 2;
}

twritequeue::~twritequeue() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    queued_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void twritequeue::WriteOne(const tjob& job) {
    std::string error;
    if (WriteTextFile(job.Path, job.Text, &error) == 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    failures_.push_back({job.Nid, error.empty() ? "cannot write " + job.Path : error});
}

void twritequeue::Write(std::string path, std::string text, uint64_t nid) {
    tjob job{std::move(path), std::move(text), nid};
    if (!thread_.joinable()) {
        WriteOne(job);
        return;
    }
    std::vector<std::string> done;
    std::unique_lock<std::mutex> lock(mutex_);
    // A message larger than the bound waits for an empty queue, then goes alone.
    auto fits = [&] { return pendingBytes_ + job.Text.size() <= mostPendingBytes_; };
    if (!jobs_.empty() && !fits()) {
        if (idle_) queued_.notify_one();
        ++waiting_;
        written_.wait(lock, [&] { return jobs_.empty() || (fits() && Drained()); });
        --waiting_;
    }
    pendingBytes_ += job.Text.size();
    jobs_.push_back(std::move(job));
    done.swap(written_texts_);
    const bool wake = idle_ && (jobs_.size() >= kJobsPerWake || pendingBytes_ >= kBytesPerWake);
    lock.unlock();
    if (wake) queued_.notify_one();
    // `done` is freed here, on this thread.
}

void twritequeue::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (jobs_.empty()) {
            idle_ = true;
            queued_.wait(lock, [&] { return closing_ || !jobs_.empty(); });
            idle_ = false;
        }
        if (jobs_.empty()) return; // closing, and nothing left
        tjob job = std::move(jobs_.front());
        jobs_.pop_front();
        writing_ = true;
        lock.unlock();
        WriteOne(job);
        lock.lock();
        writing_ = false;
        pendingBytes_ -= job.Text.size();
        written_texts_.push_back(std::move(job.Text));
        // Finish waits for the empty queue, Write for the drained one.
        if (waiting_ > 0 && Drained()) written_.notify_all();
    }
}

void twritequeue::Finish() {
    std::vector<std::string> done;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (idle_ && !jobs_.empty()) queued_.notify_one();
        ++waiting_;
        written_.wait(lock, [&] { return jobs_.empty() && !writing_; });
        --waiting_;
        done.swap(written_texts_);
    }
}

std::vector<twritequeue::tfailure> twritequeue::TakeFailures() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<tfailure> taken;
    taken.swap(failures_);
    return taken;
}

// Chunks of a range on every core (see Parallel.h).
#include "support/Parallel.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace ostrel {

bool ForChunksOnCores(size_t count, size_t chunk, const std::function<void(size_t, size_t)>& work,
                      const std::function<bool()>& between, unsigned mostThreads) {
    chunk = std::max<size_t>(chunk, 1);
    std::atomic<size_t> next = 0;
    std::atomic<bool> stop = false;
    auto share = [&](bool calling) {
        try {
            for (;;) {
                const size_t first = next.fetch_add(chunk, std::memory_order_relaxed);
                if (first >= count || stop.load(std::memory_order_relaxed)) return;
                work(first, std::min(first + chunk, count));
                if (calling && between && !between()) stop.store(true, std::memory_order_relaxed);
            }
        } catch (const std::exception&) {
            // This thread's share ends; the others take the chunks left.
        }
    };
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t chunks = (count + chunk - 1) / chunk;
    const unsigned threads = unsigned(std::min<size_t>({cores, mostThreads, chunks}));
    std::vector<std::thread> helpers;
    try {
        for (unsigned t = 1; t < threads; ++t)
            helpers.emplace_back(share, false);
    } catch (const std::system_error&) {
        // Fewer threads than asked: the ones started and this one do the work.
    }
    share(true);
    for (std::thread& helper : helpers)
        helper.join();
    // A chunk whose work threw on the calling thread is left undone only
    // when no helper ran; callers treat what is left as unread.
    return !stop.load();
}

} // namespace ostrel

// Independent work shared out over the machine's cores: the chunks of a
// range of indexes go to whichever thread is free, the calling thread among
// them. Only the calling thread runs `between` (a user interface's event
// pump, a Stop check); its false stops every thread after its chunk.
#pragma once

#include <cstddef>
#include <functional>

namespace ostrel {

// Calls work(first, end) for consecutive chunks of at most `chunk` indexes
// covering [0, count), on up to `mostThreads` threads, and returns when all
// are done. Work that throws ends that thread's share; chunks it did not
// take are done by the others. With one core, or when no thread can be
// started, everything runs on the calling thread. True unless stopped.
bool ForChunksOnCores(size_t count, size_t chunk, const std::function<void(size_t, size_t)>& work,
                      const std::function<bool()>& between = {}, unsigned mostThreads = 4);

} // namespace ostrel

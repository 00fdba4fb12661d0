// A read-only view of the whole mailbox file in memory, for the engine's
// small reads: a block or a page costs a copy instead of a system call. A
// file cut short by another program while open must not kill the viewer, so
// every copy runs under a guard that turns the bus error into a failed read.
#pragma once

#include <atomic>
#include <cstdint>

// Copies may run on several threads at once; the two counters are atomic.
struct tfilemap {
    const uint8_t* base = nullptr;    // null: not mapped (empty file, no address space)
    int64_t size = 0;                 // bytes mapped: the file size at open
    std::atomic<bool> failed = false; // a copy faulted: the file shrank, reads go to the file

    tfilemap() = default;
    tfilemap(const tfilemap&) = delete;
    tfilemap& operator=(const tfilemap&) = delete;
};

// Maps `size` bytes of the open descriptor; leaves `map` unmapped on failure.
void MapFile(tfilemap& map, int fd, int64_t size);

// Unmaps; the record is empty afterwards.
void UnmapFile(tfilemap& map);

// Copies `count` bytes at `offset` when they lie wholly inside the view.
// True on success; false when the range is outside it, the view is not
// usable, or the copy faulted (the view is then marked failed).
bool CopyFromMap(tfilemap& map, uint8_t* out, int32_t count, int64_t offset);

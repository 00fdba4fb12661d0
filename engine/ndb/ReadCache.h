// The engine's small reads of the mailbox file (blocks and pages, [MS-PST]
// 2.2.2.7, 2.2.2.8): each thread keeps the last few aligned 64 KiB chunks
// of the file it read and copies from them.
//
// Why: the engine reads in file order, nearly every read within a few tens
// of KiB of the one before it (an item's property context, subnode list and
// tables lie together; a B-tree's pages too). One system call per block
// costs more than its copy, and a mapped view costs a fault on the first
// touch of every page (several microseconds each on a virtual machine),
// while one read of 64 KiB costs about as much as a few blocks' copies.
// The chunks are the thread's own, so threads that read at once share
// nothing, and the memory stays a few hundred KiB however large the file.
#pragma once

#include <cstdint>

// Reads of up to this many bytes go through the cache; larger ones are
// better read straight into their buffer.
constexpr int32_t kLargestCachedRead = 0x10000;

// A number that names one open of one file to the caches; never the same
// twice in a process, never 0. Chunks cached under another number are never
// taken for this file's, even when the descriptor number is reused.
uint64_t NewReadSerial();

// Reads `count` bytes at `offset` straight from the file, through
// interrupted and partial reads. `done` is set to the bytes read: fewer than
// `count` where the file ends or where a read failed. False on a failed read.
bool ReadFromFile(int fd, uint8_t* out, int32_t count, int64_t offset, int32_t& done);

// Copies `count` (0 .. kLargestCachedRead) bytes at `offset` of the file
// open as `fd`, whose open is named `serial`, into `out`.
// Returns the bytes copied, fewer than `count` only where the file ends
// (as pread would), or -1 when the file could not be read; nothing is kept
// of a failed read. A chunk read before another program changed the file
// may still give its old bytes.
int32_t ReadThroughCache(int fd, uint64_t serial, uint8_t* out, int32_t count, int64_t offset);

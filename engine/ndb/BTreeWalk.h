// Loading the node and block B-trees ([MS-PST] 2.2.2.7.7) into memory: each
// walk visits a page, checks it against what its parent said about it, and
// copies every leaf entry below it into the block index or the node tree.
// A page that fails a check is dropped with its subtree; its siblings are
// still walked.
#pragma once

#include <cstdint>

#include "engine/ndb/PstFile.h"

// Walks the BBT from (bidBBT, ibBBT), then the NBT from (bidNBT, ibNBT) with
// 0x21 as the lowest NID. -1 without a record, else 1 whatever the walks found.
// On two cores, into an empty node tree, both walks run at once and each
// node's blocks are looked up when both are done: the same indexes as one
// walk after the other.
int32_t BuildIndexes(tpstfile* file);

// Visits the page at `ib`, which must carry trailer BID `bid` and keys in
// [lower, upper). 0 when the page was walked, -1 when it was refused.
// `level` is the cLevel the parent expects of this page (-1 at the root).
// With file->fWalkCountsOnly, entries are counted as if indexed, not indexed.
int32_t WalkBlockBTree(tpstfile* file, int32_t depth, int64_t upper, int64_t lower, uint64_t bid,
                       int64_t ib, int level = -1);
int32_t WalkNodeBTree(tpstfile* file, int32_t depth, int64_t upper, int64_t lower, uint64_t bid,
                      int64_t ib, int level = -1);

inline constexpr int64_t kMaxKey = 0x7FFFFFFFFFFFFFFF;
inline constexpr int64_t kFirstNodeKey = 0x21; // the lowest NID the NBT walk takes

// The block index: AVL insertion with the "subtree has grown" flag kept in the
// engine record, lookups that ignore BID bit 0, and release.
#include "engine/ndb/BlockIndex.h"

#include <algorithm>

#include "engine/ndb/PstFile.h"

namespace {

using Link = tblockentry*;

// p's lesser subtree grew and p was already leaning to it (balance -1).
void RotateAfterLesserGrew(Link& p) {
    Link p1 = p->pLesser;
    if (p1->balance == -1) {
        p->pLesser = p1->pGreater;
        p->balance = 0;
        p1->pGreater = p;
        p = p1;
    } else {
        Link p2 = p1->pGreater;
        p1->pGreater = p2->pLesser;
        p->pLesser = p2->pGreater;
        p->balance = p2->balance == -1 ? +1 : 0;
        p1->balance = p2->balance == +1 ? -1 : 0;
        p2->pLesser = p1;
        p2->pGreater = p;
        p = p2;
    }
    p->balance = 0;
}

// Mirror image: p's greater subtree grew while p leaned to it (balance +1).
void RotateAfterGreaterGrew(Link& p) {
    Link p1 = p->pGreater;
    if (p1->balance == +1) {
        p->pGreater = p1->pLesser;
        p->balance = 0;
        p1->pLesser = p;
        p = p1;
    } else {
        Link p2 = p1->pLesser;
        p1->pLesser = p2->pGreater;
        p->pGreater = p2->pLesser;
        p->balance = p2->balance == +1 ? -1 : 0;
        p1->balance = p2->balance == -1 ? +1 : 0;
        p2->pGreater = p1;
        p2->pLesser = p;
        p = p2;
    }
    p->balance = 0;
}

// Recursion depth is the tree height, about 1.44 log2(n) for an AVL tree.
void InsertAt(tpstfile* file, Link& p, Link entry) {
    if (!p) {
        entry->pGreater = nullptr;
        entry->pLesser = nullptr;
        entry->balance = 0;
        p = entry;
        file->fInsertGrew = 1;
        return;
    }
    if (entry->bid <= p->bid) {
        InsertAt(file, p->pLesser, entry);
        if (!file->fInsertGrew) return;
        if (p->balance == +1) {
            p->balance = 0;
            file->fInsertGrew = 0;
        } else if (p->balance == 0) {
            p->balance = -1;
        } else {
            RotateAfterLesserGrew(p);
            file->fInsertGrew = 0;
        }
    } else {
        InsertAt(file, p->pGreater, entry);
        if (!file->fInsertGrew) return;
        if (p->balance == -1) {
            p->balance = 0;
            file->fInsertGrew = 0;
        } else if (p->balance == 0) {
            p->balance = +1;
        } else {
            RotateAfterGreaterGrew(p);
            file->fInsertGrew = 0;
        }
    }
}

using tcursor = tblockstore::tcursor;

// Interpolation steps before halving: BIDs are handed out in rising steps
// ([MS-PST] 2.2.2.2, bidNextB), so in a file's sorted run a key lies close
// to where its value puts it, and a guess or two lands on it.
constexpr int kGuesses = 4;

// The sorted run's record with `key`, or null: one cache miss or two where
// the tree's search takes a dozen (the run's two ends, read by every lookup,
// stay in the cache). Keys far from even spread cost at most kGuesses
// probes more than a binary search.
tblockentry* FindInSortedRun(const tpstfile* file, int64_t key) {
    const tblockstore& run = file->blocks;
    size_t lo = 0, hi = file->blocksSorted; // the key, if there, is within [lo, hi)
    if (hi == 0) return nullptr;
    // Two records read so far that the key lies between, to guess from.
    size_t belowAt = 0, aboveAt = hi - 1;
    int64_t below = run.At(belowAt)->bid, above = run.At(aboveAt)->bid;
    if (key < below || key > above) return nullptr;
    // The record at `at` if it has the key; else null, with the range and
    // the bounds narrowed to the side of `at` where the key would lie.
    auto probe = [&](size_t at) -> tblockentry* {
        tblockentry* e = run.At(at);
        if (e->bid == key) return e;
        if (key < e->bid) {
            hi = aboveAt = at;
            above = e->bid;
        } else {
            belowAt = at;
            lo = at + 1;
            below = e->bid;
        }
        return nullptr;
    };
    for (int guess = 0; guess < kGuesses && lo < hi && below < above; ++guess) {
        // In doubles: the span of two 64-bit keys may not fit in one.
        const double share = (double(key) - double(below)) / (double(above) - double(below));
        const size_t at = belowAt + size_t(share * double(aboveAt - belowAt));
        if (tblockentry* e = probe(std::clamp(at, lo, hi - 1))) return e;
    }
    while (lo < hi)
        if (tblockentry* e = probe(lo + (hi - lo) / 2)) return e;
    return nullptr;
}

// A record linked after the sorted run whose key the run holds too makes
// the key's lookup the tree's to decide: the run is no longer searched.
void KeepSortedRunUnique(tpstfile* file, const tblockentry* linked) {
    if (file->blocksSorted != 0 && FindInSortedRun(file, linked->bid)) file->blocksSorted = 0;
}

bool StrictlyAscending(tcursor records) {
    const tblockentry* before = records.Next();
    for (const tblockentry* e = before ? records.Next() : nullptr; e;
         before = e, e = records.Next())
        if (before->bid >= e->bid) return false;
    return true;
}

// The height of a tree of `count` records built by LinkBalanced.
int HeightOf(size_t count) {
    int height = 0;
    for (; count > 0; count >>= 1)
        ++height;
    return height;
}

// The next `count` records of `records` as a tree whose root is the middle
// one, built in order; the lesser side takes the extra record, so each
// balance is 0 or -1.
tblockentry* LinkBalanced(tcursor& records, size_t count) {
    if (count == 0) return nullptr;
    const size_t lesser = count / 2, greater = count - 1 - lesser;
    tblockentry* lesserRoot = LinkBalanced(records, lesser);
    tblockentry* root = records.Next();
    root->pLesser = lesserRoot;
    root->pGreater = LinkBalanced(records, greater);
    root->balance = int8_t(HeightOf(greater) - HeightOf(lesser));
    return root;
}

} // namespace

tblockentry* AddBlockUnlinked(tpstfile* file, const tblockentry& fields) {
    if (!file) return nullptr;
    return file->blocks.Add(fields);
}

void LinkAddedBlocks(tpstfile* file) {
    if (!file) return;
    const size_t count = file->blocks.Count();
    if (file->blocksLinked >= count) return;
    tcursor added(file->blocks, file->blocksLinked);
    if (!file->pBlockIndex && StrictlyAscending(added)) {
        file->pBlockIndex = LinkBalanced(added, count - file->blocksLinked);
        if (file->blocksLinked == 0) file->blocksSorted = count;
    } else {
        while (tblockentry* entry = added.Next()) {
            file->fInsertGrew = 0;
            InsertAt(file, file->pBlockIndex, entry);
            KeepSortedRunUnique(file, entry);
        }
    }
    file->blocksLinked = count;
}

tblockentry* FindBlock(tpstfile* file, uint64_t bid) {
    if (!file || bid == 0) return nullptr;
    int64_t key = int64_t(bid & ~uint64_t(1));
    if (file->blocksSorted != 0)
        if (tblockentry* e = FindInSortedRun(file, key)) return e;
    tblockentry* p = file->pBlockIndex;
    while (p) {
        if (p->bid == key) return p;
        p = key < p->bid ? p->pLesser : p->pGreater;
    }
    return nullptr;
}

tblockentry* InsertBlock(tpstfile* file, const tblockentry& fields) {
    if (!file) return nullptr;
    LinkAddedBlocks(file); // any waiting records first, in the order they came
    tblockentry* entry = file->blocks.Add(fields);
    file->fInsertGrew = 0;
    InsertAt(file, file->pBlockIndex, entry);
    KeepSortedRunUnique(file, entry);
    ++file->blocksLinked;
    return entry;
}

void FreeBlockIndex(tpstfile* file) {
    if (!file) return;
    file->pBlockIndex = nullptr;
    file->blocksLinked = 0;
    file->blocksSorted = 0;
    file->blocks.Clear();
    file->indexedLeaves.clear();
    file->indexedLeaves.shrink_to_fit();
}

// The node records by NID ([MS-PST] 2.2.2.1): for each NID the head of the
// chain of records that carry it. A mailbox has one record per item, so the
// index holds hundreds of thousands of them. Open addressing over slots of
// eight bytes, at most half of them in use, and the heads in a list of their
// own: a map with a node per key took an allocation per record and about
// half as much memory again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct tnodeentry;

class tnidindex {
public:
    // The head of `nid`'s chain, or null when no record carries it.
    tnodeentry* Find(uint64_t nid) const;

    // Makes `node` the head of its NID's chain; returns the head it
    // replaces, or null for a NID not held before. The node's nid must not
    // change while the index holds it. May throw std::bad_alloc, leaving the
    // index as it was.
    tnodeentry* PutHead(tnodeentry* node);

    // How many NIDs are held.
    size_t Size() const { return heads_.size(); }

    // Holds nothing and gives its memory back.
    void Clear();

private:
    // A NID's low 32 bits, which are all a NID has in a sound file, and
    // its place in heads_ plus one (0: an empty slot). A NID with higher
    // bits set shares its slot's run with the NIDs of the same low bits.
    struct tslot {
        uint32_t low = 0;
        uint32_t head = 0;
    };

    // The slot that holds `nid`, or the empty slot where it would go.
    size_t SlotOf(uint64_t nid) const;
    void Grow();

    std::vector<tslot> slots_; // a power of two in size, or empty
    std::vector<tnodeentry*> heads_;
};

// The node records by NID (see NidIndex.h).
#include "engine/ndb/NidIndex.h"

#include <limits>
#include <new>
#include <utility>

#include "engine/ndb/NodeTree.h"

namespace {

constexpr size_t kFirstSlots = 64;

// NIDs count up in steps of 32 (an index above five type bits): a
// multiplicative hash spreads them over the slots.
size_t Hash(uint32_t low, size_t mask) {
    return size_t((uint64_t(low) * 0x9E3779B97F4A7C15ull) >> 29) & mask;
}

} // namespace

size_t tnidindex::SlotOf(uint64_t nid) const {
    const size_t mask = slots_.size() - 1;
    const uint32_t low = uint32_t(nid);
    size_t at = Hash(low, mask);
    // A slot of the same low bits is compared in full only then.
    while (slots_[at].head != 0 &&
           (slots_[at].low != low || heads_[slots_[at].head - 1]->nid != nid))
        at = (at + 1) & mask;
    return at;
}

tnodeentry* tnidindex::Find(uint64_t nid) const {
    if (slots_.empty()) return nullptr;
    const tslot& slot = slots_[SlotOf(nid)];
    return slot.head ? heads_[slot.head - 1] : nullptr;
}

tnodeentry* tnidindex::PutHead(tnodeentry* node) {
    if (slots_.empty() || 2 * (heads_.size() + 1) > slots_.size()) Grow();
    tslot& slot = slots_[SlotOf(node->nid)];
    if (slot.head) return std::exchange(heads_[slot.head - 1], node);
    if (heads_.size() >= std::numeric_limits<uint32_t>::max()) throw std::bad_alloc();
    heads_.push_back(node); // the only step that may throw: nothing changed before it
    slot = {uint32_t(node->nid), uint32_t(heads_.size())};
    return nullptr;
}

void tnidindex::Grow() {
    std::vector<tslot> old(slots_.empty() ? kFirstSlots : 2 * slots_.size());
    old.swap(slots_);
    // Each slot goes again where the larger table puts its low bits; no
    // record is read for it.
    const size_t mask = slots_.size() - 1;
    for (const tslot& s : old) {
        if (!s.head) continue;
        size_t at = Hash(s.low, mask);
        while (slots_[at].head)
            at = (at + 1) & mask;
        slots_[at] = s;
    }
}

void tnidindex::Clear() {
    std::vector<tslot>().swap(slots_);
    std::vector<tnodeentry*>().swap(heads_);
}

// Property context builder of the PST writer ([MS-PST] 2.3.3): a BTH of 2-byte property IDs
// over 6-byte (type, value) records in a heap with client signature bTypePC. Values of up to
// 4 bytes are inline, larger ones in the heap, and those above the heap's allocation limit in
// subnodes of the owning node.
#pragma once

#include <vector>

#include "tools/pstwriter/PstBth.h"
#include "tools/pstwriter/PstNodeData.h"
#include "tools/pstwriter/PstProperty.h"

namespace pstw {

struct PcOptions {
    size_t pageSize = 8176;                         // heap page bytes
    size_t heapLimit = HeapBuilder::kMaxAllocation; // larger values go to subnodes
};

// The heap alone, for tests that look at its bytes; subnodes still go through w and subs.
HeapBuilder buildPropertyContext(NdbWriter& w, std::vector<Prop> props, SubnodeSet& subs,
                                 const PcOptions& options = {});
// Writes the context and returns the BID of its data. Properties are sorted by ID; an ID
// given twice keeps its last value.
uint64_t writePropertyContext(NdbWriter& w, std::vector<Prop> props, SubnodeSet& subs,
                              const PcOptions& options = {});

// An HNID for a variable-sized value: an HID when it fits the heap, else a new subnode.
uint32_t storeValue(NdbWriter& w, HeapBuilder& heap, SubnodeSet& subs,
                    std::span<const uint8_t> bytes, size_t heapLimit);

} // namespace pstw

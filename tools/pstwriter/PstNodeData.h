// What one node is made of while the PST writer builds it: the subnodes its contexts put
// aside (large values, tables, attachments) and data trees cut into blocks of chosen sizes.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "tools/pstwriter/PstWriter.h"

namespace pstw {

// [MS-PST] 2.2.2.1 NID types used inside nodes.
constexpr uint8_t kNidTypeAttachment = 0x05;
constexpr uint8_t kNidTypeLtp = 0x1F;
constexpr uint32_t kNidAttachmentTable = 0x671;
constexpr uint32_t kNidRecipientTable = 0x692;

constexpr uint32_t makeNid(uint32_t index, uint8_t type) {
    return (index << 5) | type;
}

// One external block per entry of blocks (each at most maxBlockData bytes): a single block,
// an XBLOCK over them, or an XXBLOCK over XBLOCKs. Heap pages and row matrices need this
// because their blocks are not cut at fixed sizes.
uint64_t addBlockTree(NdbWriter& w, const std::vector<std::vector<uint8_t>>& blocks);

class SubnodeSet {
public:
    // A new subnode of that NID type holding data as a data tree; returns its NID.
    uint32_t addData(NdbWriter& w, std::span<const uint8_t> data, uint8_t nidType = kNidTypeLtp);
    uint32_t addBlocks(NdbWriter& w, const std::vector<std::vector<uint8_t>>& blocks,
                       uint8_t nidType = kNidTypeLtp);
    // A subnode whose blocks exist already (a fixed NID such as 0x692, or a nested node).
    void add(SubnodeRef ref) { refs_.push_back(ref); }
    uint32_t nextNid(uint8_t nidType);
    const std::vector<SubnodeRef>& refs() const { return refs_; }
    bool empty() const { return refs_.empty(); }
    // The SLBLOCK/SIBLOCK tree of all subnodes; 0 when there are none.
    uint64_t write(NdbWriter& w) const;

private:
    std::vector<SubnodeRef> refs_;
    std::map<uint8_t, uint32_t> nextIndex_;
};

} // namespace pstw

// A node's subnodes ([MS-PST] 2.2.2.8.3.3, SLBLOCK) as an in-memory list of
// tsubnodeentry, each possibly heading its own nested list, and the reading
// of one subnode's data by its local NID.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/ndb/PstFile.h"

struct tsubnodeentry {
    uint64_t nid = 0;                  // local NID (low 32 bits of the SLENTRY nid)
    tblockentry* pDataBlock = nullptr; // never null; points into the block index
    std::unique_ptr<tsubnodeentry> pChildren;
    std::unique_ptr<tsubnodeentry> pNext;
    ~tsubnodeentry(); // releases the lists below iteratively
};

// The subnode list of the SLBLOCK in `block`, or null when there are no usable
// subnodes or the block cannot be read. The caller owns the list.
std::unique_ptr<tsubnodeentry> BuildSubnodeTree(tpstfile* file, tblockentry* block);

// The entry of `list` itself; else the first match in the nested lists, depth first.
tsubnodeentry* FindSubnode(tsubnodeentry* list, uint64_t nid);

// A separately owned copy with the same NIDs and block pointers.
std::unique_ptr<tsubnodeentry> CopySubnodeTree(const tsubnodeentry* list);

void FreeSubnodeTree(std::unique_ptr<tsubnodeentry>& list);

// The data of subnode `nid` (FindSubnode, then ReadDataTree); 0 when unknown.
int32_t ReadSubnodeData(tpstfile* file, tsubnodeentry* list, uint32_t nid, tbuffer& data);

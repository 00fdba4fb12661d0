// Reading a property context ([MS-PST] 2.3.3) or table context ([MS-PST]
// 2.3.4) into decoded values: one set for a PC, one set per row for a TC.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/ltp/PropValue.h"
#include "engine/ltp/ValueDecoder.h"
#include "engine/ndb/PstFile.h"
#include "engine/ndb/SubnodeTree.h"

// The sets read from the heap stored under `bid`, prepended to `list`; null
// when the heap is no PC or TC, is damaged, or holds a value of a type that
// is not decoded (the given list is then released too). `subnodes` is the
// subnode list of the node that owns the data; it may be null.
std::unique_ptr<tpropset> ReadContext(tpstfile* file, tsubnodeentry* subnodes,
                                      std::unique_ptr<tpropset> list, uint64_t bid);

// The two branches of ReadContext, for a heap already loaded into `decoder`.
// Each returns the new sets prepended to `list`, or null (list released).
std::unique_ptr<tpropset> ReadPropertyContext(tvaluedecoder& decoder,
                                              std::unique_ptr<tpropset> list);
std::unique_ptr<tpropset> ReadTableContext(tvaluedecoder& decoder, std::unique_ptr<tpropset> list);

// Stores one cell into `slot` of `set` as StoreValue does (moving `slot` on
// when kept, lowering Count when dropped); `position` is the set's place in
// the list the read returns, 0 for the first (the last row).
using tcellstore =
    std::function<tdecoderesult(tpropset& set, int32_t& slot, uint64_t position, uint16_t propId,
                                uint16_t propType, uint32_t field, tcell cell)>;

// ReadTableContext with every cell handed to `store` instead of the decoder.
std::unique_ptr<tpropset> ReadTableRows(tvaluedecoder& decoder, std::unique_ptr<tpropset> list,
                                        const tcellstore& store);

// The tags of the columns of the table context stored under `bid` (named
// properties as the decoder names them), those of types the decoder reads;
// false when it is no table context or its TCINFO cannot be read.
bool ReadTableColumnTags(tpstfile* file, tsubnodeentry* subnodes, uint64_t bid,
                         std::vector<uint32_t>& tags);

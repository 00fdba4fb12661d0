// A property context ([MS-PST] 2.3.3) read with every value that is not
// inline (those in the heap, in subnodes by [MS-PST] 2.3.3.3 HNIDs, and
// embedded objects) left unread until asked for. Whoever needs only a few fields of an object (its
// class, which records it has) reads the heap alone and those few values,
// not the bodies and attachments. Each unread value is counted at the most
// bytes it could hold, so that the value budget of ReadContext is known to
// hold: when it might not, the read says it is uncertain and the caller
// reads the whole context instead.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/ltp/Heap.h"
#include "engine/ltp/PropValue.h"
#include "engine/ltp/ValueDecoder.h"

enum class tdeferredstatus {
    Ready,      // the set holds what ReadContext would, unread values marked
    Unreadable, // ReadContext would give no set
    Uncertain   // not a property context, or the budget might not hold
};

// One value left unread: its record, to be decoded on demand.
struct tdeferredvalue {
    bool pending = false;
    uint16_t propId = 0;
    uint16_t propType = 0;
    uint32_t valueField = 0;
};

struct tdeferredcontext {
    tdeferredstatus status = tdeferredstatus::Unreadable;
    theap heap;
    tvaluedecoder decoder;
    // Slots as ReadContext fills them; unread slots hold Tag, Name and Type
    // only. One set for a property context; for a table, the rows as
    // ReadContext lists them, the last row first.
    std::unique_ptr<tpropset> set;
    // One per slot: slot i of the k-th set of the list at k * stride + i.
    std::vector<tdeferredvalue> deferred;
    size_t stride = 0;
};

// The context stored under `bid`; `subnodes` as for ReadContext. Never null.
std::unique_ptr<tdeferredcontext> ReadDeferredContext(tpstfile* file, tsubnodeentry* subnodes,
                                                      uint64_t bid);

// Gives a context from ReadDeferredContext back when its reader is done
// with it: the thread's next ReadDeferredContext fills it again, reusing its
// values' storage instead of allocating each anew.
void RecycleDeferredContext(std::unique_ptr<tdeferredcontext> context);

// The table context stored under `bid` ([MS-PST] 2.3.4) with every cell
// that is an HNID left unread, as ReadDeferredContext leaves a property
// context's; Uncertain when the heap is a property context or the budget
// might not hold. Never null.
std::unique_ptr<tdeferredcontext> ReadDeferredTable(tpstfile* file, tsubnodeentry* subnodes,
                                                    uint64_t bid);

// Reads slot `slot` of the first set now if it was left unread; false when
// it cannot be read as ReadContext would have read it.
bool DecodeDeferred(tdeferredcontext& context, size_t slot);

// The same for the value `value` whose record is deferred[index].
bool DecodeDeferredAt(tdeferredcontext& context, tpropvalue& value, size_t index);

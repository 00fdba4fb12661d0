// The property context with values outside the heap left unread: the same
// walk over the BTH records as ReadPropertyContext ([MS-PST] 2.3.3), the
// same slots and drops, and an upper bound for every value not read.
#include "engine/ltp/DeferredContext.h"

#include <algorithm>
#include <new>

#include "engine/Limits.h"
#include "engine/ltp/Context.h"
#include "engine/ltp/NamedPropertyMap.h"
#include "engine/ndb/BlockRead.h"
#include "support/LittleEndian.h"

namespace {

inline constexpr uint16_t kPcTypeKey = 0x02B5;   // bTypeBTH, 2-byte keys
inline constexpr uint16_t kPcEntLevels = 0x0006; // 6-byte data, no index levels
inline constexpr size_t kPcRecordSize = 8;
inline constexpr size_t kObjectNidBytes = 4;

using ostrel::limits::kMaxContextValueBytes;
using ostrel::limits::kMaxDataTreeBytes;
using ostrel::limits::kMaxInflatedBlockBytes;

// The most bytes the data of subnode `nid` can read as: one block, or a data
// tree within its limit.
uint64_t SubnodeBound(tsubnodeentry* subnodes, uint64_t nid) {
    tsubnodeentry* entry = subnodes ? FindSubnode(subnodes, nid) : nullptr;
    if (!entry || !entry->pDataBlock) return 0;
    const tblocksizes b = LoadBlockSizes(entry->pDataBlock);
    if (IsInternalBid(uint64_t(entry->pDataBlock->bid)))
        return std::max<uint64_t>(kMaxDataTreeBytes, b.cb);
    return std::max<uint64_t>({b.cb, b.cbInflated, kMaxInflatedBlockBytes});
}

// Every value but the inline ones waits: copying and converting them is
// most of the cost of a context, and few are ever asked for.
bool LeftUnread(uint16_t propType) {
    return IsDecodedType(propType) && !IsInlineValueType(propType);
}

// Fills the slot as the decoder would, without the value's bytes; `bound`
// is the most that reading it would charge. Dropped as DecodeValue drops it.
tdecoderesult MarkUnread(tvaluedecoder& decoder, tpropvalue& value, uint16_t propId,
                         uint16_t propType, uint32_t valueField, uint64_t& bound) {
    value.Reset();
    tnamedpropmatch named = ConsultNamedPropertyMap(decoder.file->pNamedProps.get(), propId);
    value.Tag = named.tag;
    value.Name = named.name;
    value.Type = propType;
    if (IsSubnodeHnid(valueField)) {
        bound = SubnodeBound(decoder.subnodes, valueField) + 1;
        if (propType == PtypObject) bound += kMaxDataTreeBytes;
        return tdecoderesult::Stored;
    }
    // A value in the heap: its HID must resolve, as in DecodeValue, and
    // its length is then known.
    thidrange range;
    if (ResolveHnid(decoder.file, decoder.subnodes, *decoder.heap, range, valueField) != 0)
        return tdecoderesult::Dropped;
    bound = range.Length() + 1;
    if (propType != PtypObject) return tdecoderesult::Stored;
    uint8_t raw[kObjectNidBytes] = {};
    std::copy_n(range.Begin, std::min(kObjectNidBytes, range.Length()), raw);
    bound += SubnodeBound(decoder.subnodes, LoadU32(raw));
    return tdecoderesult::Stored;
}

// Read in full, every value together might pass the budget: only a whole
// read can tell.
tdeferredstatus WithinBudget(const tdeferredcontext& c, uint64_t bounds) {
    if (c.decoder.bytesCopied + bounds > kMaxContextValueBytes) return tdeferredstatus::Uncertain;
    return tdeferredstatus::Ready;
}

// The records of the context, decoded or marked; the status they leave.
tdeferredstatus ReadRecords(tdeferredcontext& c, const thidrange& records) {
    const size_t count = records.Length() / kPcRecordSize;
    // A recycled context's set: its values are filled again in place.
    std::unique_ptr<tpropset> set = c.set ? std::move(c.set) : std::make_unique<tpropset>();
    set->Count = set->Capacity = int32_t(count);
    set->RowCount = 1;
    set->Values.resize(count);
    c.deferred.assign(count, {});
    uint64_t bounds = 0;
    int32_t slot = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* r = records.Begin + i * kPcRecordSize;
        const uint16_t id = LoadU16(r), type = LoadU16(r + 2);
        const uint32_t field = LoadU32(r + 4);
        if (!LeftUnread(type)) {
            tdecoderesult result = StoreValue(c.decoder, *set, slot, id, type, field);
            if (result == tdecoderesult::Unreadable) return tdeferredstatus::Unreadable;
            continue;
        }
        auto& held = set->Values[size_t(slot)];
        if (!held) held = std::make_unique<tpropvalue>(); // a recycled set has one
        uint64_t bound = 0;
        if (MarkUnread(c.decoder, *held, id, type, field, bound) == tdecoderesult::Dropped) {
            --set->Count;
            held.reset();
            continue;
        }
        c.deferred[size_t(slot)] = {true, id, type, field};
        bounds += bound;
        ++slot;
    }
    // The slots of dropped values stay empty, also in a recycled set.
    for (size_t i = size_t(slot); i < count; ++i)
        set->Values[i].reset();
    c.set = std::move(set);
    c.stride = count;
    return WithinBudget(c, bounds);
}

tdeferredstatus ReadPropertyRecords(tdeferredcontext& c) {
    tbthheader bth;
    if (!ReadBthHeader(c.decoder.file, c.decoder.subnodes, c.heap, c.heap.UserRoot, bth) ||
        bth.TypeKey != kPcTypeKey || bth.EntLevels != kPcEntLevels)
        return tdeferredstatus::Unreadable;
    thidrange records;
    if (ResolveHnid(c.decoder.file, c.decoder.subnodes, c.heap, records, bth.hidRoot) != 0)
        return tdeferredstatus::Unreadable;
    return ReadRecords(c, records);
}

// The cells of a table, decoded where the value is in the row or the cell
// holds no HNID, marked otherwise; the status they leave.
tdeferredstatus ReadTableCells(tdeferredcontext& c) {
    uint64_t bounds = 0;
    auto store = [&](tpropset& set, int32_t& slot, uint64_t position, uint16_t id, uint16_t type,
                     uint32_t field, tcell cell) {
        if (!LeftUnread(type) || IsValueInCell(type, cell))
            return StoreValue(c.decoder, set, slot, id, type, field, cell);
        if (slot < 0 || size_t(slot) >= set.Values.size()) return tdecoderesult::Unreadable;
        auto& held = set.Values[size_t(slot)];
        held = std::make_unique<tpropvalue>();
        uint64_t bound = 0;
        if (MarkUnread(c.decoder, *held, id, type, field, bound) == tdecoderesult::Dropped) {
            --set.Count;
            held.reset();
            return tdecoderesult::Dropped;
        }
        const size_t index = size_t(position) * set.Values.size() + size_t(slot);
        if (c.deferred.size() <= index) c.deferred.resize(index + 1);
        c.deferred[index] = {true, id, type, field};
        bounds += bound;
        ++slot;
        return tdecoderesult::Stored;
    };
    c.set = ReadTableRows(c.decoder, nullptr, store);
    if (!c.set) return tdeferredstatus::Unreadable;
    c.stride = size_t(std::max(c.set->Capacity, 0));
    return WithinBudget(c, bounds);
}

// The thread's context given back by RecycleDeferredContext, if any.
thread_local std::unique_ptr<tdeferredcontext> tSpareContext;

// What a thread keeps for reuse is bounded: no body's storage after its
// read, no set of an unusually large context.
constexpr size_t kMostKeptValueBytes = 4096;
constexpr size_t kMostKeptValues = 1024;

// A context as new, but for the set of a recycled one, which ReadRecords
// fills again in place.
std::unique_ptr<tdeferredcontext> FreshContext(bool reuse) {
    std::unique_ptr<tdeferredcontext> c = reuse ? std::move(tSpareContext) : nullptr;
    if (!c) return std::make_unique<tdeferredcontext>();
    std::unique_ptr<tpropset> set = std::move(c->set);
    std::vector<tdeferredvalue> deferred = std::move(c->deferred);
    theap heap = std::move(c->heap);
    *c = tdeferredcontext();
    c->set = std::move(set);
    c->deferred = std::move(deferred);
    c->heap = std::move(heap);
    c->deferred.clear();
    return c;
}

// The heap under `bid` read by `read` when it has the signature `expected`;
// Uncertain for the other kind of context, Unreadable for anything else.
template <typename Read>
std::unique_ptr<tdeferredcontext> ReadDeferred(tpstfile* file, tsubnodeentry* subnodes,
                                               uint64_t bid, uint16_t expected, Read read,
                                               bool reuse = false) {
    auto c = FreshContext(reuse);
    try {
        if (file && LoadHeapInto(file, bid, c->heap)) {
            c->decoder = tvaluedecoder{file, subnodes, &c->heap, 0};
            if (c->heap.Signature == expected)
                c->status = read(*c);
            else if (c->heap.Signature == kHeapSigPropContext ||
                     c->heap.Signature == kHeapSigTableContext)
                c->status = tdeferredstatus::Uncertain;
        }
    } catch (const std::bad_alloc&) {
        c->status = tdeferredstatus::Uncertain;
    }
    // Whatever was not read leaves no set, recycled or new.
    if (c->status != tdeferredstatus::Ready) c->set.reset();
    return c;
}

} // namespace

std::unique_ptr<tdeferredcontext> ReadDeferredContext(tpstfile* file, tsubnodeentry* subnodes,
                                                      uint64_t bid) {
    return ReadDeferred(file, subnodes, bid, kHeapSigPropContext, ReadPropertyRecords, true);
}

void RecycleDeferredContext(std::unique_ptr<tdeferredcontext> context) {
    if (!context || !context->set || context->set->Next ||
        context->set->Values.size() > kMostKeptValues)
        return;
    for (std::unique_ptr<tpropvalue>& value : context->set->Values)
        if (value && value->Data.capacity() > kMostKeptValueBytes) value.reset();
    TrimHeapForReuse(context->heap); // its first page takes the next context's block
    tSpareContext = std::move(context);
}

std::unique_ptr<tdeferredcontext> ReadDeferredTable(tpstfile* file, tsubnodeentry* subnodes,
                                                    uint64_t bid) {
    return ReadDeferred(file, subnodes, bid, kHeapSigTableContext, ReadTableCells);
}

bool DecodeDeferred(tdeferredcontext& c, size_t slot) {
    if (!c.set || slot >= c.set->Values.size() || !c.set->Values[slot]) return true;
    return DecodeDeferredAt(c, *c.set->Values[slot], slot);
}

bool DecodeDeferredAt(tdeferredcontext& c, tpropvalue& value, size_t index) {
    if (!c.set || index >= c.deferred.size() || !c.deferred[index].pending) return true;
    tdeferredvalue d = c.deferred[index];
    c.deferred[index].pending = false;
    try {
        return DecodeValue(c.decoder, value, d.propId, d.propType, d.valueField) ==
               tdecoderesult::Stored;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

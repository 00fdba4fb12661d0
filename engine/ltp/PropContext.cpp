// ReadContext and its property context branch: the BTH of 2-byte property
// IDs whose 6-byte records hold a type and a value or an HNID ([MS-PST] 2.3.3).
#include <new>

#include "engine/ltp/Context.h"
#include "engine/ltp/ValueDecoder.h"
#include "support/LittleEndian.h"

namespace {

inline constexpr uint16_t kPcTypeKey = 0x02B5;   // bTypeBTH, 2-byte keys
inline constexpr uint16_t kPcEntLevels = 0x0006; // 6-byte data, no index levels
inline constexpr size_t kPcRecordSize = 8;

} // namespace

std::unique_ptr<tpropset> ReadPropertyContext(tvaluedecoder& decoder,
                                              std::unique_ptr<tpropset> list) {
    const theap& heap = *decoder.heap;
    tbthheader bth;
    if (!ReadBthHeader(decoder.file, decoder.subnodes, heap, heap.UserRoot, bth) ||
        bth.TypeKey != kPcTypeKey || bth.EntLevels != kPcEntLevels)
        return nullptr;
    thidrange records;
    if (ResolveHnid(decoder.file, decoder.subnodes, heap, records, bth.hidRoot) != 0)
        return nullptr;
    const size_t count = records.Length() / kPcRecordSize;
    auto set = std::make_unique<tpropset>();
    set->Count = set->Capacity = int32_t(count);
    set->RowCount = 1;
    set->Values.resize(count);
    int32_t slot = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* r = records.Begin + i * kPcRecordSize;
        if (StoreValue(decoder, *set, slot, LoadU16(r), LoadU16(r + 2), LoadU32(r + 4)) ==
            tdecoderesult::Unreadable)
            return nullptr;
    }
    set->Next = std::move(list);
    return set;
}

std::unique_ptr<tpropset> ReadContext(tpstfile* file, tsubnodeentry* subnodes,
                                      std::unique_ptr<tpropset> list, uint64_t bid) {
    if (!file) return nullptr;
    try {
        std::optional<theap> heap = LoadHeap(file, bid);
        if (!heap) return nullptr;
        tvaluedecoder decoder{file, subnodes, &*heap, 0};
        switch (heap->Signature) {
        case kHeapSigPropContext:
            return ReadPropertyContext(decoder, std::move(list));
        case kHeapSigTableContext:
            return ReadTableContext(decoder, std::move(list));
        default:
            return nullptr;
        }
    } catch (const std::bad_alloc&) {
        // A context too large for memory is unreadable like a damaged one.
        return nullptr;
    }
}

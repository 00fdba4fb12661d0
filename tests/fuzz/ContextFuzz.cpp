// Fuzz target: ReadContext on arbitrary heap bytes, stored as the data of one
// node (split into heap pages under an XBLOCK when longer than a block) of a
// tiny file whose node also has subnodes, so that HNIDs naming subnodes resolve.
// The readings with values left unread (DeferredContext, of a property or a
// table context) and the column tags of a table run on the same heap; the
// first two must give ReadContext's values, also read into recycled storage.
#include <cstdlib>
#include <memory>
#include <vector>

#include "engine/ltp/DeferredContext.h"

#include "engine/uPST64Format.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/fuzz/ScratchFiles.h"
#include "tools/pstwriter/PstWriter.h"

namespace {

constexpr uint32_t kNode = 0x200024;

std::vector<uint8_t> HeapFile(const uint8_t* data, size_t size, uint64_t& bid) {
    pstw::Options o;
    o.crypt = 0;
    pstw::NdbWriter w(o);
    bid = w.addDataTree({data, size});
    std::vector<uint8_t> small(64, 0x41), large(5000, 0x42);
    const uint64_t sub =
        w.addSubnodeTree({{0x3F, w.addBlock(small)}, {0x7F, w.addDataTree(large)}, {0x9F, bid}});
    w.addNode(kNode, bid, sub, 0x122);
    return w.finish();
}

bool SameValue(const tpropvalue* a, const tpropvalue* b) {
    if (!a || !b) return a == b;
    return a->Tag == b->Tag && a->Type == b->Type && a->Size == b->Size && a->Data == b->Data &&
           a->Name == b->Name && a->ObjectNid == b->ObjectNid;
}

// Every value of a deferred read, once read, is the value ReadContext gave;
// the read is given back for reuse after it, so that each read after the
// first fills the storage of the input before.
void CheckDeferred(tpstfile& file, tsubnodeentry* subnodes, uint64_t bid, const tpropset* sets) {
    auto deferred = ReadDeferredContext(&file, subnodes, bid);
    if (deferred->status == tdeferredstatus::Unreadable && sets) std::abort();
    if (deferred->status == tdeferredstatus::Ready) {
        if (!sets || sets->Next || deferred->set->Count != sets->Count) std::abort();
        for (size_t i = 0; i < deferred->set->Values.size(); ++i) {
            if (!DecodeDeferred(*deferred, i)) std::abort();
            const tpropvalue* want = i < sets->Values.size() ? sets->Values[i].get() : nullptr;
            if (!SameValue(deferred->set->Values[i].get(), want)) std::abort();
        }
    }
    RecycleDeferredContext(std::move(deferred));
}

// The same for a table read with its HNID cells left unread: every set,
// slot and value, once read, as ReadContext gave them.
void CheckDeferredTable(tpstfile& file, tsubnodeentry* subnodes, uint64_t bid,
                        const tpropset* sets) {
    auto deferred = ReadDeferredTable(&file, subnodes, bid);
    if (deferred->status == tdeferredstatus::Unreadable && sets) std::abort();
    if (deferred->status != tdeferredstatus::Ready) return;
    size_t k = 0;
    for (tpropset* got = deferred->set.get(); got || sets;
         got = got->Next.get(), sets = sets->Next.get(), ++k) {
        if (!got || !sets || got->Count != sets->Count || got->RowCount != sets->RowCount ||
            got->Values.size() != sets->Values.size())
            std::abort();
        for (size_t i = 0; i < got->Values.size(); ++i) {
            tpropvalue* value = got->Values[i].get();
            if (value && !DecodeDeferredAt(*deferred, *value, k * deferred->stride + i))
                std::abort();
            if (!SameValue(value, sets->Values[i].get())) std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    uint64_t bid = 0;
    const std::string path = ostrel::fuzz::WriteScratchFile(HeapFile(data, size, bid));
    tpstfile file;
    if (OpenPstFile(&file, path) != 0) return 0;
    BuildIndexes(&file);
    tnodeentry* node = FindNode(&file, kNode);
    std::unique_ptr<tsubnodeentry> subnodes =
        node && node->pSubBlock ? BuildSubnodeTree(&file, node->pSubBlock) : nullptr;
    std::unique_ptr<tpropset> sets = ReadContext(&file, subnodes.get(), nullptr, bid);
    CheckDeferred(file, subnodes.get(), bid, sets.get());
    CheckDeferred(file, subnodes.get(), bid, sets.get()); // into the storage of the first
    CheckDeferredTable(file, subnodes.get(), bid, sets.get());
    std::vector<uint32_t> columns;
    ReadTableColumnTags(&file, subnodes.get(), bid, columns);
    ClosePstFile(&file);
    return 0;
}

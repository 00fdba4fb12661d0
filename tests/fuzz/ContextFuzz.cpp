// Fuzz target: ReadContext on arbitrary heap bytes, stored as the data of one
// node (split into heap pages under an XBLOCK when longer than a block) of a
// tiny file whose node also has subnodes, so that HNIDs naming subnodes resolve.
#include <memory>

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
    ClosePstFile(&file);
    return 0;
}

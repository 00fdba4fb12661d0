// Fuzz target: the 4 KiB layout and the inflation of compressed blocks. An
// input starting with an even byte is a claimed size (16 bits) and a zlib
// stream for InflateBlock, which must give exactly the claim or nothing. An
// odd first byte is followed by edits of the seed image (Seed4k.h), four
// bytes each: a 24-bit offset into the pages and blocks (bit 23: seal the
// edited page's CRC again, so that the page scans take it) and the new
// byte; the edited image goes through the open sequence and the folder
// lists, every node's data and subnode trees are read, and the collections'
// cheap reads must give what the whole builds give.
#include <cstdlib>

#include "engine/uPST64Format.h"
#include "tests/engine/ndb/Image4k.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/fuzz/MailboxWalk.h"
#include "tests/fuzz/ScratchFiles.h"
#include "tests/fuzz/Seed4k.h"

namespace {

constexpr size_t kEditSize = 4;
constexpr uint32_t kResealBit = 1u << 23;
constexpr uint32_t kOffsetMask = kResealBit - 1;

void CheckInflate(const uint8_t* data, size_t size) {
    if (size < 2) return;
    const uint32_t claim = uint32_t(data[0] | (data[1] << 8));
    std::vector<uint8_t> out;
    int32_t n = InflateBlock(data + 2, size - 2, claim, out);
    if (n != 0 && (uint32_t(n) != claim || out.size() != claim)) std::abort();
    if (n == 0 && !out.empty()) std::abort();
}

std::vector<uint8_t> EditedSeed(const uint8_t* data, size_t size) {
    std::vector<uint8_t> image = ostrel::fuzz::Seed4kImage();
    img4k::Image4k img;
    img.bytes = std::move(image);
    const size_t area = img.bytes.size() - img4k::kFirstAMap;
    for (size_t i = 0; i + kEditSize <= size; i += kEditSize) {
        const uint32_t word = uint32_t(data[i] | (data[i + 1] << 8) | (data[i + 2] << 16));
        const size_t at = img4k::kFirstAMap + (word & kOffsetMask) % area;
        img.bytes[at] = data[i + 3];
        if (word & kResealBit) img.reseal(at / img4k::kPage * img4k::kPage);
    }
    return std::move(img.bytes);
}

// The engine's own reads of every node, beside what the viewer asks for.
void ReadEveryNode(std::span<const uint8_t> bytes) {
    tpstfile file;
    if (OpenPstFile(&file, ostrel::fuzz::WriteScratchFile(bytes)) != 0) return;
    BuildIndexes(&file);
    for (const auto& node : file.nodes.owned) {
        tbuffer data;
        ReadDataTree(&file, node->pDataBlock, data);
        std::unique_ptr<tsubnodeentry> subnodes = BuildSubnodeTree(&file, node->pSubBlock);
        for (tsubnodeentry* e = subnodes.get(); e; e = e->pNext.get())
            ReadDataTree(&file, e->pDataBlock, data);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    if ((data[0] & 1) == ostrel::fuzz::kInflateMode) {
        CheckInflate(data + 1, size - 1);
        return 0;
    }
    std::vector<uint8_t> image = EditedSeed(data + 1, size - 1);
    ReadEveryNode(image);
    ostrel::fuzz::OpenAndListFolders(image);
    ostrel::fuzz::CheckCheapReadsAgree(image);
    return 0;
}

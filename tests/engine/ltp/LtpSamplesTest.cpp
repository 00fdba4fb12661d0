// The heap, property context and named property map readers on the real
// mailboxes: every node's context reads without fault, and the name-to-ID
// map of every intact file loads.
#include "tests/engine/ndb/FileImage.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> IntactSamples() {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(OSTREL_SAMPLES_DIR, ec)) {
        std::string name = e.path().filename().string();
        if ((e.path().extension() == ".pst" || e.path().extension() == ".ost") &&
            name.find("SMTP_Outlook") == std::string::npos &&
            name.find("AddingBulkMessages") == std::string::npos)
            out.push_back(e.path().string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

struct tcontextcount {
    int pcNodes = 0;   // nodes whose data is a heap with the PC signature
    int pcRead = 0;    // of those, read into a set
    int pcRefused = 0; // refused because a record has a type that is not decoded
};

// Whether the PC's records hold a type the reader refuses (such as
// PtypMultipleInteger16), which makes the whole context unreadable by design.
bool HoldsUndecodedType(tpstfile& file, tsubnodeentry* subnodes, const theap& heap) {
    tbthheader bth;
    thidrange records;
    if (!ReadBthHeader(&file, subnodes, heap, heap.UserRoot, bth) ||
        ResolveHnid(&file, subnodes, heap, records, bth.hidRoot) != 0)
        return false;
    for (size_t i = 0; i + 8 <= records.Length(); i += 8)
        if (!IsDecodedType(LoadU16(records.Begin + i + 2))) return true;
    return false;
}

tcontextcount ReadEveryNode(tpstfile& file) {
    tcontextcount count;
    for (const auto& node : file.nodes.owned) {
        if (!node->pDataBlock) continue;
        uint64_t bid = uint64_t(node->pDataBlock->bid);
        auto heap = LoadHeap(&file, bid);
        if (!heap || heap->Signature != kHeapSigPropContext) continue;
        ++count.pcNodes;
        std::unique_ptr<tsubnodeentry> subnodes;
        if (node->pSubBlock) subnodes = BuildSubnodeTree(&file, node->pSubBlock);
        auto sets = ReadContext(&file, subnodes.get(), nullptr, bid);
        if (sets && sets->Count > 0)
            ++count.pcRead;
        else if (!sets && HoldsUndecodedType(file, subnodes.get(), *heap))
            ++count.pcRefused;
        FreePropSets(sets);
    }
    return count;
}

TEST(LtpSamples, EveryPropertyContextReadsAndTheNameMapLoads) {
    auto paths = IntactSamples();
    if (paths.empty()) GTEST_SKIP() << "no sample mailboxes in " << OSTREL_SAMPLES_DIR;
    for (const auto& path : paths) {
        SCOPED_TRACE(path);
        tpstfile file;
        ASSERT_EQ(OpenPstFile(&file, path), 0);
        BuildIndexes(&file);
        ASSERT_EQ(LoadNamedPropertyMap(&file), 1);
        size_t names = 0;
        for (auto* e = file.pNamedProps.get(); e; e = e->pNext.get())
            ++names;
        EXPECT_GT(names, 0u);
        tcontextcount count = ReadEveryNode(file);
        EXPECT_GT(count.pcNodes, 0);
        EXPECT_EQ(count.pcRead + count.pcRefused, count.pcNodes);
        EXPECT_EQ(ClosePstFile(&file), 0);
        EXPECT_EQ(file.pNamedProps, nullptr);
    }
}

// The damaged files and the impostor: whatever loads must read without fault.
TEST(LtpSamples, DamagedFilesReadWithoutFault) {
    std::error_code ec;
    int seen = 0;
    for (const auto& e : fs::directory_iterator(OSTREL_SAMPLES_DIR, ec)) {
        std::string name = e.path().filename().string();
        if (name.find("SMTP_Outlook") == std::string::npos &&
            name.find("AddingBulkMessages") == std::string::npos &&
            name.find("truncated-in-header") == std::string::npos)
            continue;
        SCOPED_TRACE(name);
        tpstfile file;
        if (OpenPstFile(&file, e.path().string()) != 0) continue;
        ++seen;
        BuildIndexes(&file);
        LoadNamedPropertyMap(&file);
        ReadEveryNode(file);
    }
    if (ec) GTEST_SKIP() << "no sample mailboxes in " << OSTREL_SAMPLES_DIR;
    EXPECT_GT(seen, 0);
}

} // namespace

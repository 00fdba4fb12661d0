// Shared by the round-trip tests: files laid out by the test writer in both layouts and all
// three encodings, opened through the engine with their indexes and named property map, and
// the lookups those tests need into decoded property sets.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "engine/uPST64Format.h"
#include "tests/engine/ndb/FileImage.h"
#include "tools/pstwriter/PstWriter.h"

namespace rtfile {

using Bytes = std::vector<uint8_t>;
using Param = std::tuple<pstw::Layout, uint8_t>; // layout, bCryptMethod

inline std::string ParamName(const testing::TestParamInfo<Param>& info) {
    return std::string(std::get<0>(info.param) == pstw::Layout::Ansi ? "Ansi" : "Unicode") +
           "Crypt" + std::to_string(std::get<1>(info.param));
}

inline auto AllLayoutsAndEncodings() {
    return testing::Combine(testing::Values(pstw::Layout::Ansi, pstw::Layout::Unicode),
                            testing::Values(uint8_t(0), uint8_t(1), uint8_t(2)));
}

// Bytes that never begin with 01 01 or 01 02, so that no reader takes them for a data tree.
inline Bytes Pattern(size_t n, uint8_t seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(seed + i * 31 + (i >> 8));
    if (n >= 2 && b[0] == 0x01) b[0] = 0x41;
    return b;
}

inline Bytes LittleEndian(uint64_t v, size_t width) {
    Bytes b(width);
    for (size_t i = 0; i < width; ++i)
        b[i] = uint8_t(v >> (8 * i));
    return b;
}

// A written file opened as the mailbox open sequence would: header, both B-trees, and the
// name-to-ID map when the file has one.
class WrittenFileTest : public testing::TestWithParam<Param> {
protected:
    pstw::Options Options() const {
        pstw::Options o;
        o.layout = std::get<0>(GetParam());
        o.crypt = std::get<1>(GetParam());
        return o;
    }
    bool Unicode() const { return std::get<0>(GetParam()) == pstw::Layout::Unicode; }

    void Open(const Bytes& bytes) {
        const std::string path = testing::TempDir() + "/" + testimg::TestFileName();
        pstw::writeFile(path, bytes);
        ASSERT_EQ(OpenPstFile(&file, path), 0);
        std::filesystem::remove(path); // the open handle keeps the data readable
        ASSERT_EQ(BuildIndexes(&file), 1);
        LoadNamedPropertyMap(&file);
    }

    // The decoded context of a node's data, with the node's subnodes at hand.
    std::unique_ptr<tpropset> ReadNode(uint64_t nid) {
        tnodeentry* node = FindNode(&file, nid);
        if (!node || !node->pDataBlock) {
            ADD_FAILURE() << "no node 0x" << std::hex << nid;
            return nullptr;
        }
        std::unique_ptr<tsubnodeentry> subnodes;
        if (node->pSubBlock) subnodes = BuildSubnodeTree(&file, node->pSubBlock);
        return ReadContext(&file, subnodes.get(), nullptr, uint64_t(node->pDataBlock->bid));
    }

    tpstfile file;
};

// The value of a set under `tag` (and `name` for string-named values), or null.
inline const tpropvalue* FindValue(const tpropset& set, uint32_t tag,
                                   const std::string& name = {}) {
    for (int32_t i = 0; i < set.Count && size_t(i) < set.Values.size(); ++i) {
        const tpropvalue* v = set.Values[size_t(i)].get();
        if (v && v->Tag == tag && (name.empty() || (v->Name && name == v->Name))) return v;
    }
    return nullptr;
}

// The Size bytes the value claims, bounded by what Data holds.
inline Bytes ValueBytes(const tpropvalue& v) {
    return Bytes(v.Data.begin(), v.Data.begin() + std::min<size_t>(v.Size, v.Data.size()));
}

inline size_t SetCount(const tpropset* list) {
    size_t n = 0;
    for (; list; list = list->Next.get())
        ++n;
    return n;
}

} // namespace rtfile

// The name-to-ID map of node 0x61: record order and duplicates, the zero
// guid word that ends the stream, string names (also cut or missing), and
// the release of the map when the file is closed.
#include "tests/engine/ltp/LtpImage.h"

using namespace ltpimg;

namespace {

bytes NameId(uint32_t dwPropertyID, uint16_t guidWord, uint16_t wPropIdx) {
    bytes b;
    Put32(b, 0, dwPropertyID);
    Put16(b, 4, guidWord);
    Put16(b, 6, wPropIdx);
    return b;
}
bytes Numeric(uint32_t lid, uint16_t idx) {
    return NameId(lid, 3 << 1, idx);
}
bytes Named(uint32_t offset, uint16_t idx) {
    return NameId(offset, (3 << 1) | 1, idx);
}

bytes Concat(std::initializer_list<bytes> parts) {
    bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

class NamedPropertyMap : public ::testing::TestWithParam<bool> {
protected:
    LtpFile f{GetParam(), 1};

    // Node 0x61 with the given entry stream and string stream (none if empty).
    void MakeMap(const bytes& entries, const bytes& strings, bool withEntries = true) {
        PcHeap pc;
        pc.Add(0x0002, PtypBinary, pc.Value(bytes(16, 0x11)));
        if (withEntries) pc.Add(0x0003, PtypBinary, pc.Value(entries));
        if (!strings.empty()) pc.Add(0x0004, PtypBinary, pc.Value(strings));
        f.Place(0x40, pc.Build());
        f.Open();
        auto node = testimg::Node(0x61, 0);
        node->pDataBlock = FindBlock(&f.file, 0x40);
        InsertNode(&f.file, std::move(node));
    }
    std::vector<const tnamedpropentry*> Entries() const {
        std::vector<const tnamedpropentry*> out;
        for (auto* e = f.file.pNamedProps.get(); e; e = e->pNext.get())
            out.push_back(e);
        return out;
    }
    static std::string Name(const tnamedpropentry* e) {
        return e->pValue ? std::string(reinterpret_cast<const char*>(e->pValue->data())) : "<none>";
    }
    static uint32_t Lid(const tnamedpropentry* e) { return LoadU32(e->pValue->data()); }
};

TEST_P(NamedPropertyMap, SortedWithLaterDuplicatesFirstUntilAZeroGuidWord) {
    bytes strings = Concat({U32(16), Utf16(u"Keywords"), U32(1000), Utf16(u"Ab")});
    bytes entries = Concat({Numeric(0x8205, 3), Named(0, 1), Numeric(0x1111, 0), Numeric(0x2222, 3),
                            Named(500, 2), Named(20, 4), NameId(7, 0, 9), Numeric(0x3333, 9)});
    MakeMap(entries, strings);
    ASSERT_EQ(LoadNamedPropertyMap(&f.file), 1);
    auto list = Entries();
    ASSERT_EQ(list.size(), 6u); // the record with guid word 0 ends the stream
    EXPECT_EQ(list[0]->propId, 0x8000u);
    EXPECT_EQ(Lid(list[0]), 0x1111u);
    EXPECT_EQ(list[1]->kind, 2u);
    EXPECT_EQ(Name(list[1]), "Keywords");
    EXPECT_EQ(list[2]->propId, 0x8002u);
    EXPECT_EQ(list[2]->kind, 2u);
    EXPECT_FALSE(list[2]->pValue); // its offset lies outside the string stream
    EXPECT_EQ(list[3]->propId, 0x8003u);
    EXPECT_EQ(Lid(list[3]), 0x2222u); // loaded later, placed first
    EXPECT_EQ(Lid(list[4]), 0x8205u);
    EXPECT_EQ(Name(list[5]), "Ab"); // the length runs past the stream: cut at its end

    tnamedpropmatch m = ConsultNamedPropertyMap(f.file.pNamedProps.get(), 0x8003);
    EXPECT_EQ(m.tag, 0x2222u);
    m = ConsultNamedPropertyMap(f.file.pNamedProps.get(), 0x8001);
    EXPECT_EQ(m.tag, 0xFFFFFFFFu);
    EXPECT_STREQ(m.name, "Keywords");
    m = ConsultNamedPropertyMap(f.file.pNamedProps.get(), 0x8009);
    EXPECT_EQ(m.tag, 0x8009u);
    EXPECT_EQ(m.name, nullptr);

    EXPECT_EQ(ClosePstFile(&f.file), 0);
    EXPECT_EQ(f.file.pNamedProps, nullptr);
}

TEST_P(NamedPropertyMap, OneRecordGivesOneEntry) {
    MakeMap(Numeric(0x8205, 3), {});
    ASSERT_EQ(LoadNamedPropertyMap(&f.file), 1);
    auto list = Entries();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->propId, 0x8003u);
    EXPECT_EQ(list[0]->kind, 1u);
}

TEST_P(NamedPropertyMap, MissingMapOrEntryStream) {
    MakeMap({}, {}, false);
    EXPECT_EQ(LoadNamedPropertyMap(&f.file), 0);
    EXPECT_EQ(f.file.pNamedProps, nullptr);
    tpstfile empty;
    f.img.header(0, 0, 0, 0, 0);
    testimg::OpenImage(f.img, empty);
    EXPECT_EQ(LoadNamedPropertyMap(&empty), 0); // no node 0x61
    EXPECT_EQ(empty.pNamedProps, nullptr);
}

TEST(NarrowUtf16, LowBytesUntilALowZeroByte) {
    bytes keywords = Utf16(u"Keywords");
    EXPECT_EQ(NarrowUtf16(keywords.data(), uint32_t(keywords.size())),
              (bytes{'K', 'e', 'y', 'w', 'o', 'r', 'd', 's', 0}));
    bytes wide = Utf16(u"A\u0416\u0100B"); // U+0416 keeps 0x16; U+0100 ends the name
    EXPECT_EQ(NarrowUtf16(wide.data(), uint32_t(wide.size())), (bytes{'A', 0x16, 0}));
    EXPECT_EQ(NarrowUtf16(wide.data(), 3), (bytes{'A', 0})); // count / 2 units
    EXPECT_EQ(NarrowUtf16(nullptr, 0), (bytes{0}));
}

INSTANTIATE_TEST_SUITE_P(Layouts, NamedPropertyMap, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Unicode" : "Ansi"; });

} // namespace

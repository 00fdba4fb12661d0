// Property contexts: every decoded type, in both layouts and with every
// block encoding; unsupported types; dropped and unreadable values; the
// room of the string conversion; named properties.
#include "tests/engine/ltp/LtpImage.h"

#include "engine/ltp/DeferredContext.h"

#include <tuple>

using namespace ltpimg;

namespace {

class PropContext : public ::testing::TestWithParam<std::tuple<bool, int>> {
protected:
    LtpFile f{std::get<0>(GetParam()), uint8_t(std::get<1>(GetParam()))};
    std::unique_ptr<tsubnodeentry> subnodes;

    std::unique_ptr<tpropset> Read(PcHeap& pc, uint8_t cbEnt = 6, uint8_t levels = 0,
                                   size_t trailing = 0) {
        f.Place(0x40, pc.Build(cbEnt, levels, trailing));
        f.Open();
        return ReadContext(&f.file, subnodes.get(), nullptr, 0x40);
    }
};

TEST_P(PropContext, EveryTypeDecodes) {
    PcHeap pc;
    const bytes f64 = U64(0x400921FB54442D18); // pi
    const bytes guid = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const bytes mv32 = {2, 0, 0, 0, 7, 0, 0, 0, 9, 0, 0, 0};
    pc.Add(0x3001, PtypInteger16, 0x00001234);
    pc.Add(0x3002, PtypInteger32, 0xDEADBEEF);
    pc.Add(0x3003, PtypBoolean, 1);
    pc.Add(0x3004, PtypFloating64, pc.Value(f64));
    pc.Add(0x3005, PtypObject, pc.Value(U32(0x6AF)));
    pc.Add(0x3006, PtypInteger64, pc.Value(U64(0x0102030405060708)));
    pc.Add(0x3007, PtypString8, pc.Value({'a', 'b', 'c'}));
    pc.Add(0x3008, PtypString, pc.Value(Utf16(u"\u0416x")));
    pc.Add(0x3009, PtypTime, pc.Value(U64(0x01D0000000000000)));
    pc.Add(0x300A, PtypGuid, pc.Value(guid));
    pc.Add(0x300B, PtypBinary, 0x3F); // in a subnode
    pc.Add(0x300C, PtypMultipleInteger32, pc.Value(mv32));
    pc.Add(0x300D, PtypMultipleInteger64, pc.Value(U64(5)));
    pc.Add(0x300E, PtypMultipleString8, pc.Value({1, 0, 0, 0, 8, 0, 0, 0, 'h', 'i'}));
    pc.Add(0x300F, PtypMultipleString, pc.Value({1, 0, 0, 0, 8, 0, 0, 0, 'h', 0}));
    pc.Add(0x3010, PtypMultipleBinary, pc.Value({1, 0, 0, 0, 8, 0, 0, 0, 0xFF}));
    f.Place(0x44, {'b', 'i', 'n'});
    f.Place(0x48, {'e', 'm', 'b', 'e', 'd'});
    f.Place(0x40, pc.Build());
    f.Open();
    subnodes = f.Subnode(0x3F, 0x44, f.Subnode(0x6AF, 0x48));
    auto sets = ReadContext(&f.file, subnodes.get(), nullptr, 0x40);
    ASSERT_TRUE(sets);
    const tpropset& s = *sets;
    EXPECT_EQ(s.Next, nullptr);
    EXPECT_EQ(s.RowCount, 1);
    ASSERT_EQ(s.Count, 16);
    EXPECT_EQ(s.Capacity, 16);
    auto at = [&](int i) -> const tpropvalue& { return *s.Values[size_t(i)]; };
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(at(i).Tag, 0x3001u + i);
    EXPECT_EQ(at(0).Data, (bytes{0x34, 0x12, 0, 0}));
    EXPECT_EQ(at(0).Size, 4u);
    EXPECT_EQ(at(0).Type, PtypInteger16);
    EXPECT_EQ(at(1).Data, U32(0xDEADBEEF));
    EXPECT_EQ(at(2).Data, U32(1));
    // Values through an HNID carry one zero byte behind their Size bytes.
    EXPECT_EQ(at(3).Size, 8u);
    EXPECT_EQ(bytes(at(3).Data.begin(), at(3).Data.begin() + 8), f64);
    EXPECT_EQ(at(3).Data.size(), 9u);
    EXPECT_EQ(Text(at(4)), "embed"); // the embedded object's subnode data
    EXPECT_EQ(at(4).Type, PtypObject);
    EXPECT_EQ(at(5).Size, 8u);
    EXPECT_EQ(Text(at(6)), "abc");
    EXPECT_EQ(at(6).Data.back(), 0);
    // The Unicode string arrives as UTF-8 with its terminator counted.
    EXPECT_EQ(at(7).Size, 4u);
    EXPECT_EQ(at(7).Data, (bytes{0xD0, 0x96, 'x', 0}));
    EXPECT_EQ(at(7).Type, PtypString);
    EXPECT_EQ(at(8).Type, PtypTime);
    EXPECT_EQ(at(9).Size, 16u);
    EXPECT_EQ(Text(at(10)), "bin");
    EXPECT_EQ(at(11).Size, 12u);
    EXPECT_EQ(at(13).Size, 10u);
    EXPECT_EQ(at(14).Size, 10u); // multi-valued Unicode strings stay as stored
    EXPECT_EQ(at(14).Type, PtypMultipleString);
    EXPECT_EQ(at(15).Type, PtypMultipleBinary);
}

// A property of a type that is not decoded (PtypErrorCode and the like) is
// dropped; the rest of the context still reads, so the message is not lost.
TEST_P(PropContext, UnsupportedTypeIsDroppedTheRestReads) {
    for (uint16_t type : {uint16_t(0x000A), uint16_t(0x0004), uint16_t(0x0006), uint16_t(0x1002),
                          uint16_t(0x0000)}) {
        SCOPED_TRACE(type);
        LtpFile g{f.img.unicode, 0};
        PcHeap pc;
        pc.Add(0x0E07, PtypInteger32, 1);
        pc.Add(0x0E08, type, 0x80040111);
        pc.Add(0x0E09, PtypInteger32, 2);
        g.Place(0x40, pc.Build());
        g.Open();
        auto sets = ReadContext(&g.file, nullptr, nullptr, 0x40);
        ASSERT_TRUE(sets);
        ASSERT_EQ(sets->Count, 2);
        EXPECT_EQ(sets->Values[0]->Tag, 0x0E07u);
        EXPECT_EQ(sets->Values[1]->Tag, 0x0E09u);
        EXPECT_EQ(sets->Values[1]->Data, (tbuffer{2, 0, 0, 0}));
    }
}

TEST_P(PropContext, UnresolvedHidIsDroppedAndItsSlotReused) {
    PcHeap pc;
    pc.Add(0x0037, PtypString8, Hid(0, 30)); // no such allocation
    pc.Add(0x0038, PtypInteger32, 7);
    pc.Add(0x0039, PtypBinary, 0); // HNID 0
    pc.Add(0x003A, PtypString8, pc.Value({'z'}));
    auto sets = Read(pc);
    ASSERT_TRUE(sets);
    EXPECT_EQ(sets->Capacity, 4);
    ASSERT_EQ(sets->Count, 2);
    EXPECT_EQ(sets->Values[0]->Tag, 0x0038u);
    EXPECT_EQ(sets->Values[1]->Tag, 0x003Au);
    EXPECT_EQ(sets->Values[2], nullptr);
}

TEST_P(PropContext, UnreadableSubnodeKeepsTheValueWithItsNid) {
    PcHeap pc;
    pc.Add(0x1000, PtypString, 0x9F);                // subnode missing
    pc.Add(0x1013, PtypBinary, 0x7F);                // subnode missing
    pc.Add(0x3701, PtypObject, pc.Value(U32(0xAF))); // object whose subnode is missing
    auto sets = Read(pc);
    ASSERT_TRUE(sets);
    ASSERT_EQ(sets->Count, 3);
    const tpropvalue& text = *sets->Values[0];
    EXPECT_EQ(text.Type, 0x9Fu);
    EXPECT_EQ(text.Data, (bytes{0})); // converted from nothing: the terminator only
    EXPECT_EQ(text.Size, 1u);
    const tpropvalue& bin = *sets->Values[1];
    EXPECT_EQ(bin.Type, 0x7Fu);
    EXPECT_TRUE(bin.Data.empty());
    EXPECT_EQ(bin.Size, 0u);
    const tpropvalue& obj = *sets->Values[2];
    EXPECT_EQ(obj.Type, 0xAFu);
    EXPECT_TRUE(obj.Data.empty());
}

TEST_P(PropContext, RecordCountRoundsDown) {
    PcHeap pc;
    pc.Add(0x0001, PtypInteger32, 1);
    pc.Add(0x0002, PtypInteger32, 2);
    auto sets = Read(pc, 6, 0, 4); // a 20-byte record array
    ASSERT_TRUE(sets);
    EXPECT_EQ(sets->Count, 2);
    EXPECT_EQ(sets->Capacity, 2);
}

TEST_P(PropContext, BthOtherThanTwoByteKeysSixByteDataIsRefused) {
    PcHeap pc;
    pc.Add(0x0001, PtypInteger32, 1);
    EXPECT_EQ(Read(pc, 6, 1), nullptr); // index levels are not walked in a PC
}

TEST_P(PropContext, EmptyUnicodeStringBecomesTheTerminator) {
    PcHeap pc;
    pc.Add(0x0037, PtypString, pc.Value({}));
    auto sets = Read(pc);
    ASSERT_TRUE(sets);
    ASSERT_EQ(sets->Count, 1);
    EXPECT_EQ(sets->Values[0]->Data, (bytes{0}));
    EXPECT_EQ(sets->Values[0]->Size, 1u);
}

TEST_P(PropContext, LongStringsInSubnodesConvertWhole) {
    // 16383 letters need 16384 bytes with the terminator, the least room made;
    // 16384 letters need 16385: the room grows to fit.
    bytes fits = Utf16(std::u16string(16383, u'a'));
    bytes tooLong = Utf16(std::u16string(16384, u'a'));
    PcHeap pc;
    pc.Add(0x1000, PtypString, 0x3F);
    pc.Add(0x1001, PtypString, 0x5F);
    f.Place(0x44, fits);
    f.Place(0x48, tooLong);
    f.Place(0x40, pc.Build());
    f.Open();
    subnodes = f.Subnode(0x3F, 0x44, f.Subnode(0x5F, 0x48));
    auto sets = ReadContext(&f.file, subnodes.get(), nullptr, 0x40);
    ASSERT_TRUE(sets);
    ASSERT_EQ(sets->Count, 2);
    const tpropvalue& a = *sets->Values[0];
    EXPECT_EQ(a.Size, 16384u);
    EXPECT_EQ(a.Data[16382], 'a');
    EXPECT_EQ(a.Data[16383], 0);
    const tpropvalue& b = *sets->Values[1];
    EXPECT_EQ(b.Size, 16385u);
    ASSERT_EQ(b.Data.size(), 16385u);
    EXPECT_EQ(b.Data[16383], 'a');
    EXPECT_EQ(b.Data.back(), 0);
    EXPECT_EQ(b.Type, PtypString);
}

TEST_P(PropContext, NamedPropertiesArriveUnderLidOrName) {
    auto keywords = std::make_unique<tnamedpropentry>();
    keywords->kind = 2;
    keywords->propId = 0x8004;
    keywords->pValue = bytes{'K', 'e', 'y', 's', 0};
    auto lid = std::make_unique<tnamedpropentry>();
    lid->kind = 1;
    lid->propId = 0x8003;
    lid->pValue = U32(0x8205);
    lid->pNext = std::move(keywords);
    PcHeap pc;
    pc.Add(0x0037, PtypInteger32, 1);
    pc.Add(0x8003, PtypInteger32, 2);
    pc.Add(0x8004, PtypString8, pc.Value({'x'}));
    pc.Add(0x8005, PtypInteger32, 3);
    f.Place(0x40, pc.Build());
    f.Open();
    f.file.pNamedProps = AdoptNamedPropertyList(std::move(lid));
    auto sets = ReadContext(&f.file, nullptr, nullptr, 0x40);
    ASSERT_TRUE(sets);
    ASSERT_EQ(sets->Count, 4);
    EXPECT_EQ(sets->Values[0]->Tag, 0x0037u);
    EXPECT_EQ(sets->Values[1]->Tag, 0x8205u);
    EXPECT_EQ(sets->Values[1]->Name, nullptr);
    EXPECT_EQ(sets->Values[2]->Tag, 0xFFFFFFFFu);
    EXPECT_STREQ(sets->Values[2]->Name, "Keys");
    EXPECT_EQ(sets->Values[3]->Tag, 0x8005u);
}

TEST_P(PropContext, NewSetIsPrependedToTheGivenList) {
    PcHeap pc;
    pc.Add(0x0001, PtypInteger32, 1);
    f.Place(0x40, pc.Build());
    f.Open();
    auto first = ReadContext(&f.file, nullptr, nullptr, 0x40);
    tpropset* old = first.get();
    auto both = ReadContext(&f.file, nullptr, std::move(first), 0x40);
    ASSERT_TRUE(both);
    EXPECT_EQ(both->Next.get(), old);
    FreePropSets(both);
    EXPECT_EQ(both, nullptr);
}

// A deferred read given back for reuse is filled again in place. A context
// of many values, then one with fewer values of other types, a dropped one
// and an unread one, each read into the storage of the one before, give
// value by value what ReadContext gives, and so on in turn.
TEST_P(PropContext, RecycledDeferredReadsGiveWhatReadContextGives) {
    PcHeap many;
    for (uint16_t i = 0; i < 12; ++i) {
        if (i % 2)
            many.Add(uint16_t(0x6000 + i), PtypInteger32, i);
        else
            many.Add(uint16_t(0x6000 + i), PtypString8,
                     many.Value(bytes(40 + i, uint8_t('a' + i))));
    }
    PcHeap few;
    few.Add(0x0037, PtypString8, Hid(0, 30)); // no such allocation: dropped
    few.Add(0x0E07, PtypInteger32, 5);
    few.Add(0x1000, PtypString, few.Value(Utf16(u"body text")));
    few.Add(0x3007, PtypTime, few.Value(U64(0x01CAA7FE8EA21880ull)));
    f.Place(0x40, many.Build());
    f.Place(0x48, few.Build());
    f.Open();
    for (uint64_t bid : {0x40, 0x48, 0x40, 0x48, 0x48}) {
        SCOPED_TRACE(bid);
        auto want = ReadContext(&f.file, nullptr, nullptr, bid);
        auto got = ReadDeferredContext(&f.file, nullptr, bid);
        ASSERT_TRUE(want);
        ASSERT_EQ(got->status, tdeferredstatus::Ready);
        ASSERT_EQ(got->set->Count, want->Count);
        ASSERT_EQ(got->set->Values.size(), want->Values.size());
        for (size_t i = 0; i < want->Values.size(); ++i) {
            ASSERT_TRUE(DecodeDeferred(*got, i));
            const tpropvalue* a = got->set->Values[i].get();
            const tpropvalue* b = want->Values[i].get();
            ASSERT_EQ(a == nullptr, b == nullptr) << "slot " << i;
            if (!a) continue;
            EXPECT_EQ(a->Tag, b->Tag);
            EXPECT_EQ(a->Type, b->Type);
            EXPECT_EQ(a->Size, b->Size);
            EXPECT_EQ(a->Data, b->Data);
            EXPECT_EQ(a->Name, b->Name);
            EXPECT_EQ(a->ObjectNid, b->ObjectNid);
        }
        RecycleDeferredContext(std::move(got));
    }
}

INSTANTIATE_TEST_SUITE_P(LayoutsAndEncodings, PropContext,
                         ::testing::Combine(::testing::Bool(), ::testing::Values(0, 1, 2)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Unicode" : "Ansi") +
                                    "_crypt" + std::to_string(std::get<1>(info.param));
                         });

TEST(PropContextHeap, WrongClientSignatureReadsNothing) {
    LtpFile f{true};
    HeapPage page(0);
    uint32_t header = page.Add(BthHeader(2, 6, 0, 0));
    page.Header(0xB5, header); // a bare BTH heap, neither PC nor TC
    f.Place(0x40, page.Build());
    f.Open();
    EXPECT_EQ(ReadContext(&f.file, nullptr, nullptr, 0x40), nullptr);
    EXPECT_EQ(ReadContext(&f.file, nullptr, nullptr, 0x44), nullptr); // no such block
}

TEST(UnicodeConversion, FallsBackToUtf16WhenNoTerminatorAtAnEvenOffset) {
    tpropvalue v;
    v.Data = {'a', 1, 'b', 0};
    v.Size = 3; // odd: the appended zeros do not form a unit at an even offset
    ConvertUnicodeValue(v);
    EXPECT_EQ(v.Size, 3u);
    EXPECT_EQ(v.Data, (bytes{'a', 1, 'b', 0}));
}

} // namespace

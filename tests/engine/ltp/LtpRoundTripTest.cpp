// Heaps, property contexts, table contexts and the name-to-ID map as the test writer lays
// them out in real files, read back through the engine in both layouts and every encoding:
// what was written must come back byte for byte, in the right order, under the right tags.
#include <map>

#include "tests/engine/messaging/WrittenMailbox.h"
#include "tools/pstwriter/PstHeap.h"
#include "tools/pstwriter/PstNameMap.h"
#include "tools/pstwriter/PstPropContext.h"
#include "tools/pstwriter/PstTableContext.h"

namespace {

using pstw::Prop;
using rtfile::Bytes;
using rtfile::FindValue;
using rtfile::Pattern;
using rtfile::ValueBytes;

constexpr uint64_t kNid = 0x21;

bool IsInline(uint16_t type) {
    return type == pstw::kPtypInteger16 || type == pstw::kPtypInteger32 ||
           type == pstw::kPtypBoolean;
}

// What the reader delivers for a written value: inline values as their 4-byte value field,
// heap and subnode values with one zero byte after them, embedded objects as the subnode's
// data, and Unicode strings converted to UTF-8 with their terminator.
Bytes Delivered(const Prop& p, const std::string& utf8 = {}) {
    if (IsInline(p.type)) {
        Bytes field = p.bytes;
        field.resize(4, 0);
        return field;
    }
    if (p.type == pstw::kPtypObject) return p.bytes;
    Bytes b = p.type == pstw::kPtypString ? Bytes(utf8.begin(), utf8.end()) : p.bytes;
    b.push_back(0);
    return b;
}

uint32_t DeliveredSize(const Prop& p, const std::string& utf8 = {}) {
    if (IsInline(p.type)) return 4;
    if (p.type == pstw::kPtypString) return uint32_t(utf8.size() + 1);
    return uint32_t(p.bytes.size());
}

void ExpectValue(const tpropset& set, const Prop& p, const std::string& utf8 = {}) {
    const tpropvalue* v = FindValue(set, p.id);
    ASSERT_NE(v, nullptr) << std::hex << "property 0x" << p.id;
    EXPECT_EQ(v->Type, p.type) << std::hex << p.id;
    EXPECT_EQ(v->Size, DeliveredSize(p, utf8)) << std::hex << p.id;
    EXPECT_EQ(v->Data, Delivered(p, utf8)) << std::hex << p.id;
}

class LtpRoundTrip : public rtfile::WrittenFileTest {
protected:
    // One node whose data is a property context of `props`, its large values in subnodes.
    void WritePc(pstw::NdbWriter& w, const std::vector<Prop>& props, uint64_t nid = kNid) {
        pstw::SubnodeSet subs;
        const uint64_t bid = pstw::writePropertyContext(w, props, subs);
        w.addNode(nid, bid, subs.write(w));
    }
    void WriteTc(pstw::NdbWriter& w, const std::vector<pstw::Column>& columns,
                 const std::vector<pstw::TableRow>& rows, const pstw::TcOptions& o = {}) {
        pstw::SubnodeSet subs;
        const uint64_t bid = pstw::writeTableContext(w, columns, rows, subs, o);
        w.addNode(kNid, bid, subs.write(w));
    }
    void CheckLargeTable(uint32_t rowCount, size_t indexRecordsPerNode);
};

// --- heap-on-node ---------------------------------------------------------------------------

TEST_P(LtpRoundTrip, EveryHidOfAHeapOfMorePagesThanOneBitmapCoversResolves) {
    pstw::NdbWriter w(Options());
    pstw::HeapBuilder heap(pstw::kClientSigPc);
    std::vector<std::pair<uint32_t, Bytes>> stored;
    for (int i = 0; i < 420; ++i) {
        Bytes b = Pattern(i % 97 == 0 ? 0 : 2400 + size_t(i * 37) % 1180, uint8_t(i));
        stored.emplace_back(heap.allocate(b), b);
    }
    ASSERT_GT(heap.pageCount(), 140u) << "pages 8 and 136 carry an HNBITMAPHDR";
    w.addNode(kNid, heap.write(w));
    Open(w.finish());

    std::optional<theap> loaded = LoadHeap(&file, uint64_t(FindNode(&file, kNid)->pDataBlock->bid));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(size_t(loaded->PageCount), heap.pageCount());
    EXPECT_EQ(loaded->Signature, kHeapSigPropContext);
    for (const auto& [hid, bytes] : stored) {
        thidrange range;
        ASSERT_EQ(ResolveHnid(&file, nullptr, *loaded, range, hid), 0) << std::hex << hid;
        EXPECT_EQ(Bytes(range.Begin, range.End), bytes) << std::hex << hid;
        // The first allocation of a page starts right after that page's header.
        if (((hid >> 5) & 0x7FF) == 1) {
            const size_t page = hid >> 16;
            const size_t header = page == 0 ? 12 : (page - 8) % 128 == 0 && page >= 8 ? 66 : 2;
            EXPECT_EQ(size_t(range.Begin - loaded->Pages[page].Data.data()), header)
                << "page " << page;
        }
    }
    thidrange beyond;
    EXPECT_EQ(ResolveHnid(&file, nullptr, *loaded, beyond, uint32_t(heap.pageCount()) << 16 | 0x20),
              1);
}

// --- property contexts ----------------------------------------------------------------------

TEST_P(LtpRoundTrip, PropertyContextDecodesEveryTypeInlineInTheHeapAndInSubnodes) {
    const std::string wide = "wide ✓ Привет";
    const std::string fits(16383, 'a'); // 16384 bytes with the terminator: the least room
    // Long texts get the room their UTF-8 form needs: 3 bytes per unit, 4 per surrogate pair.
    std::string tooLong(16384, 'b');
    for (int i = 0; i < 20000; ++i)
        tooLong += i % 2 ? "\xE2\x9C\x93" : "\xF0\x9F\x98\x80"; // check mark, emoji
    const std::vector<Prop> props{
        Prop::i16(0x6601, -2),
        Prop::i32(0x6602, 0x12345678),
        Prop::boolean(0x6603, true),
        Prop::i64(0x6604, 0x1122334455667788ll),
        Prop::f64(0x6605, 2.5),
        Prop::time(0x6606, 132537600000000000ull),
        Prop::guid(0x6607, pstw::psetidTask()),
        Prop::str8(0x6608, "eight bit \xE9"),
        Prop::str(0x6609, wide),
        Prop::bin(0x660A, Pattern(3000, 1)),  // in the heap
        Prop::bin(0x660B, Pattern(10000, 2)), // in a subnode over two blocks
        Prop::mvI32(0x660C, {1, -2, 3}),
        Prop::mvI64(0x660D, {4, 5}),
        Prop::mvStr8(0x660E, {"a", "bc"}),
        Prop::mvStr(0x660F, {"x", "yz"}),
        Prop::mvBin(0x6610, {{1, 2}, {3}}),
        Prop::object(0x6611, Pattern(5000, 3)),
        Prop::bin(0x6612, {}),
        Prop::str(0x6613, fits),
        Prop::str(0x6614, tooLong),
        Prop::str(0x6615, ""),
    };
    pstw::NdbWriter w(Options());
    WritePc(w, props);
    Open(w.finish());

    auto set = ReadNode(kNid);
    ASSERT_TRUE(set);
    EXPECT_EQ(rtfile::SetCount(set.get()), 1u);
    EXPECT_EQ(set->RowCount, 1);
    EXPECT_EQ(size_t(set->Count), props.size());
    for (const Prop& p : props) {
        SCOPED_TRACE(testing::Message() << std::hex << "property 0x" << p.id);
        if (p.id == 0x6609) {
            ExpectValue(*set, p, wide);
        } else if (p.id == 0x6613) {
            ExpectValue(*set, p, fits);
        } else if (p.id == 0x6615) {
            ExpectValue(*set, p, "");
        } else if (p.id == 0x6614) {
            ExpectValue(*set, p, tooLong);
        } else {
            ExpectValue(*set, p);
        }
    }
}

// Values on every page of a heap of about 150 pages, two HNBITMAPHDR pages among them.
// libpff 20180714 misreads the second allocation of block 8 (the first HNBITMAPHDR page)
// although it follows [MS-PST] 2.3.1.4; the engine must not.
TEST_P(LtpRoundTrip, PropertyContextOverManyHeapPagesReadsByteForByte) {
    std::vector<Prop> props;
    for (uint16_t k = 0; k < 330; ++k)
        props.push_back(k % 10 == 9
                            ? Prop::str(uint16_t(0x6000 + k), "page value " + std::to_string(k))
                            : Prop::bin(uint16_t(0x6000 + k), Pattern(3500, uint8_t(k))));
    pstw::NdbWriter w(Options());
    pstw::SubnodeSet subs;
    const pstw::HeapBuilder heap = pstw::buildPropertyContext(w, props, subs);
    ASSERT_GE(heap.pageCount(), 140u);
    w.addNode(kNid, heap.write(w), subs.write(w));
    Open(w.finish());

    auto set = ReadNode(kNid);
    ASSERT_TRUE(set);
    ASSERT_EQ(size_t(set->Count), props.size());
    for (const Prop& p : props) {
        if (p.type == pstw::kPtypString)
            ExpectValue(*set, p, "page value " + std::to_string(p.id - 0x6000));
        else
            ExpectValue(*set, p);
    }
}

TEST_P(LtpRoundTrip, ValuesOfUndecodedTypesAreDroppedAndTheRestReads) {
    const std::vector<Prop> kept{Prop::i32(0x6705, 7), Prop::str8(0x6706, "kept")};
    std::vector<Prop> props = kept;
    props.push_back(Prop::raw(0x6701, pstw::kPtypErrorCode, rtfile::LittleEndian(0x8004010F, 4)));
    props.push_back(Prop::raw(0x6702, pstw::kPtypFloating32, rtfile::LittleEndian(0x3F800000, 4)));
    props.push_back(Prop::raw(0x6703, pstw::kPtypCurrency, rtfile::LittleEndian(12345, 8)));
    props.push_back(Prop::raw(0x6704, pstw::kPtypMultipleInteger16, {2, 0, 0, 0, 1, 0, 2, 0}));
    pstw::NdbWriter w(Options());
    WritePc(w, props);
    Open(w.finish());

    auto set = ReadNode(kNid);
    ASSERT_TRUE(set);
    EXPECT_EQ(set->Count, 2);
    EXPECT_EQ(set->Capacity, 6);
    for (const Prop& p : kept)
        ExpectValue(*set, p);
}

// --- the name-to-ID map ---------------------------------------------------------------------

TEST_P(LtpRoundTrip, NamedPropertiesArriveUnderTheirLidsOrNames) {
    pstw::NdbWriter w(Options());
    pstw::NameMap names;
    const uint16_t busy = names.idOf(pstw::PropName::numeric(pstw::psetidAppointment(), 0x8205));
    const uint16_t email = names.idOf(pstw::PropName::numeric(pstw::psetidAddress(), 0x8083));
    const uint16_t type =
        names.idOf(pstw::PropName::string(pstw::psInternetHeaders(), "content-type"));
    const uint16_t keywords =
        names.idOf(pstw::PropName::string(pstw::psPublicStrings(), "Keywords"));
    const uint16_t location =
        names.idOf(pstw::PropName::numeric(pstw::psetidAppointment(), 0x8208));
    EXPECT_EQ(busy, 0x8000);
    names.write(w);
    const uint16_t unnamed = uint16_t(location + 8);
    WritePc(w, {Prop::i32(busy, 2), Prop::str(email, "ann@example.com"),
                Prop::str8(type, "text/plain"), Prop::mvStr(keywords, {"alpha", "beta"}),
                Prop::str(location, "Room 1"), Prop::i32(unnamed, 9), Prop::i32(0x0E08, 5)});
    Open(w.finish());

    // The loaded map: one entry per name, sorted by property ID.
    size_t entries = 0;
    uint32_t last = 0;
    for (const tnamedpropentry* e = file.pNamedProps.get(); e; e = e->pNext.get(), ++entries) {
        EXPECT_GT(e->propId, last);
        last = e->propId;
    }
    EXPECT_EQ(entries, names.names().size());

    auto set = ReadNode(kNid);
    ASSERT_TRUE(set);
    ASSERT_EQ(set->Count, 7);
    const tpropvalue* v = FindValue(*set, 0x8205);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(ValueBytes(*v), rtfile::LittleEndian(2, 4));
    ASSERT_NE(v = FindValue(*set, 0x8083), nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(v->Data.data()), "ann@example.com");
    ASSERT_NE(v = FindValue(*set, 0x8208), nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(v->Data.data()), "Room 1");
    ASSERT_NE(v = FindValue(*set, kStringNamedTag, "content-type"), nullptr);
    EXPECT_EQ(ValueBytes(*v), Bytes({'t', 'e', 'x', 't', '/', 'p', 'l', 'a', 'i', 'n'}));
    ASSERT_NE(v = FindValue(*set, kStringNamedTag, "Keywords"), nullptr);
    EXPECT_EQ(v->Type, pstw::kPtypMultipleString);
    EXPECT_NE(FindValue(*set, unnamed), nullptr) << "an ID the map lacks keeps its own number";
    EXPECT_NE(FindValue(*set, 0x0E08), nullptr);
    EXPECT_EQ(FindValue(*set, busy), nullptr);

    // Without the map the same context carries the raw property IDs.
    FreeNamedPropertyMap(file.pNamedProps);
    set = ReadNode(kNid);
    ASSERT_TRUE(set);
    EXPECT_NE(FindValue(*set, busy), nullptr);
    EXPECT_NE(FindValue(*set, keywords), nullptr);
    EXPECT_EQ(FindValue(*set, kStringNamedTag), nullptr);
}

// --- table contexts -------------------------------------------------------------------------

const std::vector<pstw::Column>& EveryTypeColumns() {
    static const std::vector<pstw::Column> columns{
        {0x3001, pstw::kPtypString},        {0x3002, pstw::kPtypString8},
        {0x0FFF, pstw::kPtypBinary},        {0x6601, pstw::kPtypGuid},
        {0x6602, pstw::kPtypInteger16},     {0x6603, pstw::kPtypInteger32},
        {0x6604, pstw::kPtypBoolean},       {0x6605, pstw::kPtypInteger64},
        {0x6606, pstw::kPtypFloating64},    {0x6607, pstw::kPtypTime},
        {0x6608, pstw::kPtypMultipleString}};
    return columns;
}

std::string RowName(uint32_t r) {
    return "row " + std::to_string(r) + " ✓";
}

// Row r of the every-type table; every 7th row lacks its name (an HNID cell) and every 11th
// its 32-bit cell (a fixed cell, which still reads as the zero the row holds there).
pstw::TableRow EveryTypeRow(uint32_t r) {
    pstw::TableRow row{0x10000 + r, {}};
    if (r % 7 != 3) row.cells.push_back(Prop::str(0x3001, RowName(r)));
    row.cells.push_back(Prop::str8(0x3002, "addr" + std::to_string(r)));
    row.cells.push_back(Prop::bin(0x0FFF, Pattern(12 + r % 9, uint8_t(r))));
    row.cells.push_back(Prop::guid(0x6601, pstw::makeGuid(r, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11})));
    row.cells.push_back(Prop::i16(0x6602, int16_t(-int(r))));
    if (r % 11 != 5) row.cells.push_back(Prop::i32(0x6603, int32_t(r * 1000)));
    row.cells.push_back(Prop::boolean(0x6604, r % 2 == 1));
    row.cells.push_back(Prop::i64(0x6605, int64_t(r) << 40));
    row.cells.push_back(Prop::f64(0x6606, r + 0.25));
    row.cells.push_back(Prop::time(0x6607, 132537600000000000ull + r));
    row.cells.push_back(Prop::mvStr(0x6608, {"m" + std::to_string(r)}));
    return row;
}

void ExpectEveryTypeRow(const tpropset& set, uint32_t r) {
    SCOPED_TRACE(testing::Message() << "row " << r);
    const pstw::TableRow row = EveryTypeRow(r);
    EXPECT_EQ(size_t(set.Count), 2 + EveryTypeColumns().size() - (r % 7 == 3 ? 1 : 0));
    const tpropvalue* id = FindValue(set, pstw::kPidLtpRowId);
    ASSERT_NE(id, nullptr);
    EXPECT_EQ(ValueBytes(*id), rtfile::LittleEndian(row.rowId, 4));
    for (const Prop& p : row.cells) {
        const tpropvalue* v = FindValue(set, p.id);
        ASSERT_NE(v, nullptr) << std::hex << p.id;
        EXPECT_EQ(v->Type, p.type) << std::hex << p.id;
        if (p.type == pstw::kPtypString) {
            EXPECT_EQ(v->Data, Delivered(p, RowName(r)));
        } else if (pstw::fixedSize(p.type) == 8) {
            EXPECT_EQ(v->Data, p.bytes) << "an 8-byte cell is copied without terminator";
        } else {
            EXPECT_EQ(v->Data, Delivered(p)) << std::hex << p.id;
        }
    }
    if (r % 7 == 3) {
        EXPECT_EQ(FindValue(set, 0x3001), nullptr);
    }
    if (r % 11 == 5) {
        const tpropvalue* zero = FindValue(set, 0x6603);
        ASSERT_NE(zero, nullptr);
        EXPECT_EQ(ValueBytes(*zero), Bytes(4, 0));
    }
}

// Rows of 61 bytes, 134 to a block in either layout: several blocks of whole rows, the last
// one partly filled.
void LtpRoundTrip::CheckLargeTable(uint32_t rowCount, size_t indexRecordsPerNode) {
    std::vector<pstw::TableRow> rows;
    for (uint32_t r = 0; r < rowCount; ++r)
        rows.push_back(EveryTypeRow(r));
    pstw::NdbWriter w(Options());
    pstw::SubnodeSet subs;
    pstw::TcOptions o;
    o.maxRowIndexRecordsPerNode = indexRecordsPerNode;
    pstw::TcResult tc = pstw::buildTableContext(w, EveryTypeColumns(), rows, subs, o);
    ASSERT_GT(tc.layout.rowsPerBlock, 0u) << "the row matrix is in a subnode";
    ASSERT_GE((rowCount + tc.layout.rowsPerBlock - 1) / tc.layout.rowsPerBlock, 3u)
        << "over several blocks";
    ASSERT_GT(tc.heap.pageCount(), 2u);
    if (indexRecordsPerNode == 0) {
        EXPECT_EQ(tc.layout.rowIndexLevels, 0);
    } else {
        EXPECT_GE(tc.layout.rowIndexLevels, 2);
    }
    w.addNode(kNid, tc.heap.write(w), subs.write(w));
    Open(w.finish());

    auto list = ReadNode(kNid);
    ASSERT_TRUE(list);
    ASSERT_EQ(rtfile::SetCount(list.get()), rowCount);
    uint32_t r = rowCount;
    for (const tpropset* set = list.get(); set; set = set->Next.get()) {
        --r; // the list runs from the last row to the first
        EXPECT_EQ(set->RowCount, int32_t(rowCount));
        EXPECT_EQ(set->Capacity, int32_t(2 + EveryTypeColumns().size()));
        ExpectEveryTypeRow(*set, r);
    }
}

TEST_P(LtpRoundTrip, LargeTableSpansSeveralBlocksAndReadsEveryRowInOrder) {
    CheckLargeTable(420, 0); // the row index fits one allocation
}

TEST_P(LtpRoundTrip, LargeTableWithRowIndexLevelsCountsEveryRow) {
    CheckLargeTable(600, 8);
}

TEST_P(LtpRoundTrip, SmallTableInTheHeapKeepsItsRowsAndConvertsLongStrings) {
    const std::string fits(16383, 'a'), tooLong(16384, 'b'), cyrillic = "Привет";
    const std::vector<pstw::Column> columns{{0x3001, pstw::kPtypString},
                                            {0x6709, pstw::kPtypErrorCode},
                                            {0x3705, pstw::kPtypInteger32}};
    std::vector<pstw::TableRow> rows;
    const std::string names[] = {fits, tooLong, cyrillic};
    for (uint32_t r = 0; r < 3; ++r)
        rows.push_back({r + 1,
                        {Prop::str(0x3001, names[r]),
                         Prop::raw(0x6709, pstw::kPtypErrorCode, rtfile::LittleEndian(5, 4)),
                         Prop::i32(0x3705, int32_t(r))}});
    pstw::NdbWriter w(Options());
    WriteTc(w, columns, rows);
    Open(w.finish());

    auto list = ReadNode(kNid);
    ASSERT_TRUE(list);
    ASSERT_EQ(rtfile::SetCount(list.get()), 3u);
    const tpropset* third = list.get();
    const tpropset* second = third->Next.get();
    const tpropset* first = second->Next.get();
    for (const tpropset* set : {first, second, third}) {
        EXPECT_EQ(set->Count, 4) << "the PtypErrorCode cell is dropped";
        EXPECT_EQ(set->RowCount, 3);
        EXPECT_EQ(FindValue(*set, 0x6709), nullptr);
    }
    EXPECT_EQ(ValueBytes(*FindValue(*third, 0x3705)), rtfile::LittleEndian(2, 4));
    EXPECT_EQ(FindValue(*first, 0x3001)->Data, Delivered(rows[0].cells[0], fits));
    EXPECT_EQ(FindValue(*third, 0x3001)->Data, Delivered(rows[2].cells[0], cyrillic));
    EXPECT_EQ(FindValue(*third, 0x3001)->Size, 13u) << "six Cyrillic letters and a terminator";
    EXPECT_EQ(FindValue(*second, 0x3001)->Data, Delivered(rows[1].cells[0], tooLong));
}

TEST_P(LtpRoundTrip, TableWithoutRowsIsOneEmptySet) {
    pstw::NdbWriter w(Options());
    WriteTc(w, EveryTypeColumns(), {});
    Open(w.finish());

    auto list = ReadNode(kNid);
    ASSERT_TRUE(list) << "an empty table is readable";
    EXPECT_EQ(rtfile::SetCount(list.get()), 1u);
    EXPECT_EQ(list->Count, 0);
    EXPECT_EQ(list->RowCount, 0);
}

INSTANTIATE_TEST_SUITE_P(LayoutsAndEncodings, LtpRoundTrip, rtfile::AllLayoutsAndEncodings(),
                         rtfile::ParamName);

} // namespace

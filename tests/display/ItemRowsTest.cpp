// The item list's toolkit-free pieces: the columns of each folder kind, the
// last column's width, and the list date of stored FILETIMEs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <initializer_list>

#include "display/ItemRows.h"
#include "tests/engine/messaging/FileTimeBytes.h"

TEST(ItemRowsTest, MailAndClasslessFoldersShareTheMailColumns) {
    tcolumnset none = ColumnsForKind(kKindNone);
    tcolumnset mail = ColumnsForKind(kKindMail);
    ASSERT_EQ(none.Columns.size(), 4u);
    EXPECT_EQ(none.ListKind, kKindMail);
    EXPECT_EQ(mail.ListKind, kKindMail);
    EXPECT_EQ(none.CountPrefix, mail.CountPrefix);
    for (int32_t kind : std::initializer_list<int32_t>{kKindAppointment, kKindContact, kKindJournal,
                                                       kKindStickyNote, kKindTask})
        EXPECT_EQ(ColumnsForKind(kind).ListKind, kind);
}

TEST(ItemRowsTest, UnlistedKindsHaveNoColumns) {
    for (int32_t kind :
         std::initializer_list<int32_t>{kKindOther, kKindReport, kKindFolder, kKindPost, -1, 2}) {
        tcolumnset set = ColumnsForKind(kind);
        EXPECT_TRUE(set.Columns.empty()) << kind;
        EXPECT_EQ(set.ListKind, -1) << kind;
    }
}

TEST(ItemRowsTest, LastColumnTakesWhatTheOthersLeave) {
    std::vector<tcolumn> columns = ColumnsForKind(kKindMail).Columns;
    FitLastColumn(columns, 1000);
    EXPECT_EQ(columns.back().Width, 1000 - (152 + 152 + 302));
    FitLastColumn(columns, 100);
    EXPECT_LT(columns.back().Width, 0);
    std::vector<tcolumn> none;
    FitLastColumn(none, 100);
    EXPECT_TRUE(none.empty());
}

TEST(ItemRowsTest, ListDateIsLocalTimeWithDayName) {
    setenv("TZ", "UTC0", 1);
    tzset();
    EXPECT_EQ(FormatListDate(FileTimeBytes(0x01CAA7FE8EA21880ull)), "Sun 2010.02.07 14:05:09");
    EXPECT_EQ(FormatListDate(FileTimeBytes(0)), "Mon 1601.01.01 00:00:00");
    EXPECT_EQ(FormatListDate({}), "");
    EXPECT_EQ(FormatListDate({1, 2, 3, 4, 5, 6, 7}), "");
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    EXPECT_EQ(FormatListDate(FileTimeBytes(0x01CAA7FE8EA21880ull)), "Sun 2010.02.07 15:05:09");
    // Years past 9999 keep all their digits; the last FILETIME is in 30828.
    setenv("TZ", "UTC0", 1);
    tzset();
    EXPECT_EQ(FormatListDate(FileTimeBytes(0x7FFFFFFFFFFFFFFFull)), "Thu 30828.09.14 02:48:05");
    // 9999-12-31 23:59:59 and the second after it.
    EXPECT_EQ(FormatListDate(FileTimeBytes(2650467743990000000ull)), "Fri 9999.12.31 23:59:59");
    EXPECT_EQ(FormatListDate(FileTimeBytes(2650467744000000000ull)), "Sat 10000.01.01 00:00:00");
    setenv("TZ", "UTC", 1);
    tzset();
}

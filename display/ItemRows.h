// The item list as the main window shows it, without any toolkit: the column
// set of a folder's kind, the status texts, and the cells of one row with
// their placeholders and date format. The window's list model and the
// command line both produce their rows here.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "mailbox/uPST64File.h"

struct tcolumn {
    std::string Caption;
    int Width = 0;
};

struct tcolumnset {
    std::vector<tcolumn> Columns; // empty for a kind that is not listed
    std::string ReadingStatus;    // "Reading emails..." and the like
    int32_t ListKind = -1;        // the kind passed to CollectItems
    std::string CountPrefix;      // "mail messages: " and the like
};

tcolumnset ColumnsForKind(int32_t folderKind);

// Sets the width of the last column to what the others leave of `listWidth`
// (each other column taking its width plus 2).
void FitLastColumn(std::vector<tcolumn>& columns, int listWidth);

// The row icons: positions in the window's image list.
enum : int {
    kNoIcon = -1,
    kMailIcon = 4,
    kCalendarIcon = 5,
    kContactIcon = 6,
};

struct titemrow {
    std::vector<std::string> Cells; // first column, then the further columns
    int Icon = kNoIcon;
    tnodeentry* Node = nullptr; // null for a row that stays empty
    // Brought back by the recovery of deleted index entries: deleted mail
    // whose data is still in the file (TPst64File::IsRecovered).
    bool Recovered = false;
};

// The marker `ostrel items` and `ostrel show` print for a recovered item.
inline constexpr const char* kRecoveredMarker = "recovered";

// What selecting a folder sets up: its own kind, the columns, the item count.
struct tfolderitems {
    int32_t FolderKind = kKindNone;
    tcolumnset Set;
    int32_t Count = 0;
    std::optional<std::string> Status; // the count line; none for an unlisted kind
};

// Reads the folder's own object, then collects its items of the folder's kind.
tfolderitems CollectFolderItems(TPst64File& pst, tnodeentry* folder);

// The row at `index` of the collected items of `folder`. A row of an item of
// another folder, of an unlisted kind or that cannot be read stays empty.
titemrow BuildItemRow(TPst64File& pst, tnodeentry* folder, int32_t index);

// The rows at [first, end) of the collected items of `folder`, each as
// BuildItemRow gives it, read on every core; pst.CurrentObject is left as it
// was. Indexes past the collected items give empty rows.
std::vector<titemrow> BuildItemRows(TPst64File& pst, tnodeentry* folder, int32_t first,
                                    int32_t end);

// The fields the cells of an object's row show, whatever its kind ("record::Field"),
// but a sticky note's body.
std::span<const char* const> ItemRowFieldsOfAnyKind();

// The fields the cells of an object of `kind` show; none for a kind that
// has no row.
std::span<const char* const> ItemRowFieldsOfKind(int32_t kind);

// The cells and icon of an item's row, from its object.
titemrow ItemRowCells(const tpstmessage& m);

// "Sun 2010.02.07 14:05:09" in local time; empty for an absent time.
std::string FormatListDate(const tbytes& filetime);

// The row of `node` from its object `m`, already read, as BuildItemRow fills
// it: the search's results show the same cells as the item list.
titemrow ItemRowOf(TPst64File& pst, tnodeentry* node, const tpstmessage& m);

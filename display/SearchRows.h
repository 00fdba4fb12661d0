// The rows of the window's search results, without any toolkit: items of
// every kind in one list, so one column set that all kinds fill: the folder
// the item is in, who sent it, to whom, what it is called, and its date.
#pragma once

#include <string>
#include <vector>

#include "display/ItemRows.h"

namespace ostrel::search {

// "Folder", "From", "To", "Subject", "Date".
std::vector<tcolumn> SearchResultColumns();

// The cells of an item under SearchResultColumns; `row` is its item-list
// row (ItemRowOf), whose first cell names the non-mail kinds.
std::vector<std::string> SearchResultCells(const std::string& folderPath, const tpstmessage& item,
                                           const titemrow& row);

} // namespace ostrel::search

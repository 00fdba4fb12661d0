// Data roles that the list models give beyond Qt's own and the row delegate
// reads: a row's indent (its depth) and its index into ImageList1.
#pragma once

#include <Qt>

namespace ostrel::ui {

inline constexpr int kDepthRole = Qt::UserRole + 1;      // int: indent in icon widths
inline constexpr int kImageIndexRole = Qt::UserRole + 2; // int: ImageList1 index, -1 none
inline constexpr int kHasNodeRole = Qt::UserRole + 3;    // bool: the row refers to a node

} // namespace ostrel::ui

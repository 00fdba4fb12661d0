// ImageList1: the seven 16 x 16 icons of the lists (folder rows by depth,
// item rows by kind) and of the viewer windows, and the program's own icon.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace ostrel::ui {

inline constexpr int kImageCount = 7;
inline constexpr int kImageSize = 16;

// The icon at `index`; a null pixmap for an index outside 0 to 6.
QPixmap ImageListIcon(int index);

// The program icon at `size` pixels square, and as a window icon.
QPixmap ProgramPixmap(int size);
QIcon ProgramIcon();

} // namespace ostrel::ui

// What the program settles once, before its first window: fixed number
// formatting, the application title, the font of every window and the event
// pump of long work. The program and the window tests share it.
#pragma once

class QApplication;

namespace ostrel::ui {

inline constexpr const char* kAppTitle = "Quarrow Ostrel";
inline constexpr const char* kFontFamily = "Liberation Sans";
inline constexpr int kFontPoints = 8;

void SetUpApplication(QApplication& app);

} // namespace ostrel::ui

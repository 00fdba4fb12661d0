// The read-only fields the contact, task and journal viewers are laid out
// from: labels, edits, lists and date pickers at fixed positions, and the
// conversions of stored texts and times they are filled with.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <string>

#include "engine/uPST64Format.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QWidget;

namespace ostrel::ui::fields {

inline constexpr int kEditHeight = 21;

QString Q(const std::string& text);
// A stored time as the local date it falls on; the date value 0 when absent.
QDate LocalDate(const tbytes& filetime);

QLabel* MakeLabel(QWidget* page, const char* text, int left, int top);
QLineEdit* MakeEdit(QWidget* page, int left, int top, int width);
// A list with nothing selected; `enabled` false for lists that only show a value.
QComboBox* MakeList(QWidget* page, int left, int top, int width, const QStringList& entries,
                    bool enabled);
// A disabled picker showing "ddd dd.MM.yyyy" in English, at the date value 0.
QDateEdit* MakeDatePicker(QWidget* page, int left, int top, int width);
// Leaves the edit as it is when the object lacks the text.
void SetIfPresent(QLineEdit* edit, const ttext& value);

} // namespace ostrel::ui::fields

// The viewers' shared read-only fields (see ViewerFields.h).
#include "ui/ViewerFields.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>

#include "ui/ItemForm.h"

namespace ostrel::ui::fields {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QDate LocalDate(const tbytes& filetime) {
    return TItemForm::DateTimeOfValue(FileTimeToDateTime(filetime)).date();
}

QLabel* MakeLabel(QWidget* page, const char* text, int left, int top) {
    auto* label = new QLabel(QString::fromLatin1(text), page);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QLineEdit* MakeEdit(QWidget* page, int left, int top, int width) {
    auto* edit = new QLineEdit(page);
    edit->setReadOnly(true);
    edit->setGeometry(left, top, width, kEditHeight);
    return edit;
}

QComboBox* MakeList(QWidget* page, int left, int top, int width, const QStringList& entries,
                    bool enabled) {
    auto* box = new QComboBox(page);
    box->addItems(entries);
    box->setCurrentIndex(-1);
    box->setEnabled(enabled);
    box->setGeometry(left, top, width, kEditHeight);
    return box;
}

QDateEdit* MakeDatePicker(QWidget* page, int left, int top, int width) {
    auto* picker = new QDateEdit(page);
    picker->setLocale(QLocale::c()); // English day names whatever the desktop's language
    picker->setMinimumDate(QDate(100, 1, 1));
    picker->setDisplayFormat(QStringLiteral("ddd dd.MM.yyyy"));
    picker->setDate(TItemForm::DateTimeOfValue(0).date());
    picker->setEnabled(false);
    picker->setGeometry(left, top, width, kEditHeight);
    return picker;
}

void SetIfPresent(QLineEdit* edit, const ttext& value) {
    if (value) edit->setText(Q(TextOf(value)));
}

} // namespace ostrel::ui::fields

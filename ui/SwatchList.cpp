// The swatch lists (see SwatchList.h).
#include "ui/SwatchList.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStylePainter>

namespace {

const tswatch kWhite{"", QColor(255, 255, 255)};

const tswatch& EntryAt(const std::vector<tswatch>& entries, int row) {
    return row >= 0 && size_t(row) < entries.size() ? entries[size_t(row)] : kWhite;
}

} // namespace

void DrawSwatchEntry(QPainter& painter, const QRect& cell, const tswatch& entry,
                     const QColor& textColour) {
    painter.save();
    const int side = cell.height(); // Bottom - Top
    painter.setPen(QPen(Qt::black, 0));
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setBrush(QBrush(entry.Colour, entry.Hatched ? Qt::BDiagPattern : Qt::SolidPattern));
    // The outline covers (Left + 1, Top + 1) up to, not including, (Left + side - 1, Bottom - 1).
    painter.drawRect(QRect(cell.left() + 1, cell.top() + 1, side - 3, side - 3));
    painter.setPen(textColour);
    QRect text(cell.left() + side + 2, cell.top(), cell.width() - side - 2, cell.height());
    painter.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     QString::fromLatin1(entry.Text));
    painter.restore();
}

TSwatchDelegate::TSwatchDelegate(const std::vector<tswatch>& entries, QObject* parent)
    : QStyledItemDelegate(parent), entries_(entries) {}

void TSwatchDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    bool selected = option.state & QStyle::State_Selected;
    const QPalette& p = option.palette;
    painter->fillRect(option.rect, selected ? p.highlight() : p.base());
    DrawSwatchEntry(*painter, option.rect, EntryAt(entries_, index.row()),
                    selected ? p.highlightedText().color() : p.text().color());
}

QSize TSwatchDelegate::sizeHint(const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), kListItemHeight + 2);
}

TSwatchBox::TSwatchBox(std::vector<tswatch> entries, QWidget* parent)
    : QComboBox(parent), entries_(std::move(entries)) {
    for (const tswatch& e : entries_)
        addItem(QString::fromLatin1(e.Text));
    setItemDelegate(new TSwatchDelegate(entries_, this));
}

void TSwatchBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (currentIndex() < 0) return;
    QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    QRect cell(field.left(), field.center().y() - (TSwatchDelegate::kListItemHeight + 2) / 2,
               field.width(), TSwatchDelegate::kListItemHeight + 2);
    QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    DrawSwatchEntry(painter, cell, EntryAt(entries_, currentIndex()),
                    palette().color(group, QPalette::Text));
}

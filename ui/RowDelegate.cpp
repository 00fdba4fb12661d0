// Row drawing of ListView1 and ListView2 (see RowDelegate.h).
#include "ui/RowDelegate.h"

#include <QPainter>

#include "ui/ImageList.h"
#include "ui/ListRoles.h"

using namespace ostrel::ui;

namespace {
constexpr int kCellMargin = 2;
constexpr int kIconGap = 3;
} // namespace

TRowDelegate::TRowDelegate(bool grayRootRow, QObject* parent)
    : QStyledItemDelegate(parent), grayRootRow_(grayRootRow) {}

TRowDelegate::CellLook TRowDelegate::LookOf(const QModelIndex& index, bool selected) const {
    CellLook look;
    look.Text = kText;
    if (selected) {
        look.Back = kSelectedBack;
        look.Text = kSelectedText;
    } else if (index.row() % 2 == 1) {
        look.Back = kOddBack;
    }
    look.Bold = index.column() == 0;
    bool rootRow = index.data(kDepthRole).toInt() == 0;
    if (grayRootRow_ && rootRow && index.column() > 0) {
        look.Italic = true;
        if (!selected) look.Text = kRootText;
    }
    // A row's own colour (recovered items) where the selection does not paint.
    QVariant own = index.data(Qt::ForegroundRole);
    if (!selected && own.canConvert<QColor>()) look.Text = own.value<QColor>();
    return look;
}

int TRowDelegate::TextLeft(const QRect& cell, const QModelIndex& index, QPainter* painter) const {
    int left = cell.left() + kCellMargin;
    if (index.column() != 0) return left;
    left += index.data(kDepthRole).toInt() * kImageSize;
    QPixmap icon = index.data(Qt::DecorationRole).value<QPixmap>();
    if (painter && !icon.isNull())
        painter->drawPixmap(left, cell.top() + (cell.height() - kImageSize) / 2, icon);
    // Rows without an icon keep its place, so that the texts line up.
    return left + kImageSize + kIconGap;
}

void TRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    bool selected = option.state & QStyle::State_Selected;
    CellLook look = LookOf(index, selected);
    painter->save();
    painter->fillRect(option.rect, look.Back.isValid() ? QBrush(look.Back) : option.palette.base());
    int left = TextLeft(option.rect, index, painter);
    QFont font = option.font;
    font.setBold(look.Bold);
    font.setItalic(look.Italic);
    painter->setFont(font);
    painter->setPen(look.Text);
    QRect textRect(left, option.rect.top(), option.rect.right() - kCellMargin - left,
                   option.rect.height());
    QString text = index.data(Qt::DisplayRole).toString();
    // One line per cell: line breaks of a body are shown as spaces.
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, textRect.width());
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    painter->restore();
}

QSize TRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QFont bold = option.font;
    bold.setBold(true);
    int height = std::max(kImageSize + 2, QFontMetrics(bold).height() + 4);
    int width = QFontMetrics(bold).horizontalAdvance(index.data(Qt::DisplayRole).toString());
    return {width + 2 * kCellMargin + (index.column() == 0 ? kImageSize + kIconGap : 0), height};
}

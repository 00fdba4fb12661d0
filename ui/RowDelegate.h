// How both lists draw their rows: the first column bold, selected rows
// white on dark blue, odd rows on light gray, an indent and an icon in the
// first column; in the folder list the further columns of the root row
// (indent 0) gray and italic.
#pragma once

#include <QColor>
#include <QStyledItemDelegate>

class TRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static inline const QColor kText{74, 74, 74};
    static inline const QColor kSelectedText{255, 255, 255};
    static inline const QColor kSelectedBack{33, 70, 131};
    static inline const QColor kOddBack{244, 244, 244};
    static inline const QColor kRootText{128, 128, 128};

    // `grayRootRow`: the folder list's look of its root row.
    TRowDelegate(bool grayRootRow, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The colours and font a cell is drawn with, for drawing and for tests.
    struct CellLook {
        QColor Back; // invalid: the list's own background
        QColor Text;
        bool Bold = false;
        bool Italic = false;
    };
    CellLook LookOf(const QModelIndex& index, bool selected) const;

private:
    // Left edge of the text in the first column: indent, then the icon's place.
    int TextLeft(const QRect& cell, const QModelIndex& index, QPainter* painter) const;

    bool grayRootRow_;
};

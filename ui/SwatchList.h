// The owner-drawn lists of the appointment viewer: a combo box whose entries
// each carry a colour swatch (one of them may be hatched), drawn the same way
// in the closed box and in its popup.
#pragma once

#include <QColor>
#include <QComboBox>
#include <QStyledItemDelegate>

#include <vector>

struct tswatch {
    const char* Text;
    QColor Colour;
    bool Hatched = false; // a navy diagonal hatch over the cell instead of a solid fill
};

// Draws one entry into `cell`: a square swatch one pixel inside its left end,
// the text behind it, top aligned.
void DrawSwatchEntry(QPainter& painter, const QRect& cell, const tswatch& entry,
                     const QColor& textColour);

class TSwatchDelegate : public QStyledItemDelegate {
public:
    // The list's item height at the design font, before the 2 pixels the entries add.
    static constexpr int kListItemHeight = 13;

    TSwatchDelegate(const std::vector<tswatch>& entries, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const std::vector<tswatch>& entries_;
};

class TSwatchBox : public QComboBox {
    Q_OBJECT
public:
    TSwatchBox(std::vector<tswatch> entries, QWidget* parent);
    const std::vector<tswatch>& Entries() const { return entries_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<tswatch> entries_;
};

// The rows of ListView2, a virtual list: the model knows only the item count
// of the selected folder and produces each row when the view asks for it,
// through the display module's BuildItemRow. A small cache of produced rows
// keeps one repaint from reading an item many times; it is dropped when the
// folder changes.
#pragma once

#include <QAbstractTableModel>

#include <list>
#include <unordered_map>
#include <vector>

#include "display/ItemRows.h"

class TItemListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr size_t kCacheRows = 256;

    using QAbstractTableModel::QAbstractTableModel;

    // The items of `folder`, collected in `pst`, as `count` rows under `columns`.
    void ShowFolder(TPst64File* pst, tnodeentry* folder, std::vector<tcolumn> columns, int count);
    // No mailbox, no columns, no rows.
    void Clear();

    // The row at `row`, read from the mailbox unless cached.
    const titemrow& Row(int row) const;
    const std::vector<tcolumn>& Columns() const { return columns_; }
    // How many rows were read from the mailbox since the folder was shown.
    int RowsRead() const { return rowsRead_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void DropCache() const;

    TPst64File* pst_ = nullptr;
    tnodeentry* folder_ = nullptr;
    std::vector<tcolumn> columns_;
    int count_ = 0;

    // Most recently used rows first; `cached_` points into `order_`.
    mutable std::list<std::pair<int, titemrow>> order_;
    mutable std::unordered_map<int, std::list<std::pair<int, titemrow>>::iterator> cached_;
    mutable int rowsRead_ = 0;
};

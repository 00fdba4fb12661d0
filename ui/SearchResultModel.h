// The rows of ListView2 while it shows the results of a search: kept in
// memory as they are found (display/SearchRows gives the columns and
// cells), each with the node it opens. Rows come in batches, so that a
// search with many thousands of results does not redraw the list for each.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <string>
#include <vector>

#include "display/ItemRows.h"

class TSearchResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Drops every row.
    void Clear();
    // Adds a row to the batch waiting to be shown.
    void Add(const std::vector<std::string>& cells, const titemrow& row);
    // Shows the waiting rows.
    void Flush();

    tnodeentry* Node(int row) const;
    std::vector<tcolumn> Columns() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct tresultrow {
        QStringList Cells;
        int Icon = kNoIcon;
        tnodeentry* Node = nullptr;
        bool Recovered = false;
    };
    std::vector<tresultrow> rows_;
    std::vector<tresultrow> waiting_;
};

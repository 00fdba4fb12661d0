// The rows of ListView1: the folder rows the display module lays out, with
// the columns "name" and "path", an indent and an icon by depth.
#pragma once

#include <QAbstractTableModel>

#include <vector>

#include "display/FolderList.h"

class TFolderListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Replaces all rows at once (the batch update of the open).
    void SetRows(std::vector<tfolderrow> rows);
    void Clear() { SetRows({}); }
    // The row at `row`, or null.
    const tfolderrow* Row(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<tfolderrow> rows_;
};

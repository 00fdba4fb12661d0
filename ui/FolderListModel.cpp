// ListView1's model (see FolderListModel.h).
#include "ui/FolderListModel.h"

#include "ui/ImageList.h"
#include "ui/ListRoles.h"

using namespace ostrel::ui;

void TFolderListModel::SetRows(std::vector<tfolderrow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

const tfolderrow* TFolderListModel::Row(int row) const {
    if (row < 0 || size_t(row) >= rows_.size()) return nullptr;
    return &rows_[size_t(row)];
}

int TFolderListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int TFolderListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant TFolderListModel::data(const QModelIndex& index, int role) const {
    const tfolderrow* row = Row(index.row());
    if (!row) return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(index.column() == 0 ? row->Caption : row->Path);
    case Qt::DecorationRole:
        return index.column() == 0 ? QVariant(ImageListIcon(row->Depth)) : QVariant();
    case kImageIndexRole:
        return row->Depth < kImageCount ? row->Depth : -1;
    case kDepthRole:
        return row->Depth;
    case kHasNodeRole:
        return row->Node != nullptr;
    default:
        return {};
    }
}

QVariant TFolderListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section == 0) return QStringLiteral("name");
    if (section == 1) return QStringLiteral("path");
    return {};
}

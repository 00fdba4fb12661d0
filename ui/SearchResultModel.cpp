// The search results of ListView2 (see SearchResultModel.h).
#include "ui/SearchResultModel.h"

#include "display/SearchRows.h"
#include "ui/ImageList.h"
#include "ui/ListRoles.h"

using namespace ostrel::ui;

void TSearchResultModel::Clear() {
    beginResetModel();
    rows_.clear();
    waiting_.clear();
    endResetModel();
}

void TSearchResultModel::Add(const std::vector<std::string>& cells, const titemrow& row) {
    tresultrow r;
    for (const std::string& cell : cells)
        r.Cells << QString::fromStdString(cell);
    r.Icon = row.Icon;
    r.Node = row.Node;
    r.Recovered = row.Recovered;
    waiting_.push_back(std::move(r));
}

void TSearchResultModel::Flush() {
    if (waiting_.empty()) return;
    const int first = int(rows_.size());
    beginInsertRows({}, first, first + int(waiting_.size()) - 1);
    for (tresultrow& r : waiting_)
        rows_.push_back(std::move(r));
    waiting_.clear();
    endInsertRows();
}

tnodeentry* TSearchResultModel::Node(int row) const {
    return row >= 0 && size_t(row) < rows_.size() ? rows_[size_t(row)].Node : nullptr;
}

std::vector<tcolumn> TSearchResultModel::Columns() const {
    return ostrel::search::SearchResultColumns();
}

int TSearchResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int TSearchResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(ostrel::search::SearchResultColumns().size());
}

QVariant TSearchResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || size_t(index.row()) >= rows_.size()) return {};
    const tresultrow& r = rows_[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return index.column() < r.Cells.size() ? r.Cells[index.column()] : QString();
    case Qt::DecorationRole:
        return index.column() == 0 ? QVariant(ImageListIcon(r.Icon)) : QVariant();
    case kImageIndexRole:
        return r.Icon;
    case kDepthRole:
        return 0;
    case kHasNodeRole:
        return r.Node != nullptr;
    default:
        return {};
    }
}

QVariant TSearchResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    const std::vector<tcolumn> columns = ostrel::search::SearchResultColumns();
    if (section < 0 || size_t(section) >= columns.size()) return {};
    return QString::fromStdString(columns[size_t(section)].Caption);
}

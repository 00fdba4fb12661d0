// ListView2's virtual model (see ItemListModel.h).
#include "ui/ItemListModel.h"

#include <QColor>

#include "ui/ImageList.h"
#include "ui/ListRoles.h"

using namespace ostrel::ui;

namespace {

// Recovered rows: deleted mail, or mail whose index entry was lost, in a
// colour of their own so that live mail stands apart.
constexpr QRgb kRecoveredColor = 0xFFA03000;
constexpr const char* kRecoveredTip = "Recovered: deleted, or lost from the file's index";

} // namespace

void TItemListModel::ShowFolder(TPst64File* pst, tnodeentry* folder, std::vector<tcolumn> columns,
                                int count) {
    beginResetModel();
    DropCache();
    pst_ = pst;
    folder_ = folder;
    columns_ = std::move(columns);
    count_ = pst && folder && count > 0 ? count : 0;
    endResetModel();
}

void TItemListModel::Clear() {
    ShowFolder(nullptr, nullptr, {}, 0);
}

void TItemListModel::DropCache() const {
    order_.clear();
    cached_.clear();
    rowsRead_ = 0;
}

const titemrow& TItemListModel::Row(int row) const {
    static const titemrow kEmpty;
    if (!pst_ || !folder_ || row < 0 || row >= count_) return kEmpty;
    auto hit = cached_.find(row);
    if (hit != cached_.end()) {
        order_.splice(order_.begin(), order_, hit->second);
        return hit->second->second;
    }
    ++rowsRead_;
    order_.emplace_front(row, BuildItemRow(*pst_, folder_, row));
    cached_[row] = order_.begin();
    if (order_.size() > kCacheRows) {
        cached_.erase(order_.back().first);
        order_.pop_back();
    }
    return order_.front().second;
}

int TItemListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count_;
}

int TItemListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant TItemListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count_) return {};
    switch (role) {
    case Qt::DisplayRole: {
        const titemrow& row = Row(index.row());
        size_t column = size_t(index.column());
        return column < row.Cells.size() ? QString::fromStdString(row.Cells[column]) : QString();
    }
    case Qt::DecorationRole:
        return index.column() == 0 ? QVariant(ImageListIcon(Row(index.row()).Icon)) : QVariant();
    case kImageIndexRole:
        return Row(index.row()).Icon;
    case kDepthRole:
        return 0;
    case kHasNodeRole:
        return Row(index.row()).Node != nullptr;
    case Qt::ForegroundRole:
        return Row(index.row()).Recovered ? QVariant(QColor(kRecoveredColor)) : QVariant();
    case Qt::ToolTipRole:
        return Row(index.row()).Recovered ? QVariant(QString::fromUtf8(kRecoveredTip)) : QVariant();
    default:
        return {};
    }
}

QVariant TItemListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || size_t(section) >= columns_.size()) return {};
    return QString::fromStdString(columns_[size_t(section)].Caption);
}

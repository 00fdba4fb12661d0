// ListView2's sort and filter (see ItemSortFilter.h). The filter compares
// texts as the search does (display/SearchText.h).
#include "ui/ItemSortFilter.h"

#include "display/SearchText.h"

namespace {

// The list's dates: "Sun 2010.02.07 14:05:09". From the year on they sort
// as text in time order.
constexpr int kListDateLength = 23;
constexpr int kListDateYear = 4;

bool IsListDate(const QString& text) {
    if (text.size() != kListDateLength) return false;
    static const QString pattern = QStringLiteral("aaa 9999.99.99 99:99:99");
    for (int i = 0; i < kListDateLength; ++i) {
        const QChar p = pattern[i], c = text[i];
        if (p == u'a' ? !c.isLetter() : p == u'9' ? !c.isDigit() : c != p) return false;
    }
    return true;
}

// Folded texts in order, runs of digits by their value: "mail 9" before "mail 10".
bool NaturalLess(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            while (i < a.size() && a[i] == '0')
                ++i;
            while (j < b.size() && b[j] == '0')
                ++j;
            size_t ei = i, ej = j;
            while (ei < a.size() && digit(a[ei]))
                ++ei;
            while (ej < b.size() && digit(b[ej]))
                ++ej;
            if (ei - i != ej - j) return ei - i < ej - j;
            const int c = a.compare(i, ei - i, b, j, ej - j);
            if (c != 0) return c < 0;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j]) return uint8_t(a[i]) < uint8_t(b[j]);
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

bool IsNumber(const QString& text) {
    bool ok = false;
    text.toDouble(&ok);
    return ok;
}

} // namespace

TItemSortFilter::TItemSortFilter(QObject* parent) : QSortFilterProxyModel(parent) {
    setDynamicSortFilter(false);
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
    collator_.setNumericMode(true);
    // The C locale collates by code point: Ä after z. Folded text sorts it beside A.
    useCollator_ = collator_.locale().language() != QLocale::C;
    connect(this, &QAbstractProxyModel::sourceModelChanged, this, [this] {
        disconnect(resetWatch_);
        if (!sourceModel()) return;
        // Before the proxy maps the new rows: no filter and no sort may read them.
        resetWatch_ = connect(sourceModel(), &QAbstractItemModel::modelAboutToBeReset, this,
                              &TItemSortFilter::SourceChanged);
        SourceChanged();
    });
}

void TItemSortFilter::SourceChanged() {
    ++generation_;
    cells_.clear();
    folded_.clear();
    keys_.clear();
    keyColumn_ = -1;
    filterText_.clear();
    foldedFilter_.clear();
    // A new folder starts in the file's order, without a filter.
    QSortFilterProxyModel::sort(-1);
}

void TItemSortFilter::KeepRow(int row) const {
    QStringList cells;
    std::string folded;
    const int columns = sourceModel()->columnCount();
    for (int c = 0; c < columns; ++c) {
        const QString text = sourceModel()->index(row, c).data(Qt::DisplayRole).toString();
        cells << text;
        // A line break between cells: a filter text never spans two columns.
        if (c) folded += '\n';
        ostrel::search::AppendFolded(text.toStdString(), folded);
    }
    cells_.push_back(std::move(cells));
    folded_.push_back(std::move(folded));
}

bool TItemSortFilter::ReadAllRows() {
    if (reading_ || !sourceModel()) return false;
    reading_ = true;
    const int generation = generation_;
    const int total = sourceModel()->rowCount();
    while (int(cells_.size()) < total) {
        KeepRow(int(cells_.size()));
        if (cells_.size() % kRowsPerPump == 0 && OnReading) {
            OnReading(int(cells_.size()), total);
            if (generation != generation_ || !sourceModel()) break;
        }
    }
    reading_ = false;
    if (OnReading) OnReading(total, total);
    return generation == generation_;
}

void TItemSortFilter::SetFilterText(const QString& text) {
    filterText_ = text;
    foldedFilter_ = ostrel::search::FoldText(text.toStdString());
    const int generation = generation_;
    if (!foldedFilter_.empty() && !ReadAllRows()) return;
    // The read pumps events: a newer text or a new folder may have come meanwhile.
    if (generation != generation_ || filterText_ != text) return;
    invalidateFilter();
}

bool TItemSortFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    if (foldedFilter_.empty()) return true;
    while (int(folded_.size()) <= sourceRow)
        KeepRow(int(folded_.size()));
    return folded_[size_t(sourceRow)].find(foldedFilter_) != std::string::npos;
}

void TItemSortFilter::sort(int column, Qt::SortOrder order) {
    const int generation = generation_;
    if (column >= 0 && !ReadAllRows()) return;
    if (generation != generation_) return;
    keyColumn_ = -1;
    if (column >= 0) MakeKeys(column);
    QSortFilterProxyModel::sort(column, order);
}

void TItemSortFilter::MakeKeys(int column) const {
    keys_.clear();
    keyColumn_ = column;
    bool dates = true, numbers = true, any = false;
    for (const QStringList& row : cells_) {
        const QString& text = column < row.size() ? row[column] : QString();
        if (text.isEmpty()) continue;
        any = true;
        dates = dates && IsListDate(text);
        numbers = numbers && IsNumber(text);
    }
    keyKind_ = !any      ? TColumnKind::Text
               : dates   ? TColumnKind::Date
               : numbers ? TColumnKind::Number
                         : TColumnKind::Text;
    keys_.reserve(cells_.size());
    for (size_t row = 0; row < cells_.size(); ++row)
        KeyOf(int(row));
}

const TItemSortFilter::tkey& TItemSortFilter::KeyOf(int row) const {
    while (int(keys_.size()) <= row) {
        const int r = int(keys_.size());
        while (int(cells_.size()) <= r)
            KeepRow(int(cells_.size()));
        const QStringList& cells = cells_[size_t(r)];
        const QString text = keyColumn_ < cells.size() ? cells[keyColumn_] : QString();
        tkey key;
        switch (keyKind_) {
        case TColumnKind::Date:
            key.Date = text.mid(kListDateYear);
            break;
        case TColumnKind::Number:
            key.Number = text.toDouble();
            break;
        case TColumnKind::Text:
            if (useCollator_)
                key.Text = collator_.sortKey(text);
            else
                key.Folded = ostrel::search::FoldText(text.toStdString());
            break;
        }
        keys_.push_back(std::move(key));
    }
    return keys_[size_t(row)];
}

bool TItemSortFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    if (keyColumn_ != left.column()) return QSortFilterProxyModel::lessThan(left, right);
    const tkey& a = KeyOf(left.row());
    const tkey& b = KeyOf(right.row());
    switch (keyKind_) {
    case TColumnKind::Date:
        return a.Date < b.Date;
    case TColumnKind::Number:
        return a.Number < b.Number;
    case TColumnKind::Text:
        break;
    }
    return useCollator_ ? a.Text->compare(*b.Text) < 0 : NaturalLess(a.Folded, b.Folded);
}

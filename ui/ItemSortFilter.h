// The sort and the filter of ListView2, a proxy over whichever model the
// list shows (a folder's virtual rows or the search results). A folder's
// rows are read from the file only when asked for, so sorting and filtering
// first read every row's texts once (pumping events, so the window stays
// responsive on folders of many thousands of items) and then work on the
// texts kept here: a keystroke in the filter box compares folded texts in
// memory, and a sort compares keys made once per row. Dates sort as dates,
// numbers as numbers, other text by the locale's collation (folded, as the
// filter compares it, where the locale is C and collates by code point).
#pragma once

#include <QCollator>
#include <QCollatorSortKey>
#include <QSortFilterProxyModel>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class TItemSortFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    // Rows read between two calls of the reading hook.
    static constexpr int kRowsPerPump = 256;

    explicit TItemSortFilter(QObject* parent = nullptr);

    // Called while rows are read: rows read so far and in all. The hook may
    // run the event loop; a reset of the source during it ends the read.
    std::function<void(int done, int total)> OnReading;

    // Keeps the rows whose visible columns hold `text` (any case, Latin
    // accents ignored); an empty text keeps every row.
    void SetFilterText(const QString& text);
    QString FilterText() const { return filterText_; }

    // Reads the texts of the rows not read yet; false when the read was cut
    // short (the source changed) or another read is under way.
    bool ReadAllRows();
    // Rows whose texts are kept.
    int RowsKept() const { return int(cells_.size()); }

    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    enum class TColumnKind { Text, Number, Date };
    struct tkey {
        double Number = 0;
        QString Date;
        std::optional<QCollatorSortKey> Text;
        std::string Folded; // without a locale to collate by
    };

    void SourceChanged();
    void KeepRow(int row) const;
    void MakeKeys(int column) const;
    const tkey& KeyOf(int row) const;

    QMetaObject::Connection resetWatch_;
    QString filterText_;
    std::string foldedFilter_;
    bool reading_ = false;
    int generation_ = 0; // rises with every reset of the source
    QCollator collator_;
    bool useCollator_ = true;

    mutable std::vector<QStringList> cells_;  // the displayed texts of each source row
    mutable std::vector<std::string> folded_; // the same, folded, one text per row
    mutable int keyColumn_ = -1;
    mutable TColumnKind keyKind_ = TColumnKind::Text;
    mutable std::vector<tkey> keys_;
};

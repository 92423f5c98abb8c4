#pragma once
// A view model over rows of an immutable weapon table: row numbers in, GBK decoded only when a
// cell is drawn. Setting new rows is one model reset.

#include <QAbstractTableModel>

#include "browse/search.h"

namespace qm318 {

class WeaponTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(FilteredRows rows);
    const FilteredRows& rows() const { return rows_; }
    // The row of the underlying table shown at view row `viewRow`, or -1.
    std::ptrdiff_t tableRow(int viewRow) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    FilteredRows rows_;
};

}  // namespace qm318

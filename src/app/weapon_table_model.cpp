#include "app/weapon_table_model.h"

#include "app/gbk_qstring.h"
#include "model/weapon_columns.h"

namespace qm318 {

void WeaponTableModel::setRows(FilteredRows rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

std::ptrdiff_t WeaponTableModel::tableRow(int viewRow) const {
    if (viewRow < 0 || std::size_t(viewRow) >= rows_.rows.size()) return -1;
    return rows_.rows[std::size_t(viewRow)];
}

int WeaponTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.rows.size());
}

int WeaponTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(kColumnCount);
}

QVariant WeaponTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !rows_.table) return {};
    const std::size_t column = std::size_t(index.column());
    if (role == Qt::DisplayRole) {
        return fromGbk(rows_.table->cell(std::size_t(tableRow(index.row())), column));
    }
    if (role == Qt::TextAlignmentRole) {
        const bool centred = kWeaponColumns[column].alignment == Alignment::Centre;
        return QVariant::fromValue(
            Qt::Alignment(centred ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter)));
    }
    return {};
}

QVariant WeaponTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= int(kColumnCount)) return {};
    const WeaponColumn& column = kWeaponColumns[std::size_t(section)];
    if (role == Qt::DisplayRole) {
        return QString::fromUtf8(column.titleUtf8.data(), qsizetype(column.titleUtf8.size()));
    }
    if (role == Qt::TextAlignmentRole) {
        const bool centred = column.alignment == Alignment::Centre;
        return QVariant::fromValue(
            Qt::Alignment(centred ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter)));
    }
    return {};
}

}  // namespace qm318

#include "model/weapon_table.h"

namespace qm318 {

WeaponTable::WeaponTable(TextBuffer text, std::vector<RowCells> cells, std::vector<TextRef> records)
    : text_(std::move(text)), cells_(std::move(cells)), records_(std::move(records)) {
    records_.resize(cells_.size());
    for (std::size_t i = 0; i < kSearchedColumns.size(); ++i)
        packed_[i] = PackedColumn(text_.view(), cells_, kSearchedColumns[i]);
}

PackedColumn::PackedColumn(std::string_view text, const std::vector<RowCells>& cells,
                           std::size_t column) {
    std::size_t total = 0;
    for (const RowCells& row : cells)
        total += row[column].length;
    bytes_.reserve(total);
    ends_.reserve(cells.size());
    for (const RowCells& row : cells) {
        bytes_.append(text.substr(row[column].offset, row[column].length));
        ends_.push_back(std::uint32_t(bytes_.size()));
    }
}

const PackedColumn* WeaponTable::packedColumn(std::size_t column) const {
    for (std::size_t i = 0; i < kSearchedColumns.size(); ++i) {
        if (kSearchedColumns[i] == column) return &packed_[i];
    }
    return nullptr;
}

std::string_view WeaponTable::cell(std::size_t row, std::size_t column) const {
    if (row >= cells_.size() || column >= kColumnCount) return {};
    return slice(cells_[row][column]);
}

std::string_view WeaponTable::recordText(std::size_t row) const {
    if (row >= records_.size()) return {};
    return slice(records_[row]);
}

}  // namespace qm318

#include "model/weapon_table.h"

namespace qm318 {

WeaponTable::WeaponTable(TextBuffer text, std::vector<RowCells> cells, std::vector<TextRef> records)
    : text_(std::move(text)), cells_(std::move(cells)), records_(std::move(records)) {
    records_.resize(cells_.size());
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

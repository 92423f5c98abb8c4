#include "browse/search.h"

#include <numeric>

#include "text/gbk_text.h"

namespace qm318 {

SearchType searchTypeFromText(std::string_view textUtf8) {
    if (textUtf8 == "索引") return SearchType::Index;
    if (textUtf8 == "类型") return SearchType::Class;
    if (textUtf8 == "PV-模型路径") return SearchType::PvModel;
    return SearchType::Name;
}

std::size_t searchColumnOf(SearchType type) {
    switch (type) {
        case SearchType::Name: return kColumnName;
        case SearchType::Index: return kColumnIndex;
        case SearchType::Class: return kColumnClass;
        case SearchType::PvModel: return kColumnPvModel;
    }
    return kColumnName;
}

FilteredRows filterRows(const WeaponTablePtr& table, SearchType type, std::string_view query) {
    FilteredRows result{table, {}};
    if (!table) return result;
    const std::size_t column = searchColumnOf(type);
    const PackedColumn* packed = table->packedColumn(column);
    for (std::size_t row = 0; row < table->rowCount(); ++row) {
        const std::string_view cell = packed ? packed->cell(row) : table->cell(row, column);
        if (contains(cell, query, true)) result.rows.push_back(std::uint32_t(row));
    }
    return result;
}

void runSearch(BrowseState& state, SearchType type, std::string_view query) {
    if (query.empty()) {
        state.filteredVisible = false;
        return;
    }
    state.filtered = filterRows(state.full, type, query);
    state.filteredVisible = true;
}

FilteredRows activeRows(const BrowseState& state) {
    if (state.filteredVisible) return state.filtered;
    FilteredRows all{state.full, {}};
    if (state.full) {
        all.rows.resize(state.full->rowCount());
        std::iota(all.rows.begin(), all.rows.end(), 0u);
    }
    return all;
}

}  // namespace qm318

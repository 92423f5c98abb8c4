#pragma once
// The column search and the rule that tells which of the two tables is active.

#include <cstdint>
#include <string_view>
#include <vector>

#include "model/weapon_table.h"

namespace qm318 {

enum class SearchType { Name, Index, Class, PvModel };

// The search type chosen by the search-type box's text (UTF-8); any other text searches names.
SearchType searchTypeFromText(std::string_view textUtf8);
std::size_t searchColumnOf(SearchType type);

// Rows of a table as row numbers into the table they were taken from, which they keep alive.
struct FilteredRows {
    WeaponTablePtr table;
    std::vector<std::uint32_t> rows;
};

// Every row whose search column contains the query (GBK), ASCII letters compared without regard
// to case, in table order.
FilteredRows filterRows(const WeaponTablePtr& table, SearchType type, std::string_view query);

// What the window shows: the full table, or the filtered rows of the last non-empty search.
struct BrowseState {
    WeaponTablePtr full;
    FilteredRows filtered;
    bool filteredVisible = false;
};

// An empty query shows the full table and leaves the filtered rows as they are; any other query
// rebuilds the filtered rows from the current full table and shows them.
void runSearch(BrowseState& state, SearchType type, std::string_view query);

// The rows of the active table: the filtered rows when they are shown, else every row of the full
// table.
FilteredRows activeRows(const BrowseState& state);

}  // namespace qm318

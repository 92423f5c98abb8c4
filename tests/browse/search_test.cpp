#include "browse/search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loader/weapon_table_loader.h"
#include "sample_data.h"

namespace qm318 {
namespace {

std::string record(const std::string& index, const std::string& name, const std::string& type) {
    return "(Weapon\r\n (WeaponIndex " + index + " )\r\n (WeaponName \"" + name +
           "\" )\r\n (WeaponClass " + type + " )\r\n (PViewModelFileName \"Models\\PV-" + name +
           ".ltb\" )\r\n";
}

std::string sampleTableText() {
    return record("1", "AK47", "3") + record("10", "ak-gold", "4") + record("21", "M4A1", "3") +
           record("100", "Ak \xbb\xc6\xbd\xf0", "13") +
           // 黄金; "\xb0\x61" is one character whose second byte is "a"
           record("5", "\xb0\x61k", "2");
}

// Rows: 0 header piece, 1..5 weapons, 6 sentinel (index 9999, name "BY：青石匠").
WeaponTablePtr sampleTable() {
    return buildWeaponTable(sampleTableText());
}

std::vector<std::uint32_t> rowsOf(const WeaponTablePtr& table, SearchType type,
                                  const std::string& query) {
    return filterRows(table, type, query).rows;
}

TEST(Search, FindsRowsWhoseSearchColumnContainsTheQuery) {
    const WeaponTablePtr table = sampleTable();
    struct Case {
        SearchType type;
        std::string query;
        std::vector<std::uint32_t> rows;
    };
    const std::vector<Case> cases = {
        {SearchType::Name, "ak", {1, 2, 4}},  // ASCII case ignored, never inside a character
        {SearchType::Name, "\xbb\xc6\xbd\xf0", {4}},
        {SearchType::Name, "\xc6\xbd", {}},  // the bytes across two characters are no match
        {SearchType::Index, "1", {1, 2, 3, 4}},
        {SearchType::Index, "9999", {6}},
        {SearchType::Class, "3", {1, 3, 4}},
        {SearchType::PvModel, "pv-m4", {3}},
        {SearchType::Name, "BY", {6}},
        {SearchType::Name, "zzz", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rowsOf(table, c.type, c.query), c.rows) << int(c.type) << " " << c.query;
    }
}

TEST(Search, SearchTypeTextChoosesTheColumn) {
    EXPECT_EQ(searchColumnOf(searchTypeFromText("武器名称")), 0u);
    EXPECT_EQ(searchColumnOf(searchTypeFromText("索引")), 1u);
    EXPECT_EQ(searchColumnOf(searchTypeFromText("类型")), 2u);
    EXPECT_EQ(searchColumnOf(searchTypeFromText("PV-模型路径")), 12u);
    EXPECT_EQ(searchColumnOf(searchTypeFromText("pv-模型路径")), 0u);
    EXPECT_EQ(searchColumnOf(searchTypeFromText("")), 0u);
}

TEST(Search, ActiveTableFollowsTheQuery) {
    BrowseState state;
    runSearch(state, SearchType::Name, "ak");
    EXPECT_TRUE(state.filteredVisible) << "a search before any load shows the empty filtered table";
    EXPECT_TRUE(activeRows(state).rows.empty());

    state.full = sampleTable();
    EXPECT_EQ(activeRows(state).rows.size(), 0u);
    runSearch(state, SearchType::Name, "ak");
    EXPECT_EQ(activeRows(state).rows, (std::vector<std::uint32_t>{1, 2, 4}));

    runSearch(state, SearchType::Name, "");
    EXPECT_FALSE(state.filteredVisible);
    EXPECT_EQ(activeRows(state).rows.size(), 7u);
    EXPECT_EQ(state.filtered.rows, (std::vector<std::uint32_t>{1, 2, 4})) << "kept while hidden";

    runSearch(state, SearchType::Name, "ak");
    const WeaponTablePtr before = state.full;
    state.full = buildWeaponTable(record("1", "other", "1"));  // a new load
    const FilteredRows shown = activeRows(state);
    EXPECT_EQ(shown.table, before) << "the filtered rows keep the table they came from";
    EXPECT_EQ(shown.table->cell(shown.rows[0], kColumnName), "AK47");

    runSearch(state, SearchType::Index, "1");
    EXPECT_EQ(activeRows(state).rows, (std::vector<std::uint32_t>{1}));
}

// Searches read the packed copies of the searched columns; they must hold the table's own cells,
// empty ones and the rows around the weapons included.
TEST(Search, PackedColumnsHoldTheTablesCells) {
    SampleOptions options;
    options.records = 300;
    const WeaponTablePtr table = buildWeaponTable(generateSampleLta(options) + "x\r\n" +
                                                  record("7", "", "") + sampleTableText());
    for (const std::size_t column : kSearchedColumns) {
        const PackedColumn* packed = table->packedColumn(column);
        ASSERT_NE(packed, nullptr);
        for (std::size_t row = 0; row < table->rowCount(); ++row)
            ASSERT_EQ(packed->cell(row), table->cell(row, column)) << row << " " << column;
    }
    EXPECT_EQ(table->packedColumn(kColumnCount - 1), nullptr);
}

}  // namespace
}  // namespace qm318

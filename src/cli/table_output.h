#pragma once
// Writing table rows as UTF-8 JSON lines, TSV or CSV.

#include <cstdint>
#include <ostream>
#include <span>
#include <string_view>

#include "model/weapon_table.h"

namespace qm318::cli {

enum class RowFormat { JsonLines, Tsv, Csv };

// JSON lines: one array of the 32 cells per row. TSV and CSV begin with a line of column titles;
// TSV writes TAB, CR, LF and backslash inside a cell as \t, \r, \n and \\, CSV quotes as RFC 4180.
void writeRows(std::ostream& out, const WeaponTable& table, std::span<const std::uint32_t> rows,
               RowFormat format);

}  // namespace qm318::cli

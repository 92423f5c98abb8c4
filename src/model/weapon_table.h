#pragma once
// The loaded weapon table: the table text and, per row, its 32 cells and its record, all as
// stretches of that one text. It never changes after it is built; a new load builds a new one, and
// everyone who reads a table holds a shared pointer to the one they started with.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/weapon_columns.h"
#include "platform/text_buffer.h"
#include "text/gbk_text.h"

namespace qm318 {

struct TextRef {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};
using RowCells = std::array<TextRef, kColumnCount>;

// The columns a search scans, each also kept with its cells packed one after another, so that a
// scan over every row reads one small stretch of memory instead of one row of offsets and one
// place in the text per row.
inline constexpr std::array<std::size_t, 4> kSearchedColumns = {kColumnName, kColumnIndex,
                                                                kColumnClass, kColumnPvModel};

class PackedColumn {
public:
    PackedColumn() = default;
    PackedColumn(std::string_view text, const std::vector<RowCells>& cells, std::size_t column);
    std::string_view cell(std::size_t row) const {
        const std::uint32_t begin = row == 0 ? 0 : ends_[row - 1];
        return std::string_view(bytes_).substr(begin, ends_[row] - begin);
    }

private:
    std::string bytes_;
    std::vector<std::uint32_t> ends_;  // where each row's cell ends in bytes_
};

class WeaponTable {
public:
    WeaponTable(TextBuffer text, std::vector<RowCells> cells, std::vector<TextRef> records);

    std::size_t rowCount() const { return cells_.size(); }
    std::string_view text() const { return text_.view(); }
    // The empty text for a row or column that does not exist (such as row -1).
    std::string_view cell(std::size_t row, std::size_t column) const;
    // The row's own record, from its "(Weapon\r\n" up to the next one; empty for the first row
    // (the text before the first record) and the last row (the sentinel record).
    std::string_view recordText(std::size_t row) const;
    // The column packed, for a column of kSearchedColumns; null for the others.
    const PackedColumn* packedColumn(std::size_t column) const;

private:
    std::string_view slice(TextRef ref) const {
        return text_.view().substr(ref.offset, ref.length);
    }

    TextBuffer text_;
    std::vector<RowCells> cells_;
    std::vector<TextRef> records_;
    std::array<PackedColumn, kSearchedColumns.size()> packed_;
};

using WeaponTablePtr = std::shared_ptr<const WeaponTable>;

}  // namespace qm318

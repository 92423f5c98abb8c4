// The whole load of a data file from arbitrary bytes. Every cell and record must lie inside the
// table text, the table must hold the first piece and the sentinel row, and for the first weapon
// blocks the one-pass cell extraction must cut the same cells as the regular-expression reading of
// the same rules.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "loader/row_extraction.h"
#include "loader/weapon_table_loader.h"
#include "model/weapon_columns.h"
#include "platform/text_buffer.h"

namespace {

using qm318::fuzz::literal;

// Blocks compared with the reference per input: the reference runs 32 regular expressions over a
// block, so comparing them all would let one input with many blocks slow the run down.
constexpr std::size_t kBlocksCompared = 50;

bool inside(std::string_view whole, std::string_view part) {
    return part.empty() || (part.data() >= whole.data() &&
                            part.data() + part.size() <= whole.data() + whole.size());
}

std::string rowColumn(std::size_t row, std::size_t column) {
    return "row " + std::to_string(row) + " column " + std::to_string(column) + " (" +
           std::string(qm318::kWeaponColumns[column].key) + ")";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const qm318::WeaponTablePtr table = qm318::buildWeaponTable(bytes);
    FUZZ_CHECK(table != nullptr, "no table");
    const std::string_view text = table->text();
    const std::size_t rows = table->rowCount();
    FUZZ_CHECK(rows >= 2, "rows: " + std::to_string(rows));

    for (std::size_t row = 0; row < rows; ++row) {
        for (std::size_t column = 0; column < qm318::kColumnCount; ++column) {
            FUZZ_CHECK(inside(text, table->cell(row, column)), rowColumn(row, column));
        }
        const std::string_view record = table->recordText(row);
        FUZZ_CHECK(inside(text, record), "record of row " + std::to_string(row));
        // A weapon's record runs from its own head up to the next head.
        if (row == 0 || row + 1 == rows) {
            FUZZ_CHECK(record.empty(),
                       "record of row " + std::to_string(row) + ": " + literal(record));
        } else {
            const std::size_t end = std::size_t(record.data() - text.data()) + record.size();
            FUZZ_CHECK(record.starts_with(qm318::kRecordHead) &&
                           text.substr(end).starts_with(qm318::kRecordHead),
                       "record of row " + std::to_string(row) + ": " + literal(record));
        }
    }
    // The last row is the sentinel record's.
    FUZZ_CHECK(
        table->cell(rows - 1, qm318::kColumnIndex) == "9999" &&
            table->cell(rows - 1, qm318::kColumnName) == "BY\xa3\xba\xc7\xe0\xca\xaf\xbd\xb3",
        "last row: " + literal(table->cell(rows - 1, qm318::kColumnIndex)) + " " +
            literal(table->cell(rows - 1, qm318::kColumnName)));

    const qm318::TextBuffer preparedBuffer = qm318::prepareTableText(qm318::TextBuffer(bytes));
    const std::string_view prepared = preparedBuffer.view();
    FUZZ_CHECK(prepared == text, "table text differs from the prepared text");
    const std::vector<qm318::TextSpan> blocks = qm318::splitWeaponBlocks(prepared);
    FUZZ_CHECK(blocks.size() == rows,
               "blocks " + std::to_string(blocks.size()) + ", rows " + std::to_string(rows));

    static qm318::MatcherRowExtractor reference;
    for (std::size_t row = 0; row < blocks.size() && row < kBlocksCompared; ++row) {
        const std::string_view block = prepared.substr(blocks[row].offset, blocks[row].length);
        const qm318::CellSpans fast = qm318::extractCells(block);
        const std::array<std::string, qm318::kColumnCount> expected = reference.extract(block);
        for (std::size_t column = 0; column < qm318::kColumnCount; ++column) {
            FUZZ_CHECK(fast[column].offset + fast[column].length <= block.size(),
                       rowColumn(row, column) + ": span past the block");
            const std::string_view cell = block.substr(fast[column].offset, fast[column].length);
            FUZZ_CHECK(cell == expected[column],
                       rowColumn(row, column) + "\none pass:           " + literal(cell) +
                           "\nregular expression: " + literal(expected[column]) +
                           "\nblock: " + literal(block));
            FUZZ_CHECK(table->cell(row, column) == cell, rowColumn(row, column) + ": table " +
                                                             literal(table->cell(row, column)) +
                                                             ", one pass " + literal(cell));
        }
    }
    return 0;
}

#include "loader/weapon_table_loader.h"

#include "loader/line_endings.h"
#include "loader/row_extraction.h"
#include "platform/file_read.h"

namespace qm318 {

std::string prepareTableText(std::string fileBytes) {
    std::string text = unixToDos(std::move(fileBytes));
    text.resize(std::min(text.find('\0'), text.size()));
    text += kSentinelRecord;
    const std::size_t heads = countOccurrences(text, kRecordHeadWithBlank, false);
    if (heads > 0)
        text = replace(text, kRecordHeadWithBlank, kRecordHead, 1, TextPos(heads), false);
    return text;
}

std::vector<TextSpan> splitWeaponBlocks(std::string_view tableText) {
    return splitSpans(tableText, kRecordHead);
}

WeaponTablePtr buildWeaponTable(std::string fileBytes, const LoadProgress& progress) {
    std::string text = prepareTableText(std::move(fileBytes));
    const std::vector<TextSpan> blocks = splitWeaponBlocks(text);
    const std::string_view view = text;

    std::vector<RowCells> cells(blocks.size());
    std::vector<TextRef> records(blocks.size());
    for (std::size_t row = 0; row < blocks.size(); ++row) {
        const TextSpan block = blocks[row];
        const CellSpans spans = extractCells(view.substr(block.offset, block.length));
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            if (spans[c].length == 0) continue;
            cells[row][c] = {std::uint32_t(block.offset + spans[c].offset),
                             std::uint32_t(spans[c].length)};
        }
        // Every row but the first and the last starts right after its own record head and ends
        // where the next head begins.
        if (row > 0 && row + 1 < blocks.size()) {
            records[row] = {std::uint32_t(block.offset - kRecordHead.size()),
                            std::uint32_t(block.length + kRecordHead.size())};
        }
        if (progress) progress(row + 1, blocks.size());
    }
    return std::make_shared<const WeaponTable>(std::move(text), std::move(cells),
                                               std::move(records));
}

LoadResult loadWeaponTableFile(const std::filesystem::path& path, const LoadProgress& progress) {
    LoadResult result;
    std::error_code error;
    std::optional<std::string> bytes = readWholeFile(path, error, kMaxDataFileBytes);
    if (!bytes) {
        result.error = error == std::errc::no_such_file_or_directory ? LoadError::NotFound
                       : error == std::errc::file_too_large          ? LoadError::TooLarge
                                                                     : LoadError::NotReadable;
        result.cause = error;
        return result;
    }
    result.table = buildWeaponTable(std::move(*bytes), progress);
    return result;
}

}  // namespace qm318

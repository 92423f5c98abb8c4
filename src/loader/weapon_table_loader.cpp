#include "loader/weapon_table_loader.h"

#include <atomic>
#include <thread>

#include "loader/line_endings.h"
#include "loader/row_extraction.h"
#include "platform/file_read.h"

namespace qm318 {

std::string prepareTableText(std::string fileBytes) {
    std::string text = unixToDos(std::move(fileBytes), kSentinelRecord.size());
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

namespace {

// Rows below this count are cut on the calling thread alone, with progress after every row.
constexpr std::size_t kRowsWorthASecondThread = 2048;
constexpr std::size_t kProgressEvery = 256;

void cutRow(std::string_view text, const std::vector<TextSpan>& blocks, std::size_t row,
            std::vector<RowCells>& cells, std::vector<TextRef>& records) {
    const TextSpan block = blocks[row];
    const CellSpans spans = extractCells(text.substr(block.offset, block.length));
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        if (spans[c].length == 0) continue;
        cells[row][c] = {std::uint32_t(block.offset + spans[c].offset),
                         std::uint32_t(spans[c].length)};
    }
    // Every row but the first and the last starts right after its own record head and ends where
    // the next head begins.
    if (row > 0 && row + 1 < blocks.size()) {
        records[row] = {std::uint32_t(block.offset - kRecordHead.size()),
                        std::uint32_t(block.length + kRecordHead.size())};
    }
}

}  // namespace

WeaponTablePtr buildWeaponTable(std::string fileBytes, const LoadProgress& progress) {
    std::string text = prepareTableText(std::move(fileBytes));
    const std::vector<TextSpan> blocks = splitWeaponBlocks(text);
    const std::size_t rows = blocks.size();
    std::vector<RowCells> cells(rows);
    std::vector<TextRef> records(rows);

    // Large tables are cut on two threads, each filling its own half of the rows, so the rows
    // stay in file order; this thread takes the second half and reports the progress of both.
    std::atomic<std::size_t> done{0};
    const std::size_t half = rows >= kRowsWorthASecondThread ? rows / 2 : 0;
    std::thread firstHalf;
    if (half > 0) {
        firstHalf = std::thread([&] {
            for (std::size_t row = 0; row < half; ++row) {
                cutRow(text, blocks, row, cells, records);
                done.fetch_add(1, std::memory_order_relaxed);
            }
        });
    }
    for (std::size_t row = half; row < rows; ++row) {
        cutRow(text, blocks, row, cells, records);
        const std::size_t finished = done.fetch_add(1, std::memory_order_relaxed) + 1;
        if (progress && (half == 0 || (row - half) % kProgressEvery == 0)) {
            progress(finished, rows);
        }
    }
    if (firstHalf.joinable()) firstHalf.join();
    if (progress && half > 0) progress(rows, rows);
    return std::make_shared<const WeaponTable>(std::move(text), std::move(cells),
                                               std::move(records));
}

LoadResult loadWeaponTableFile(const std::filesystem::path& path, const LoadProgress& progress) {
    LoadResult result;
    std::error_code error;
    std::optional<std::string> bytes =
        readWholeFile(path, error, kMaxDataFileBytes, kSentinelRecord.size());
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

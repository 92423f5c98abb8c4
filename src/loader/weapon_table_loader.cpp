#include "loader/weapon_table_loader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <new>
#include <thread>

#include "loader/line_endings.h"
#include "loader/row_extraction.h"
#include "loader/text_halves.h"
#include "platform/file_read.h"
#include "platform/file_system.h"

namespace qm318 {
namespace {

// Makes every "(Weapon \r\n" head "(Weapon\r\n", moving the text between heads forward in place.
void normaliseHeads(TextBuffer& text) {
    const std::string_view original = text.view();
    // Most files have no such head: a check in two halves at once settles that.
    bool anyHead[2] = {false, false};
    scanInTwoHalves(original, [&](std::size_t from, std::size_t to) {
        anyHead[from == 0 ? 0 : 1] = find(original.substr(0, to), kRecordHeadWithBlank,
                                          TextPos(from + 1), true) != kNotFound;
    });
    if (!anyHead[0] && !anyHead[1]) return;
    TextPos at = find(original, kRecordHeadWithBlank, 1, true);
    char* const data = text.data();
    std::size_t read = std::size_t(at - 1);
    std::size_t write = read;
    while (at != kNotFound) {
        const std::size_t head = std::size_t(at - 1);
        std::memmove(data + write, data + read, head - read);
        write += head - read;
        std::memcpy(data + write, kRecordHead.data(), kRecordHead.size());
        write += kRecordHead.size();
        read = head + kRecordHeadWithBlank.size();
        // The scan looks at no byte before `read`, so the bytes already moved do not matter.
        at = find(original, kRecordHeadWithBlank, TextPos(read + 1), true);
    }
    std::memmove(data + write, data + read, original.size() - read);
    text.resize(write + original.size() - read);
}

// Where the record heads begin in [from, to) of the text, counting characters from `from`.
std::vector<std::size_t> headsBetween(std::string_view text, std::size_t from, std::size_t to) {
    std::vector<std::size_t> heads;
    const std::string_view scanned = text.substr(0, to);
    for (TextPos at = find(scanned, kRecordHead, TextPos(from + 1), false); at != kNotFound;
         at = find(scanned, kRecordHead, at + TextPos(kRecordHead.size()), false)) {
        heads.push_back(std::size_t(at - 1));
    }
    return heads;
}

// Rows below this count are cut on the calling thread alone, with progress after every row.
constexpr std::size_t kRowsWorthASecondThread = 2048;
constexpr std::size_t kProgressEvery = 256;
// What each row takes besides the text: its cells, its block and its record.
constexpr std::size_t kBytesPerRow = sizeof(RowCells) + sizeof(TextSpan) + sizeof(TextRef);

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

bool fitsInMemory(std::uint64_t bytes, const LoadLimits& limits) {
    const std::optional<std::uint64_t> available =
        limits.availableMemory ? limits.availableMemory() : std::nullopt;
    return !available || bytes <= *available;
}

WeaponTablePtr buildRows(TextBuffer text, const LoadProgress& progress, const LoadLimits* limits) {
    const std::vector<TextSpan> blocks = splitWeaponBlocks(text.view());
    const std::size_t rows = blocks.size();
    if (limits != nullptr && !fitsInMemory(std::uint64_t(rows) * kBytesPerRow, *limits)) {
        throw std::bad_alloc();
    }
    std::vector<RowCells> cells(rows);
    std::vector<TextRef> records(rows);

    // Large tables are cut on two threads, each filling its own half of the rows, so the rows
    // stay in file order; this thread takes the second half and reports the progress of both.
    const std::string_view view = text.view();
    std::atomic<std::size_t> done{0};
    const std::size_t half = rows >= kRowsWorthASecondThread ? rows / 2 : 0;
    std::thread firstHalf;
    if (half > 0) {
        firstHalf = std::thread([&] {
            for (std::size_t row = 0; row < half; ++row) {
                cutRow(view, blocks, row, cells, records);
                done.fetch_add(1, std::memory_order_relaxed);
            }
        });
    }
    for (std::size_t row = half; row < rows; ++row) {
        cutRow(view, blocks, row, cells, records);
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

// The file mapped, when it is a regular file that the conversion would leave as it is.
std::optional<TextBuffer> mapUnchanged(const std::filesystem::path& path, std::uintmax_t size,
                                       const LoadLimits& limits) {
    if (size == 0 || size > limits.maxFileBytes) return std::nullopt;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    std::optional<TextBuffer> mapped;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && std::uintmax_t(info.st_size) == size) {
        mapped = TextBuffer::mapFile(fd, size, kSentinelRecord.size());
    }
    ::close(fd);
    if (mapped && dosConversionMayChange(mapped->view())) mapped.reset();
    return mapped;
}

// The file's bytes, converted as unix2dos would while they are read, with room for the sentinel;
// or nothing with result's error set. Refuses a file whose text would not fit in the memory that
// is free. converted tells whether the conversion changed the bytes.
std::optional<TextBuffer> readForLoad(const std::filesystem::path& path, const LoadLimits& limits,
                                      LoadResult& result, bool& converted,
                                      std::function<void()> onFirstChange = {}) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size <= limits.maxFileBytes && !fitsInMemory(size + size / 8, limits)) {
        result.error = LoadError::NotEnoughMemory;
        result.cause = std::make_error_code(std::errc::not_enough_memory);
        return std::nullopt;
    }
    if (limits.mapUnchangedFile && !error) {
        if (std::optional<TextBuffer> mapped = mapUnchanged(path, size, limits)) {
            converted = false;
            return mapped;
        }
    }
    PieceConversion conversion(std::move(onFirstChange));
    std::optional<TextBuffer> bytes =
        readWholeFileToBuffer(path, error, limits.maxFileBytes, kSentinelRecord.size(),
                              [&conversion](TextBuffer& buffer, std::size_t read, bool atEnd) {
                                  return conversion(buffer, read, atEnd);
                              });
    if (!bytes) {
        result.error = error == std::errc::no_such_file_or_directory ? LoadError::NotFound
                       : error == std::errc::file_too_large          ? LoadError::TooLarge
                       : error == std::errc::not_enough_memory       ? LoadError::NotEnoughMemory
                                                                     : LoadError::NotReadable;
        result.cause = error;
    }
    converted = conversion.changed();
    return bytes;
}

// Builds the table of bytes that have been converted already, turning a lack of memory into an
// error of the load.
void buildInto(LoadResult& result, TextBuffer dosText, const LoadProgress& progress,
               const LoadLimits& limits) {
    try {
        finishTableText(dosText);
        result.table = buildRows(std::move(dosText), progress, &limits);
    } catch (const std::bad_alloc&) {
        result.table = nullptr;
        result.error = LoadError::NotEnoughMemory;
        result.cause = std::make_error_code(std::errc::not_enough_memory);
    }
}

}  // namespace

void finishTableText(TextBuffer& dosText) {
    const std::string_view text = dosText.view();
    std::size_t firstZero[2] = {text.size(), text.size()};
    scanInTwoHalves(text, [&](std::size_t from, std::size_t to) {
        const std::size_t zero = text.substr(0, to).find('\0', from);
        if (zero != std::string_view::npos) firstZero[from == 0 ? 0 : 1] = zero;
    });
    dosText.resize(std::min(firstZero[0], firstZero[1]));
    dosText.append(kSentinelRecord);
    normaliseHeads(dosText);
}

TextBuffer prepareTableText(TextBuffer fileBytes) {
    convertToDos(fileBytes, kSentinelRecord.size());
    finishTableText(fileBytes);
    return fileBytes;
}

std::vector<TextSpan> splitWeaponBlocks(std::string_view tableText) {
    if (tableText.size() < kBytesWorthASecondThread) return splitSpans(tableText, kRecordHead);
    std::vector<std::size_t> heads[2];
    scanInTwoHalves(tableText, [&](std::size_t from, std::size_t to) {
        heads[from == 0 ? 0 : 1] = headsBetween(tableText, from, to);
    });
    heads[0].insert(heads[0].end(), heads[1].begin(), heads[1].end());

    std::vector<TextSpan> blocks;
    blocks.reserve(heads[0].size() + 1);
    std::size_t blockStart = 0;
    for (const std::size_t head : heads[0]) {
        blocks.push_back({blockStart, head - blockStart});
        blockStart = head + kRecordHead.size();
    }
    if (blockStart < tableText.size())
        blocks.push_back({blockStart, tableText.size() - blockStart});
    return blocks;
}

WeaponTablePtr buildWeaponTable(TextBuffer fileBytes, const LoadProgress& progress) {
    return buildRows(prepareTableText(std::move(fileBytes)), progress, nullptr);
}

WeaponTablePtr buildWeaponTable(std::string_view fileBytes, const LoadProgress& progress) {
    TextBuffer bytes;
    bytes.reserve(fileBytes.size() + kSentinelRecord.size());
    bytes.append(fileBytes);
    return buildWeaponTable(std::move(bytes), progress);
}

WeaponTablePtr buildTableFromDosText(TextBuffer dosText, const LoadProgress& progress) {
    finishTableText(dosText);
    return buildRows(std::move(dosText), progress, nullptr);
}

LoadResult loadWeaponTableFile(const std::filesystem::path& path, const LoadProgress& progress,
                               const LoadLimits& limits) {
    LoadResult result;
    bool converted = false;
    std::optional<TextBuffer> bytes = readForLoad(path, limits, result, converted);
    if (bytes) buildInto(result, std::move(*bytes), progress, limits);
    return result;
}

LoadResult loadAndConvertDataFile(const std::filesystem::path& path, const LoadProgress& progress,
                                  const FileConverter& converter, const LoadLimits& limits) {
    // unix2dos writes the same bytes as the conversion in memory, so neither waits for the other:
    // it starts as soon as the first piece read needs a change (for a file that then turns out
    // binary it leaves the file as it is, by the same rule). It rewrites the file through a
    // temporary file and a rename, so the file on disk is always either the old or the new one.
    LoadResult result;
    std::thread conversion;
    const auto startConverter = [&] {
        if (!converter || !mayRewriteInPlace(path)) return;
        result.fileConverted = true;
        conversion = std::thread([&converter, &path] { converter(path); });
    };
    bool converted = false;
    std::optional<TextBuffer> bytes = readForLoad(path, limits, result, converted, startConverter);
    if (bytes) buildInto(result, std::move(*bytes), progress, limits);
    if (conversion.joinable()) conversion.join();
    return result;
}

}  // namespace qm318

#pragma once
// From the data file's bytes to the weapon table.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "model/weapon_table.h"
#include "platform/memory_info.h"
#include "platform/text_buffer.h"
#include "text/gbk_text.h"

namespace qm318 {

inline constexpr std::string_view kRecordHead = "(Weapon\r\n";
inline constexpr std::string_view kRecordHeadWithBlank = "(Weapon \r\n";
// Appended to every table text, so that the file's last record is followed by a record head like
// every other one. Its name is "BY：青石匠" in GBK.
inline constexpr std::string_view kSentinelRecord =
    "\r\n(Weapon\r\n (WeaponIndex 9999 )\r\n (WeaponName \"BY\xa3\xba\xc7\xe0\xca\xaf\xbd\xb3\" "
    ")\r\n";

// Called with the number of rows done and the number of rows in all.
using LoadProgress = std::function<void(std::size_t done, std::size_t total)>;

// Makes a text whose line breaks unix2dos has already converted into the table text: cut at the
// first zero byte, the sentinel record appended and every "(Weapon \r\n" head, in any ASCII letter
// case, made "(Weapon\r\n".
void finishTableText(TextBuffer& dosText);

// The data file's bytes converted as unix2dos would, then finished as above.
TextBuffer prepareTableText(TextBuffer fileBytes);

// The weapon blocks: the text before the first record head (possibly empty), then the text after
// each head up to the next one.
std::vector<TextSpan> splitWeaponBlocks(std::string_view tableText);

// The whole load: one row per weapon block, the first from the text before the first record and
// the last from the sentinel record. Throws std::bad_alloc when memory runs out.
WeaponTablePtr buildWeaponTable(TextBuffer fileBytes, const LoadProgress& progress = {});
WeaponTablePtr buildWeaponTable(std::string_view fileBytes, const LoadProgress& progress = {});
// The same for bytes that convertToDos has converted already.
WeaponTablePtr buildTableFromDosText(TextBuffer dosText, const LoadProgress& progress = {});

// Cells are 32-bit offsets into the table text, and converting the line breaks can double a
// file's size, so larger files are refused.
inline constexpr std::size_t kMaxDataFileBytes = 0x7FFFFFFFu - 4096;

enum class LoadError { None, NotFound, NotReadable, TooLarge, NotEnoughMemory };
struct LoadResult {
    WeaponTablePtr table;  // null on error
    LoadError error = LoadError::None;
    std::error_code cause;
    // Whether the data file was handed to the converter.
    bool fileConverted = false;
};

// What a load may take: files up to maxFileBytes, and no more memory than availableMemory says
// is free (checked before the text and again before the rows are allocated).
struct LoadLimits {
    std::uint64_t maxFileBytes = kMaxDataFileBytes;
    std::function<std::optional<std::uint64_t>()> availableMemory = availableMemoryBytes;
    // Whether a file whose line breaks are all CR LF already is mapped instead of read: the
    // table then takes no memory of its own for the text, but the file must not be truncated
    // while the table is in use (reading its lost part raises SIGBUS). For a program that lives
    // for one command, not for the window.
    bool mapUnchangedFile = false;
};

// Reads the data file and builds its table; the file itself is never changed.
LoadResult loadWeaponTableFile(const std::filesystem::path& path, const LoadProgress& progress = {},
                               const LoadLimits& limits = {});

// Rewrites the data file's line breaks on disk (the window runs unix2dos).
using FileConverter = std::function<void(const std::filesystem::path& file)>;

// The window's load: reads the data file once and builds the table from its bytes converted in
// memory. When that conversion changes the bytes and the file may be rewritten in place, the
// converter rewrites the file meanwhile, on a thread of its own, and is done when this returns.
// The converter is not run on a file whose line breaks are all CR LF: it could not change it.
LoadResult loadAndConvertDataFile(const std::filesystem::path& path, const LoadProgress& progress,
                                  const FileConverter& converter, const LoadLimits& limits = {});

}  // namespace qm318

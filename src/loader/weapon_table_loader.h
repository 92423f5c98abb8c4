#pragma once
// From the data file's bytes to the weapon table.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "model/weapon_table.h"
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

// Line breaks converted as unix2dos would, the text cut at the first zero byte, the sentinel
// record appended and every "(Weapon \r\n" head, in any ASCII letter case, made "(Weapon\r\n".
std::string prepareTableText(std::string fileBytes);

// The weapon blocks: the text before the first record head (possibly empty), then the text after
// each head up to the next one.
std::vector<TextSpan> splitWeaponBlocks(std::string_view tableText);

// The whole load: one row per weapon block, the first from the text before the first record and
// the last from the sentinel record.
WeaponTablePtr buildWeaponTable(std::string fileBytes, const LoadProgress& progress = {});

// Cells are 32-bit offsets into the table text, and converting the line breaks can double a
// file's size, so larger files are refused.
inline constexpr std::size_t kMaxDataFileBytes = 0x7FFFFFFFu - 4096;

enum class LoadError { None, NotFound, NotReadable, TooLarge };
struct LoadResult {
    WeaponTablePtr table;  // null on error
    LoadError error = LoadError::None;
    std::error_code cause;
};

// Reads the data file and builds its table; the file itself is never changed.
LoadResult loadWeaponTableFile(const std::filesystem::path& path,
                               const LoadProgress& progress = {});

}  // namespace qm318

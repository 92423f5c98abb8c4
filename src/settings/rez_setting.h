#pragma once
// The REZ path: the folder into which the user unpacked the game's REZ archives. It is kept in the
// settings file next to the program, checked at start-up and saved on request; the REZ root that
// exports read from is the path with one "\" appended.

#include <filesystem>
#include <string>
#include <string_view>

namespace qm318 {

// File name of the settings file in the program folder.
inline constexpr std::string_view kSettingsFileName = "REZ解包路径.txt";
// Written when the settings file is missing: "请先输入REZ解包路径 点击保存" in GBK (28 bytes).
inline constexpr std::string_view kDefaultRezPath =
    "\xc7\xeb\xcf\xc8\xca\xe4\xc8\xeb"
    "REZ"
    "\xbd\xe2\xb0\xfc\xc2\xb7\xbe\xb6 "
    "\xb5\xe3\xbb\xf7\xb1\xa3\xb4\xe6";
// The file whose presence under the path makes the start-up check pass.
inline constexpr std::string_view kStartupMarker = "\\DUST2.DAT";
// The file whose presence under the path lets it be saved (and exported from).
inline constexpr std::string_view kSaveMarker = "\\Models\\CHARACTER\\M-MOTION.LTB";

std::string rezRootOf(std::string_view rezPath);
bool rezPathHasMarker(std::string_view rezPath, std::string_view marker);

struct RezStartup {
    std::string rezPath;  // the settings file's text, up to its first zero byte
    bool passed = false;  // the start-up marker exists under it
};
// Creates the settings file with the default path when it is missing, then reads and checks it.
RezStartup loadRezSetting(const std::filesystem::path& settingsFile);

enum class RezSave { Saved, MarkerMissing, WriteFailed };
// Saves the path when the save marker exists under it; the file is replaced atomically.
RezSave saveRezSetting(const std::filesystem::path& settingsFile, std::string_view rezPath);

}  // namespace qm318

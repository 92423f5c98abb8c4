#include "settings/rez_setting.h"

#include <optional>

#include "platform/file_read.h"
#include "platform/file_system.h"

namespace qm318 {

std::string rezRootOf(std::string_view rezPath) {
    return std::string(rezPath) + "\\";
}

bool rezPathHasMarker(std::string_view rezPath, std::string_view marker) {
    return pathExists(std::string(rezPath) + std::string(marker));
}

RezStartup loadRezSetting(const std::filesystem::path& settingsFile) {
    std::error_code error;
    if (!std::filesystem::exists(settingsFile, error)) {
        writeFileAtomically(settingsFile, kDefaultRezPath);
    }
    RezStartup result;
    if (std::optional<std::string> bytes = readWholeFile(settingsFile, error)) {
        result.rezPath = bytes->substr(0, bytes->find('\0'));
    }
    result.passed = rezPathHasMarker(result.rezPath, kStartupMarker);
    return result;
}

RezSave saveRezSetting(const std::filesystem::path& settingsFile, std::string_view rezPath) {
    if (!rezPathHasMarker(rezPath, kSaveMarker)) return RezSave::MarkerMissing;
    return writeFileAtomically(settingsFile, rezPath) ? RezSave::Saved : RezSave::WriteFailed;
}

}  // namespace qm318

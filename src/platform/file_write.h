#pragma once
// Replacing a file's content so that a crash or a full disk never leaves it half written.

#include <filesystem>
#include <string_view>

namespace qm318 {

// Writes the bytes to a temporary file in the same folder, flushes it to disk and renames it over
// the target. False on any failure, and the target then keeps its old content.
bool writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

}  // namespace qm318

#pragma once
// Reading a whole file.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "platform/text_buffer.h"

namespace qm318 {

// The file's bytes, or nothing with the reason in error (a folder counts as unreadable, a file of
// more than maxBytes as too large). The string has room for extraCapacity more bytes, so that
// appending them does not copy the whole file.
std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::error_code& error,
                                         std::size_t maxBytes = SIZE_MAX,
                                         std::size_t extraCapacity = 0);

// The same into a text buffer, read straight into its memory.
std::optional<TextBuffer> readWholeFileToBuffer(const std::filesystem::path& path,
                                                std::error_code& error,
                                                std::size_t maxBytes = SIZE_MAX,
                                                std::size_t extraCapacity = 0);

}  // namespace qm318

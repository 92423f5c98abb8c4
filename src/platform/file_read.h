#pragma once
// Reading a whole file.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>

#include "platform/text_buffer.h"

namespace qm318 {

// The file's bytes, or nothing with the reason in error (anything but a regular file counts as
// unreadable, a file of more than maxBytes as too large). The string has room for extraCapacity
// more bytes, so that appending them does not copy the whole file.
std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::error_code& error,
                                         std::size_t maxBytes = SIZE_MAX,
                                         std::size_t extraCapacity = 0);

// Reading into a text buffer can hand each piece to a handler as soon as it is read, so that the
// piece is worked on while it is still in the processor's cache. The handler gets the buffer, the
// number of bytes at its end that were just read, and whether the file's end has been reached; it
// may change the buffer (the reader appends after whatever the buffer holds). It can instead ask
// for the file to be read again from its start without it, into an emptied buffer.
inline constexpr std::size_t kReadPieceBytes = std::size_t(4) << 20;
enum class PieceVerdict { Continue, ReadAgainWithoutHandler };
using PieceHandler =
    std::function<PieceVerdict(TextBuffer& bytes, std::size_t justRead, bool atEnd)>;

// The file's bytes read straight into a text buffer, in pieces when there is a handler. maxBytes
// limits the bytes read from the file, not what the handler makes of them.
std::optional<TextBuffer> readWholeFileToBuffer(const std::filesystem::path& path,
                                                std::error_code& error,
                                                std::size_t maxBytes = SIZE_MAX,
                                                std::size_t extraCapacity = 0,
                                                const PieceHandler& handler = {});

}  // namespace qm318

#include "platform/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

namespace qm318 {
namespace {

// Opens a regular file for reading; -1 with error set for anything else. The open does not wait:
// a FIFO nobody writes to would otherwise block it for ever.
int openRegularFile(const std::filesystem::path& path, std::error_code& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error.assign(errno, std::generic_category());
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = S_ISDIR(info.st_mode) ? std::make_error_code(std::errc::is_a_directory)
                                      : std::make_error_code(std::errc::invalid_argument);
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// Pieces small enough to stay in the cache while a handler works on them.
constexpr std::size_t kPieceBytes = kReadPieceBytes;

// Reads the rest of the file into bytes; false with error set on failure.
bool readInto(int fd, TextBuffer& bytes, std::error_code& error, std::size_t maxBytes,
              const PieceHandler& handler, bool& readAgain) {
    std::size_t fromFile = 0;
    for (;;) {
        // The buffer has room for the whole file and one byte more, unless the file grew or a
        // handler made the text longer.
        if (bytes.size() == bytes.capacity()) {
            bytes.reserve(bytes.capacity() + bytes.capacity() / 4 + kPieceBytes);
        }
        std::size_t room = bytes.capacity() - bytes.size();
        if (handler) room = std::min(room, kPieceBytes);
        const ssize_t got = ::read(fd, bytes.data() + bytes.size(), room);
        if (got < 0) {
            if (errno == EINTR) continue;
            error.assign(errno, std::generic_category());
            return false;
        }
        fromFile += std::size_t(got);
        if (fromFile > maxBytes) {
            error = std::make_error_code(std::errc::file_too_large);
            return false;
        }
        bytes.resize(bytes.size() + std::size_t(got));
        if (handler &&
            handler(bytes, std::size_t(got), got == 0) == PieceVerdict::ReadAgainWithoutHandler) {
            readAgain = true;
            return true;
        }
        if (got == 0) return true;
    }
}

}  // namespace

std::optional<TextBuffer> readWholeFileToBuffer(const std::filesystem::path& path,
                                                std::error_code& error, std::size_t maxBytes,
                                                std::size_t extraCapacity,
                                                const PieceHandler& handler) {
    error.clear();
    const int fd = openRegularFile(path, error);
    if (fd < 0) return std::nullopt;
    TextBuffer bytes;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error.assign(errno, std::generic_category());
    } else if (info.st_size > 0 && std::uintmax_t(info.st_size) > maxBytes) {
        error = std::make_error_code(std::errc::file_too_large);
    } else {
        try {
            // One byte more than the file, so that its end is seen without growing the buffer.
            bytes.reserve(std::size_t(std::max<off_t>(info.st_size, 0)) + 1 + extraCapacity);
            bool readAgain = false;
            if (readInto(fd, bytes, error, maxBytes, handler, readAgain) && readAgain) {
                bytes.resize(0);
                if (::lseek(fd, 0, SEEK_SET) != 0) {
                    error.assign(errno, std::generic_category());
                } else {
                    readInto(fd, bytes, error, maxBytes, {}, readAgain);
                }
            }
        } catch (const std::bad_alloc&) {
            error = std::make_error_code(std::errc::not_enough_memory);
        }
    }
    ::close(fd);
    if (error) return std::nullopt;
    if (bytes.capacity() < bytes.size() + extraCapacity)
        bytes.reserve(bytes.size() + extraCapacity);
    return bytes;
}

std::optional<std::string> readWholeFile(const std::filesystem::path& path, std::error_code& error,
                                         std::size_t maxBytes, std::size_t extraCapacity) {
    const std::optional<TextBuffer> bytes = readWholeFileToBuffer(path, error, maxBytes);
    if (!bytes) return std::nullopt;
    std::string text;
    text.reserve(bytes->size() + extraCapacity);
    text.append(bytes->view());
    return text;
}

}  // namespace qm318

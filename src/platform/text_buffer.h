#pragma once
// A growable byte buffer for texts of hundreds of megabytes.
//
// The data file is read into it, converted in place and kept as the table's text. On Linux its
// memory comes straight from the kernel with huge pages advised (a 400 MB file would otherwise
// take 100,000 page faults) and grows with mremap, which moves pages instead of copying bytes, so
// that growing a buffer never holds two copies of the text.

#include <cstddef>
#include <optional>
#include <string_view>

namespace qm318 {

class TextBuffer {
public:
    TextBuffer() = default;
    explicit TextBuffer(std::string_view text);
    // The file's bytes mapped copy-on-write, with room for extraCapacity more bytes after them:
    // nothing is copied, and bytes changed in the buffer never reach the file. Only for a short
    // while: a program that truncates the file meanwhile makes reading its lost part fail with
    // SIGBUS. Nothing when the file cannot be mapped.
    static std::optional<TextBuffer> mapFile(int fd, std::size_t size, std::size_t extraCapacity);
    // Whether this build maps files (not on Windows yet, and not under AddressSanitizer, whose
    // build takes every buffer from malloc so that reads past the end are caught).
    static bool mapsFiles();
    TextBuffer(TextBuffer&& other) noexcept;
    TextBuffer& operator=(TextBuffer&& other) noexcept;
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;
    ~TextBuffer();

    char* data() { return data_; }
    const char* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    std::string_view view() const { return {data_, size_}; }

    // Throws std::bad_alloc when the memory cannot be had. New bytes are not initialised.
    void reserve(std::size_t capacity);
    void resize(std::size_t size);
    void append(std::string_view text);

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    bool fileMapped_ = false;  // growing it copies the bytes into memory of its own
};

}  // namespace qm318

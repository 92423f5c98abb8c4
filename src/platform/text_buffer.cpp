#include "platform/text_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

// Under AddressSanitizer the buffer comes from malloc, so that reads past its end are caught.
#if defined(__SANITIZE_ADDRESS__)
#define QM318_KERNEL_PAGES 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QM318_KERNEL_PAGES 0
#endif
#endif
#if !defined(QM318_KERNEL_PAGES) && defined(__linux__)
#define QM318_KERNEL_PAGES 1
#elif !defined(QM318_KERNEL_PAGES)
#define QM318_KERNEL_PAGES 0
#endif

#if QM318_KERNEL_PAGES
#include <sys/mman.h>
#endif

namespace qm318 {
namespace {

#if QM318_KERNEL_PAGES
constexpr std::size_t kPageSize = 4096;

std::size_t roundUpToPages(std::size_t bytes) {
    return (bytes + kPageSize - 1) / kPageSize * kPageSize;
}

char* mapPages(std::size_t bytes) {
    void* memory =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) throw std::bad_alloc();
    ::madvise(memory, bytes, MADV_HUGEPAGE);
    return static_cast<char*>(memory);
}

char* remapPages(char* memory, std::size_t oldBytes, std::size_t newBytes) {
    if (memory == nullptr) return mapPages(newBytes);
    void* moved = ::mremap(memory, oldBytes, newBytes, MREMAP_MAYMOVE);
    if (moved == MAP_FAILED) throw std::bad_alloc();
    ::madvise(moved, newBytes, MADV_HUGEPAGE);
    return static_cast<char*>(moved);
}

void unmapPages(char* memory, std::size_t bytes) {
    if (memory != nullptr) ::munmap(memory, bytes);
}
#else
std::size_t roundUpToPages(std::size_t bytes) {
    return bytes;
}

char* remapPages(char* memory, std::size_t, std::size_t newBytes) {
    void* moved = std::realloc(memory, newBytes == 0 ? 1 : newBytes);
    if (moved == nullptr) throw std::bad_alloc();
    return static_cast<char*>(moved);
}

void unmapPages(char* memory, std::size_t) {
    std::free(memory);
}
#endif

}  // namespace

TextBuffer::TextBuffer(std::string_view text) {
    append(text);
}

std::optional<TextBuffer> TextBuffer::mapFile(int fd, std::size_t size, std::size_t extraCapacity) {
#if QM318_KERNEL_PAGES
    if (size == 0) return std::nullopt;
    // The file's pages over the start of an anonymous stretch, so that the room after the file's
    // end is ordinary memory.
    const std::size_t bytes = roundUpToPages(size + extraCapacity);
    void* area = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED) return std::nullopt;
    // Populated while read-only, then made writable: populating a writable private mapping would
    // copy every page at once.
    if (::mmap(area, size, PROT_READ, MAP_PRIVATE | MAP_FIXED | MAP_POPULATE, fd, 0) ==
            MAP_FAILED ||
        ::mprotect(area, size, PROT_READ | PROT_WRITE) != 0) {
        ::munmap(area, bytes);
        return std::nullopt;
    }
    TextBuffer buffer;
    buffer.data_ = static_cast<char*>(area);
    buffer.size_ = size;
    buffer.capacity_ = bytes;
    buffer.fileMapped_ = true;
    return buffer;
#else
    (void)fd;
    (void)size;
    (void)extraCapacity;
    return std::nullopt;
#endif
}

bool TextBuffer::mapsFiles() {
    return QM318_KERNEL_PAGES != 0;
}

TextBuffer::TextBuffer(TextBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      fileMapped_(std::exchange(other.fileMapped_, false)) {}

TextBuffer& TextBuffer::operator=(TextBuffer&& other) noexcept {
    if (this != &other) {
        unmapPages(data_, capacity_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        fileMapped_ = std::exchange(other.fileMapped_, false);
    }
    return *this;
}

TextBuffer::~TextBuffer() {
    unmapPages(data_, capacity_);
}

void TextBuffer::reserve(std::size_t capacity) {
    if (capacity <= capacity_ && data_ != nullptr) return;
    const std::size_t bytes = roundUpToPages(std::max<std::size_t>(capacity, 1));
    if (fileMapped_) {
        TextBuffer own;
        own.reserve(bytes);
        own.append(view());
        *this = std::move(own);
        return;
    }
    data_ = remapPages(data_, capacity_, bytes);
    capacity_ = bytes;
}

void TextBuffer::resize(std::size_t size) {
    if (size > capacity_) reserve(std::max(size, capacity_ + capacity_ / 2));
    size_ = size;
}

void TextBuffer::append(std::string_view text) {
    const std::size_t oldSize = size_;
    resize(size_ + text.size());
    if (!text.empty()) std::memcpy(data_ + oldSize, text.data(), text.size());
}

}  // namespace qm318

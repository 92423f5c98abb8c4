#include "loader/line_endings.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "loader/text_halves.h"
#include "text/byte_scan.h"
#include "text/encoding.h"

namespace qm318 {
namespace {

bool isBinaryControl(std::uint32_t c) {
    return c < 32 && c != '\t' && c != '\n' && c != '\f' && c != '\r';
}

// The LFs that have no CR of their own, or nothing for a binary file.
//
// unix2dos reads a CR together with the byte after it and writes that byte unexamined, so
// "\r\r\n" becomes "\r\r\r\n" and a control byte right after a CR does not make a file binary.
std::optional<std::size_t> countBareLineFeeds(const char* p, const char* end) {
    std::size_t bare = 0;
    while (p != end) {
        p = skipPlainLineBreaks(p, end, bare);
        // Byte by byte through the stretch the skip stopped at.
        const char* const stretchEnd = end - p > 16 ? p + 16 : end;
        while (p < stretchEnd && (p = findControlByte(p, end)) < stretchEnd) {
            const char c = *p;
            if (c == '\r') {
                p += end - p >= 2 ? 2 : 1;
                continue;
            }
            if (c == '\n') {
                ++bare;
            } else if (isBinaryControl(std::uint8_t(c))) {
                return std::nullopt;
            }
            ++p;
        }
        if (p > end) p = end;
    }
    return bare;
}

// Copies [in, end) to out with a CR put before each bare LF; returns the end of what it wrote.
char* copyWithCarriageReturns(const char* in, const char* end, char* out) {
    while (in < end) {
        const char* const control = findControlByte(in, end);
        std::memcpy(out, in, std::size_t(control - in));
        out += control - in;
        in = control;
        if (in == end) break;
        if (*in == '\r') {
            *out++ = *in++;
            if (in < end) *out++ = *in++;  // taken with the CR, unexamined
            continue;
        }
        if (*in == '\n') *out++ = '\r';
        *out++ = *in++;
    }
    return out;
}

// The same rules over UTF-16 units.
std::optional<std::u16string> convertUnits(std::u16string_view in) {
    std::u16string out;
    out.reserve(in.size() + in.size() / 16);
    for (std::size_t i = 0; i < in.size(); ++i) {
        const char16_t c = in[i];
        if (c == u'\r') {
            out.push_back(c);
            if (i + 1 < in.size()) out.push_back(in[++i]);
            continue;
        }
        if (isBinaryControl(c)) return std::nullopt;
        if (c == u'\n') out.push_back(u'\r');
        out.push_back(c);
    }
    return out;
}

// A file that begins with a UTF-16 byte order mark is read as UTF-16 (an odd last byte is
// dropped) and written back as UTF-8 with its byte order mark.
std::optional<std::string> convertUtf16(std::string_view bytes, bool littleEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto a = std::uint8_t(bytes[i]);
        const auto b = std::uint8_t(bytes[i + 1]);
        units.push_back(char16_t(littleEndian ? (b << 8 | a) : (a << 8 | b)));
    }
    std::optional<std::u16string> converted = convertUnits(units);
    std::string utf8;
    if (!converted || !utf16ToUtf8Strict(*converted, utf8)) return std::nullopt;
    return "\xef\xbb\xbf" + utf8;
}

}  // namespace

bool convertToDos(TextBuffer& bytes, std::size_t extraCapacity) {
    const std::string_view original = bytes.view();
    const bool littleEndianBom = original.starts_with("\xff\xfe");
    if (littleEndianBom || original.starts_with("\xfe\xff")) {
        const std::optional<std::string> converted = convertUtf16(original, littleEndianBom);
        if (!converted || *converted == original) return false;
        bytes.reserve(converted->size() + extraCapacity);
        bytes.resize(0);
        bytes.append(*converted);
        return true;
    }
    const std::size_t size = bytes.size();
    const std::optional<std::size_t> bare = countBareLineFeeds(bytes.data(), bytes.data() + size);
    if (!bare || *bare == 0) return false;
    TextBuffer converted;
    converted.reserve(size + *bare + extraCapacity);
    converted.resize(size + *bare);
    copyWithCarriageReturns(bytes.data(), bytes.data() + size, converted.data());
    bytes = std::move(converted);
    return true;
}

std::string unixToDos(std::string bytes, std::size_t extraCapacity) {
    TextBuffer buffer(bytes);
    if (!convertToDos(buffer, extraCapacity)) return bytes;
    return std::string(buffer.view());
}

bool dosConversionMayChange(std::string_view bytes) {
    if (bytes.starts_with("\xff\xfe") || bytes.starts_with("\xfe\xff")) return true;
    // The second half stays at none when the text is scanned in one piece.
    std::optional<std::size_t> bare[2] = {0, 0};
    scanInTwoHalves(bytes, [&](std::size_t from, std::size_t to) {
        bare[from == 0 ? 0 : 1] = countBareLineFeeds(bytes.data() + from, bytes.data() + to);
    });
    if (!bare[0] || !bare[1]) return false;  // binary: unix2dos leaves it as it is
    return *bare[0] + *bare[1] > 0;
}

PieceVerdict PieceConversion::operator()(TextBuffer& bytes, std::size_t, bool atEnd) {
    if (firstPiece_) {
        firstPiece_ = false;
        const std::string_view start = bytes.view();
        utf16_ = start.starts_with("\xff\xfe") || start.starts_with("\xfe\xff");
    }
    if (utf16_) {  // a whole-file conversion, made once the whole file is there
        if (atEnd) changed_ = convertToDos(bytes);
        if (changed_ && onFirstChange_) std::exchange(onFirstChange_, nullptr)();
        return PieceVerdict::Continue;
    }
    const std::size_t size = bytes.size();
    // A run of CRs at the end waits for the next piece, since which byte each CR takes depends on
    // the whole run and on the byte after it; a piece of CRs only is taken two by two.
    std::size_t limit = size;
    if (!atEnd) {
        while (limit > converted_ && bytes.data()[limit - 1] == '\r')
            --limit;
        if (limit == converted_) limit = size - (size - converted_) % 2;
    }
    const std::optional<std::size_t> bare =
        countBareLineFeeds(bytes.data() + converted_, bytes.data() + limit);
    if (!bare) {
        changed_ = false;  // binary: the file is read again as it is
        return PieceVerdict::ReadAgainWithoutHandler;
    }
    if (*bare > 0) {
        if (!changed_ && onFirstChange_) std::exchange(onFirstChange_, nullptr)();
        changed_ = true;
        staging_.assign(bytes.data() + converted_, size - converted_);
        // Grown by an eighth at a time: each growth moves the buffer's pages, which costs every
        // thread of the process a flush of its address cache.
        if (bytes.capacity() < size + *bare) {
            bytes.reserve(std::max(size + *bare, bytes.capacity() + bytes.capacity() / 8));
        }
        bytes.resize(size + *bare);
        char* const out = copyWithCarriageReturns(
            staging_.data(), staging_.data() + (limit - converted_), bytes.data() + converted_);
        std::memcpy(out, staging_.data() + (limit - converted_), size - limit);
    }
    converted_ = limit + *bare;
    return PieceVerdict::Continue;
}

}  // namespace qm318

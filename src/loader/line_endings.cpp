#include "loader/line_endings.h"

#include <cstdint>
#include <optional>

#include "text/encoding.h"

namespace qm318 {
namespace {

bool isBinaryControl(std::uint32_t c) {
    return c < 32 && c != '\t' && c != '\n' && c != '\f' && c != '\r';
}

// unix2dos reads a CR together with the unit after it and writes that unit unexamined, so
// "\r\r\n" becomes "\r\r\r\n" and a control byte right after a CR does not make a file binary.
// False, with the text untouched, for a binary file.
template <typename Unit>
bool convertUnits(std::basic_string<Unit>& in, std::size_t extraCapacity) {
    std::size_t bareLineFeeds = 0;
    for (std::size_t i = 0; i < in.size(); ++i) {
        const auto c = std::uint32_t(std::make_unsigned_t<Unit>(in[i]));
        if (c == '\r') {
            ++i;
        } else if (c == '\n') {
            ++bareLineFeeds;
        } else if (isBinaryControl(c)) {
            return false;
        }
    }
    if (bareLineFeeds == 0) return true;
    std::basic_string<Unit> out;
    out.reserve(in.size() + bareLineFeeds + extraCapacity);
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == Unit('\r')) {
            out.push_back(in[i]);
            if (i + 1 < in.size()) out.push_back(in[++i]);
        } else {
            if (in[i] == Unit('\n')) out.push_back(Unit('\r'));
            out.push_back(in[i]);
        }
    }
    in = std::move(out);
    return true;
}

// A file that begins with a UTF-16 byte order mark is read as UTF-16 (an odd last byte is
// dropped) and written back as UTF-8 with its byte order mark.
std::optional<std::string> convertUtf16(const std::string& bytes, bool littleEndian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const auto a = std::uint8_t(bytes[i]);
        const auto b = std::uint8_t(bytes[i + 1]);
        units.push_back(char16_t(littleEndian ? (b << 8 | a) : (a << 8 | b)));
    }
    std::string utf8;
    if (!convertUnits(units, 0) || !utf16ToUtf8Strict(units, utf8)) return std::nullopt;
    return "\xef\xbb\xbf" + utf8;
}

}  // namespace

std::string unixToDos(std::string bytes, std::size_t extraCapacity) {
    const bool littleEndianBom = bytes.starts_with("\xff\xfe");
    if (littleEndianBom || bytes.starts_with("\xfe\xff")) {
        auto converted = convertUtf16(bytes, littleEndianBom);
        return converted ? std::move(*converted) : bytes;
    }
    convertUnits(bytes, extraCapacity);
    return bytes;
}

}  // namespace qm318

// percentDecode in both modes and the conversions between GBK, UTF-8 and UTF-16 on arbitrary
// bytes: nothing may crash, decoding never lengthens a text, escapes of any bytes decode back to
// those bytes, and the offsets of a GBK text's UTF-16 units point into the text in order.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "text/encoding.h"

namespace {

using namespace qm318;
using qm318::fuzz::literal;

std::string_view upToZero(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

// Whether the units hold a high surrogate without a low one after it, or a low one without a
// high one before it.
bool hasUnpairedSurrogate(std::u16string_view units) {
    for (std::size_t i = 0; i < units.size(); ++i) {
        const bool high = units[i] >= 0xD800 && units[i] <= 0xDBFF;
        const bool low = units[i] >= 0xDC00 && units[i] <= 0xDFFF;
        if (low) return true;
        if (high) {
            if (i + 1 == units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) {
                return true;
            }
            ++i;
        }
    }
    return false;
}

void checkPercentDecode(std::string_view text, bool lowerCaseEscapes) {
    const std::string_view seen = upToZero(text);
    const std::string decoded = percentDecode(text);
    FUZZ_CHECK(decoded.size() <= seen.size() && decoded.find('\0') == std::string::npos,
               "percentDecode " + literal(text) + " gave " + literal(decoded));
    if (seen.find('%') == std::string_view::npos) {
        std::string blanks(seen);
        std::replace(blanks.begin(), blanks.end(), '+', ' ');
        FUZZ_CHECK(decoded == blanks,
                   "percentDecode " + literal(text) + " gave " + literal(decoded));
    }
    FUZZ_CHECK(percentDecode(text, true) == utf8ToGbk(decoded),
               "percentDecode of UTF-8 " + literal(text));

    // Every byte written as an escape decodes to itself; a zero byte decodes to nothing.
    static constexpr char kUpper[] = "0123456789ABCDEF";
    static constexpr char kLower[] = "0123456789abcdef";
    const char* digits = lowerCaseEscapes ? kLower : kUpper;
    std::string escaped;
    std::string expected;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        escaped += '%';
        escaped += digits[byte >> 4];
        escaped += digits[byte & 15];
        if (byte != 0) expected += c;
    }
    const std::string unescaped = percentDecode(escaped);
    FUZZ_CHECK(unescaped == expected,
               "escapes " + literal(escaped) + " gave " + literal(unescaped));
}

void checkConversions(std::string_view bytes, FuzzedDataProvider& input) {
    const std::string_view seen = upToZero(bytes);

    // The offsets of the units map them back onto the text's bytes, in order.
    const Utf16WithOffsets mapped = gbkToUtf16WithOffsets(bytes);
    const std::u16string units = toUtf16(bytes);
    FUZZ_CHECK(mapped.units == units && mapped.byteOffsets.size() == units.size(),
               "gbkToUtf16WithOffsets differs from toUtf16 for " + literal(bytes));
    for (std::size_t i = 0; i < mapped.byteOffsets.size(); ++i) {
        const std::int32_t offset = mapped.byteOffsets[i];
        const bool inOrder = i == 0 || mapped.byteOffsets[i - 1] <= offset;
        FUZZ_CHECK(offset >= 0 && std::size_t(offset) < seen.size() && inOrder,
                   "offset " + std::to_string(offset) + " of unit " + std::to_string(i) + " for " +
                       literal(bytes));
    }

    // GBK through UTF-16 to UTF-8 gives what gbkToUtf8 gives.
    const std::string utf8 = gbkToUtf8(bytes);
    std::string strict;
    if (utf16ToUtf8Strict(units, strict)) {
        FUZZ_CHECK(strict == utf8, "gbkToUtf8 " + literal(bytes) + " gave " + literal(utf8) +
                                       ", through UTF-16 " + literal(strict));
    }
    utf8ToGbk(utf8);
    utf8ToGbk(bytes);
    const bool ascii =
        std::all_of(seen.begin(), seen.end(), [](char c) { return (c & 0x80) == 0; });
    if (ascii) {
        FUZZ_CHECK(utf8 == seen && utf8ToGbk(seen) == seen, "ASCII " + literal(bytes));
    }

    // The bytes read as UTF-16 units: strict conversion fails exactly on an unpaired surrogate,
    // and what it gives reads back as the same units.
    std::u16string raw(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < raw.size(); ++i) {
        raw[i] = char16_t(static_cast<unsigned char>(bytes[2 * i]) |
                          static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    std::string rawUtf8;
    const bool converted = utf16ToUtf8Strict(raw, rawUtf8);
    FUZZ_CHECK(converted != hasUnpairedSurrogate(raw), "utf16ToUtf8Strict of " + literal(bytes));
    if (converted) {
        const std::u16string_view upToZeroUnit =
            std::u16string_view(raw).substr(0, raw.find(u'\0'));
        FUZZ_CHECK(multiByteToUtf16(rawUtf8) == upToZeroUnit,
                   "UTF-16 through UTF-8 and back for " + literal(bytes));
    }

    static constexpr int kCodePages[] = {kCodePageGbk, kCodePageUtf8, 1200, 1201, 1252, 950, 0, 42};
    const int codePage =
        kCodePages[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kCodePages) - 1)];
    const bool useCodePage = input.ConsumeBool();
    utf16ToMultiByte(raw, codePage, useCodePage);
    multiByteToUtf16(bytes, codePage, useCodePage);
    toUtf16(bytes, codePage, useCodePage);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool lowerCaseEscapes = input.ConsumeBool();
    const std::string text = input.ConsumeRemainingBytesAsString();
    checkPercentDecode(text, lowerCaseEscapes);
    FuzzedDataProvider flags(data, std::min<std::size_t>(size, 2));
    checkConversions(text, flags);
    return 0;
}

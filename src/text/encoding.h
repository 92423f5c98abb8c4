#pragma once
// Conversions between GBK (code page 936), UTF-8 and UTF-16, all through ICU.
//
// Every input text ends at its first zero byte (or zero unit). Invalid sequences convert the way
// ICU substitutes them by default; no conversion reports an error: a conversion that cannot be
// made gives the empty result.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm318 {

inline constexpr int kCodePageGbk = 936;
inline constexpr int kCodePageUtf8 = 65001;

// Decodes "%hh" escapes and "+" as a blank, byte by byte; utf8 then converts the result to GBK.
std::string percentDecode(std::string_view text, bool utf8 = false);

// The UTF-16 units of a text read in GBK, or in codePage when useCodePage is true. c_str() of the
// result is the zero-terminated wide buffer that wide-string interfaces take.
std::u16string toUtf16(std::string_view text, int codePage = kCodePageGbk,
                       bool useCodePage = false);
// As toUtf16, but the text is read as UTF-8 unless useCodePage names another code page.
std::u16string multiByteToUtf16(std::string_view text, int codePage = kCodePageUtf8,
                                bool useCodePage = false);
// Units up to the first zero unit, in codePage when useCodePage is true, else in the system's ANSI
// code page, which for this tool is GBK on every platform.
std::string utf16ToMultiByte(std::u16string_view units, int codePage = kCodePageGbk,
                             bool useCodePage = false);
std::string utf8ToGbk(std::string_view utf8);
std::string gbkToUtf8(std::string_view gbk);
// UTF-16 code units to UTF-8, zero units included; false on an unpaired surrogate.
bool utf16ToUtf8Strict(std::u16string_view units, std::string& utf8);

// GBK text as UTF-16, with the byte offset in the text of every unit, so that a stretch of units
// can be mapped back onto the text's own bytes.
struct Utf16WithOffsets {
    std::u16string units;
    std::vector<std::int32_t> byteOffsets;  // one per unit
};
Utf16WithOffsets gbkToUtf16WithOffsets(std::string_view gbk);

}  // namespace qm318

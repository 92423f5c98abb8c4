#pragma once
// Positional operations over GBK texts.
//
// A text is GBK bytes. Positions are 1-based byte positions and a search that finds nothing gives
// -1 (kNotFound). Ignoring case touches the ASCII letters only. Scans step over two-byte GBK
// characters as units, counted from the byte where the scan starts, so an occurrence can only
// begin where a character begins; a lead byte that is the last byte of the text ends a scan.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qm318 {

using TextPos = std::ptrdiff_t;
inline constexpr TextPos kNotFound = -1;
inline constexpr TextPos kWholeText = PTRDIFF_MAX;  // reverseFind's start when left out
inline constexpr TextPos kUnlimited = -1;           // replace's count when left out

// The placeholder that stands for one double quote in markers and patterns ("#引号" in GBK).
inline constexpr std::string_view kQuotePlaceholder = "#\xd2\xfd\xba\xc5";

// A stretch of a text by 0-based offset and byte length; length 0 is the empty text.
struct TextSpan {
    std::size_t offset = 0;
    std::size_t length = 0;
    bool operator==(const TextSpan&) const = default;
};

inline bool isGbkLeadByte(unsigned char byte) {
    return byte >= 0x80;
}

// First occurrence of part beginning at or after byte start (0 or 1: the first byte).
TextPos find(std::string_view text, std::string_view part, TextPos start = 0,
             bool ignoreCase = false);
// Last occurrence of part that ends before byte start (left out or past the end: whole text).
TextPos reverseFind(std::string_view text, std::string_view part, TextPos start = kWholeText,
                    bool ignoreCase = false);
bool contains(std::string_view text, std::string_view part, bool ignoreCase);
// Byte for byte, except that ASCII letters compare without regard to case.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

// Plain byte cuts: they may split a two-byte character.
std::string mid(std::string_view text, TextPos start, TextPos length);
std::string right(std::string_view text, TextPos count);

std::string replace(std::string_view text, std::string_view findText,
                    std::string_view replacement = {}, TextPos start = 1,
                    TextPos count = kUnlimited, bool caseSensitive = false);
// Occurrences compared exactly; an empty last piece is dropped, an empty first piece kept.
std::vector<TextSpan> splitSpans(std::string_view text, std::string_view separator);
std::vector<std::string> split(std::string_view text, std::string_view separator);
std::string upperCase(std::string_view text);

// Text between the first left marker found from start and the next right marker after it.
TextSpan textBetweenSpan(std::string_view text, std::string_view left, std::string_view right,
                         TextPos start = 0, bool ignoreCase = false);
std::string textBetween(std::string_view text, std::string_view left, std::string_view right,
                        TextPos start = 0, bool ignoreCase = false);
// Text after the last separator (position >= 0: the last one ending at least position bytes
// before the end), or after the first one at or after byte -position (position < 0).
std::string textAfterLast(std::string_view text, std::string_view separator, TextPos position = 0,
                          bool ignoreCase = false);
std::size_t countOccurrences(std::string_view text, std::string_view part,
                             bool caseSensitive = false);

struct Replacement {
    std::string_view findText;
    std::string_view replacement;
};
// Applies the replacements in a row, each to the result of the one before; count limits each.
std::string replaceMany(std::string_view text, std::initializer_list<Replacement> replacements,
                        std::optional<TextPos> count = std::nullopt, TextPos start = 0,
                        bool caseSensitive = false);

}  // namespace qm318

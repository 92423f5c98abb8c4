#include "text/gbk_text.h"

#include <algorithm>
#include <cstring>

#include "text/byte_scan.h"

namespace qm318 {
namespace {

constexpr std::size_t npos = std::string_view::npos;

unsigned char byteAt(std::string_view text, std::size_t i) {
    return static_cast<unsigned char>(text[i]);
}

unsigned char foldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

// Whether part occurs at text[pos]; the caller guarantees that it fits. Only single-byte
// characters of the part are folded, so the trail byte of a two-byte character compares exactly.
bool occursAt(std::string_view text, std::size_t pos, std::string_view part, bool ignoreCase) {
    if (!ignoreCase) return text.compare(pos, part.size(), part) == 0;
    for (std::size_t j = 0; j < part.size(); ++j) {
        const unsigned char want = byteAt(part, j);
        const unsigned char have = byteAt(text, pos + j);
        if (isGbkLeadByte(want)) {
            if (have != want) return false;
            if (++j < part.size() && byteAt(text, pos + j) != byteAt(part, j)) return false;
        } else if (foldAscii(have) != foldAscii(want)) {
            return false;
        }
    }
    return true;
}

// The byte, and its other letter case when it is an ASCII letter and case is ignored.
void caseVariants(unsigned char byte, bool ignoreCase, unsigned char variants[2]) {
    const bool letter = (byte | 0x20) >= 'a' && (byte | 0x20) <= 'z';
    variants[0] = letter && ignoreCase ? (byte | 0x20) : byte;
    variants[1] = letter && ignoreCase ? (byte & ~0x20) : byte;
}

// Whether the part's last byte is the second byte of a two-byte character of the part.
bool endsInTrailByte(std::string_view part) {
    std::size_t i = 0;
    while (i + 1 < part.size())
        i += isGbkLeadByte(byteAt(part, i)) ? 2 : 1;
    return i == part.size();
}

// 0-based position of the first occurrence of part that begins a character at or after byte
// `from`, characters counted from `from`. Candidates are the places where the part's first and
// last bytes both fit, found 16 bytes at a time. Whether a candidate begins a character follows
// from the bytes before it: the byte after any byte below 0x80 begins a character, so a candidate
// does when the run of bytes of 0x80 and above right before it (back to such a byte or to the
// last known character start) has even length.
std::size_t scanFor(std::string_view text, std::string_view part, std::size_t from,
                    bool ignoreCase) {
    const std::size_t n = text.size();
    if (from >= n) return npos;
    if (part.empty()) return isGbkLeadByte(byteAt(text, from)) && from + 1 == n ? npos : from;
    if (part.size() > n - from) return npos;
    const std::size_t distance = part.size() - 1;
    unsigned char first[2];
    unsigned char last[2];
    caseVariants(byteAt(part, 0), ignoreCase, first);
    // A trail byte is compared exactly, whatever the case flag.
    caseVariants(byteAt(part, distance), ignoreCase && !endsInTrailByte(part), last);
    const char* const begin = text.data();
    const char* const end = begin + (n - distance);
    std::size_t characterStart = from;  // a known character start at or before the candidate
    for (const char* at = findBytePair(begin + from, end, first, distance, last); at != end;
         at = findBytePair(at + 1, end, first, distance, last)) {
        const std::size_t p = std::size_t(at - begin);
        std::size_t runStart = p;
        while (runStart > characterStart && isGbkLeadByte(byteAt(text, runStart - 1)))
            --runStart;
        if ((p - runStart) % 2 != 0) {
            characterStart = p + 1;  // p is the second byte of a character
            continue;
        }
        // A lead byte with no second byte ends the scan.
        if (isGbkLeadByte(byteAt(text, p)) && p + 1 == n) return npos;
        if (occursAt(text, p, part, ignoreCase)) return p;
        characterStart = p;
    }
    return npos;
}

std::size_t firstByteIndex(TextPos start) {
    return start <= 1 ? 0 : std::size_t(start - 1);
}

// The marker with each "#引号" turned into a double quote.
std::string_view withQuotes(std::string_view marker, std::string& storage) {
    if (marker.find('#') == npos) return marker;
    storage = replace(marker, kQuotePlaceholder, "\"", 1, kUnlimited, true);
    return storage;
}

}  // namespace

TextPos find(std::string_view text, std::string_view part, TextPos start, bool ignoreCase) {
    const std::size_t from = firstByteIndex(start);
    if (from >= text.size()) return kNotFound;
    if (part.empty()) return 1;
    const std::size_t at = scanFor(text, part, from, ignoreCase);
    return at == npos ? kNotFound : TextPos(at + 1);
}

TextPos reverseFind(std::string_view text, std::string_view part, TextPos start, bool ignoreCase) {
    if (start <= 1) return kNotFound;
    // The occurrence must end at or before byte limit.
    const std::size_t limit = std::min<std::size_t>(text.size(), std::size_t(start - 1));
    if (limit == 0) return kNotFound;
    if (part.empty()) return 1;
    const std::string_view searched = text.substr(0, limit);
    TextPos last = kNotFound;
    for (std::size_t at = scanFor(searched, part, 0, ignoreCase); at != npos;
         at = scanFor(searched, part, at + (isGbkLeadByte(byteAt(searched, at)) ? 2 : 1),
                      ignoreCase)) {
        last = TextPos(at + 1);
    }
    return last;
}

bool contains(std::string_view text, std::string_view part, bool ignoreCase) {
    return find(text, part, 1, ignoreCase) != kNotFound;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return foldAscii(static_cast<unsigned char>(x)) ==
                      foldAscii(static_cast<unsigned char>(y));
           });
}

std::string mid(std::string_view text, TextPos start, TextPos length) {
    if (start < 1 || std::size_t(start) > text.size() || length <= 0) return {};
    return std::string(text.substr(std::size_t(start - 1), std::size_t(length)));
}

std::string right(std::string_view text, TextPos count) {
    if (count <= 0) return {};
    if (std::size_t(count) >= text.size()) return std::string(text);
    return std::string(text.substr(text.size() - std::size_t(count)));
}

std::string replace(std::string_view text, std::string_view findText, std::string_view replacement,
                    TextPos start, TextPos count, bool caseSensitive) {
    const std::size_t from = firstByteIndex(start);
    if (text.empty() || findText.empty() || from >= text.size() || count == 0) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    TextPos made = 0;
    // Occurrences never overlap and the replacement is never scanned again.
    for (std::size_t at = scanFor(text, findText, from, !caseSensitive); at != npos;
         at = scanFor(text, findText, copied, !caseSensitive)) {
        out.append(text.substr(copied, at - copied)).append(replacement);
        copied = at + findText.size();
        if (++made == count) break;
    }
    out.append(text.substr(copied));
    return out;
}

std::vector<TextSpan> splitSpans(std::string_view text, std::string_view separator) {
    std::vector<TextSpan> pieces;
    if (text.empty()) return pieces;
    if (separator.empty()) return {TextSpan{0, text.size()}};
    std::size_t pieceStart = 0;
    for (std::size_t at = scanFor(text, separator, 0, false); at != npos;
         at = scanFor(text, separator, pieceStart, false)) {
        pieces.push_back({pieceStart, at - pieceStart});
        pieceStart = at + separator.size();
    }
    if (pieceStart < text.size()) pieces.push_back({pieceStart, text.size() - pieceStart});
    return pieces;
}

std::vector<std::string> split(std::string_view text, std::string_view separator) {
    std::vector<std::string> pieces;
    for (const TextSpan& span : splitSpans(text, separator)) {
        pieces.emplace_back(text.substr(span.offset, span.length));
    }
    return pieces;
}

std::string upperCase(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const unsigned char c = byteAt(out, i);
        if (isGbkLeadByte(c)) {
            ++i;
        } else if (c >= 'a' && c <= 'z') {
            out[i] = char(c - ('a' - 'A'));
        }
    }
    return out;
}

TextSpan textBetweenSpan(std::string_view text, std::string_view left, std::string_view right,
                         TextPos start, bool ignoreCase) {
    std::string leftStorage;
    std::string rightStorage;
    const std::string_view leftMarker = withQuotes(left, leftStorage);
    const std::string_view rightMarker = withQuotes(right, rightStorage);
    const TextPos p = find(text, leftMarker, start, ignoreCase);
    if (p == kNotFound) return {};
    const TextPos v = p + TextPos(leftMarker.size());
    const TextPos q = find(text, rightMarker, v, ignoreCase);
    if (q == kNotFound || q <= v) return {};
    return {std::size_t(v - 1), std::size_t(q - v)};
}

std::string textBetween(std::string_view text, std::string_view left, std::string_view right,
                        TextPos start, bool ignoreCase) {
    const TextSpan span = textBetweenSpan(text, left, right, start, ignoreCase);
    return std::string(text.substr(span.offset, span.length));
}

std::string textAfterLast(std::string_view text, std::string_view separator, TextPos position,
                          bool ignoreCase) {
    const TextPos length = TextPos(text.size());
    // The most negative position has no positive counterpart; a start that far is past the end
    // of any text all the same.
    const TextPos p = position < 0
                          ? find(text, separator, -std::max(position, -kWholeText), ignoreCase)
                          : reverseFind(text, separator, length - position + 1, ignoreCase);
    if (p == kNotFound) return {};
    return right(text, length - TextPos(separator.size()) - p + 1);
}

std::size_t countOccurrences(std::string_view text, std::string_view part, bool caseSensitive) {
    if (text.empty() || part.empty()) return 0;
    std::size_t count = 0;
    for (TextPos p = find(text, part, 1, !caseSensitive); p != kNotFound;
         p = find(text, part, p + TextPos(part.size()), !caseSensitive)) {
        ++count;
    }
    return count;
}

std::string replaceMany(std::string_view text, std::initializer_list<Replacement> replacements,
                        std::optional<TextPos> count, TextPos start, bool caseSensitive) {
    std::string result(text);
    for (const Replacement& pair : replacements) {
        result = replace(result, pair.findText, pair.replacement, start == 0 ? 1 : start,
                         count.value_or(kUnlimited), caseSensitive);
    }
    return result;
}

}  // namespace qm318

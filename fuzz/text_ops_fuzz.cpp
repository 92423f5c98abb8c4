// The GBK text operations with texts, markers, positions, counts and case flags taken from the
// input. Searches are compared with a plain character-by-character scan written from the rules in
// gbk_text.h: an occurrence begins where a character begins, characters counted from the byte
// where the scan starts; a lead byte that is the scanned text's last byte ends the scan; ignoring
// case folds single-byte ASCII letters only. The other operations are checked against what those
// searches find.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "text/gbk_text.h"

namespace {

using namespace qm318;
using qm318::fuzz::literal;

constexpr std::size_t npos = std::string_view::npos;

bool leadAt(std::string_view text, std::size_t i) {
    return isGbkLeadByte(static_cast<unsigned char>(text[i]));
}

unsigned char fold(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte;
}

// Whether part occurs at byte pos of text. A two-byte character of the part compares exactly;
// its single bytes compare with ASCII letters folded when case is ignored.
bool occursAt(std::string_view text, std::size_t pos, std::string_view part, bool ignoreCase) {
    if (pos > text.size() || part.size() > text.size() - pos) return false;
    for (std::size_t j = 0; j < part.size(); ++j) {
        if (leadAt(part, j)) {
            // The part may end with the lead byte alone.
            const std::string_view character = part.substr(j, 2);
            if (text.substr(pos + j, character.size()) != character) return false;
            ++j;
        } else if (ignoreCase ? fold(text[pos + j]) != fold(part[j]) : text[pos + j] != part[j]) {
            return false;
        }
    }
    return true;
}

// 0-based start of the first occurrence at a character start at or after from, characters
// counted from from.
std::size_t firstOccurrence(std::string_view text, std::string_view part, std::size_t from,
                            bool ignoreCase) {
    for (std::size_t i = from; i < text.size(); i += leadAt(text, i) ? 2 : 1) {
        if (leadAt(text, i) && i + 1 == text.size()) break;
        if (occursAt(text, i, part, ignoreCase)) return i;
    }
    return npos;
}

// 0-based start of the last occurrence inside the first limit bytes, scanned from the first byte.
std::size_t lastOccurrence(std::string_view text, std::string_view part, std::size_t limit,
                           bool ignoreCase) {
    const std::string_view searched = text.substr(0, limit);
    std::size_t last = npos;
    for (std::size_t i = 0; i < searched.size(); i += leadAt(searched, i) ? 2 : 1) {
        if (leadAt(searched, i) && i + 1 == searched.size()) break;
        if (occursAt(searched, i, part, ignoreCase)) last = i;
    }
    return last;
}

TextPos toPos(std::size_t offset) {
    return offset == npos ? kNotFound : TextPos(offset + 1);
}

// The 0-based byte where a scan given a 1-based start begins (0, 1 and below: the first byte).
std::size_t fromOf(TextPos start) {
    return start <= 1 ? 0 : std::size_t(start - 1);
}

// Mostly positions around the text, now and then any value at all.
TextPos position(FuzzedDataProvider& input, std::size_t textSize) {
    if (input.ConsumeIntegralInRange(0, 7) == 0) return input.ConsumeIntegral<TextPos>();
    return input.ConsumeIntegralInRange<TextPos>(-3, TextPos(textSize) + 3);
}

TextPos countOf(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 5)) {
        case 0: return kUnlimited;
        case 1: return 0;
        case 2: return 1;
        case 3: return input.ConsumeIntegralInRange<TextPos>(kUnlimited, PTRDIFF_MAX);
        default: return input.ConsumeIntegralInRange<TextPos>(1, 4);
    }
}

struct Texts {
    std::string text;
    std::string part;
    std::string other;

    std::string describe() const {
        return "text " + literal(text) + "\npart " + literal(part) + "\nother " + literal(other);
    }
};

std::string with(const Texts& texts, const std::string& what) {
    return what + "\n" + texts.describe();
}

void checkFind(const Texts& t, FuzzedDataProvider& input) {
    const TextPos start = position(input, t.text.size());
    const bool ignoreCase = input.ConsumeBool();
    const TextPos found = find(t.text, t.part, start, ignoreCase);
    const TextPos last = reverseFind(t.text, t.part, start, ignoreCase);
    const bool contained = contains(t.text, t.part, ignoreCase);
    if (t.part.empty()) return;
    const std::size_t from = fromOf(start);
    const TextPos expected =
        toPos(from >= t.text.size() ? npos : firstOccurrence(t.text, t.part, from, ignoreCase));
    FUZZ_CHECK(found == expected,
               with(t, "find from " + std::to_string(start) + " gave " + std::to_string(found) +
                           ", expected " + std::to_string(expected)));
    const TextPos expectedLast =
        start <= 1 ? kNotFound
                   : toPos(lastOccurrence(t.text, t.part, std::size_t(start - 1), ignoreCase));
    FUZZ_CHECK(last == expectedLast,
               with(t, "reverseFind before " + std::to_string(start) + " gave " +
                           std::to_string(last) + ", expected " + std::to_string(expectedLast)));
    FUZZ_CHECK(contained == (firstOccurrence(t.text, t.part, 0, ignoreCase) != npos),
               with(t, "contains"));
}

void checkCompareAndCuts(const Texts& t, FuzzedDataProvider& input) {
    const bool equal = t.text.size() == t.part.size() &&
                       std::equal(t.text.begin(), t.text.end(), t.part.begin(),
                                  [](char a, char b) { return fold(a) == fold(b); });
    FUZZ_CHECK(equalsIgnoringAsciiCase(t.text, t.part) == equal,
               with(t, "equalsIgnoringAsciiCase"));

    const TextPos start = position(input, t.text.size());
    const TextPos length = position(input, t.text.size());
    const std::string piece = mid(t.text, start, length);
    const bool cut = start >= 1 && std::size_t(start) <= t.text.size() && length > 0;
    FUZZ_CHECK(piece == (cut ? t.text.substr(std::size_t(start - 1), std::size_t(length)) : ""),
               with(t, "mid " + std::to_string(start) + " " + std::to_string(length)));

    const TextPos count = position(input, t.text.size());
    const std::string tail = right(t.text, count);
    const std::size_t tailSize = count <= 0 ? 0 : std::min(std::size_t(count), t.text.size());
    FUZZ_CHECK(tail == t.text.substr(t.text.size() - tailSize),
               with(t, "right " + std::to_string(count)));

    // Only ASCII letters at character starts change.
    const std::string upper = upperCase(t.text);
    std::string expected = t.text;
    for (std::size_t i = 0; i < expected.size(); i += leadAt(expected, i) ? 2 : 1) {
        if (expected[i] >= 'a' && expected[i] <= 'z') expected[i] = char(expected[i] - 'a' + 'A');
    }
    FUZZ_CHECK(upper == expected, with(t, "upperCase gave " + literal(upper)));
}

void checkReplace(const Texts& t, FuzzedDataProvider& input) {
    const TextPos start = position(input, t.text.size());
    const TextPos count = countOf(input);
    const bool caseSensitive = input.ConsumeBool();
    const std::string result = replace(t.text, t.part, t.other, start, count, caseSensitive);
    const std::string what = "replace from " + std::to_string(start) + " count " +
                             std::to_string(count) + (caseSensitive ? " exactly" : "") + " gave " +
                             literal(result);

    // The first occurrence replaced is the one find gives from the same start.
    const std::size_t from = fromOf(start);
    const std::size_t first = t.part.empty() || from >= t.text.size()
                                  ? npos
                                  : firstOccurrence(t.text, t.part, from, !caseSensitive);
    if (count == 0 || first == npos) {
        FUZZ_CHECK(result == t.text, with(t, what));
    } else {
        const std::string head = t.text.substr(0, first) + t.other;
        FUZZ_CHECK(result.starts_with(head), with(t, what));
        if (count == 1) {
            FUZZ_CHECK(result == head + t.text.substr(first + t.part.size()), with(t, what));
        }
    }
    if (caseSensitive && t.other == t.part) FUZZ_CHECK(result == t.text, with(t, what));

    // Removing occurrences from the first byte on removes as many as countOccurrences counts.
    if (!t.part.empty()) {
        const std::string removed = replace(t.text, t.part, "", 1, count, caseSensitive);
        const std::size_t occurrences = countOccurrences(t.text, t.part, caseSensitive);
        std::size_t expected = 0;
        for (std::size_t at = firstOccurrence(t.text, t.part, 0, !caseSensitive); at != npos;
             at = firstOccurrence(t.text, t.part, at + t.part.size(), !caseSensitive)) {
            ++expected;
        }
        FUZZ_CHECK(occurrences == expected,
                   with(t, "countOccurrences " + std::to_string(occurrences) + ", expected " +
                               std::to_string(expected)));
        const std::size_t gone = t.text.size() - removed.size();
        const std::size_t limit = count < 0 ? expected : std::min(expected, std::size_t(count));
        FUZZ_CHECK(
            removed.size() <= t.text.size() && gone == limit * t.part.size(),
            with(t, "removing with count " + std::to_string(count) + " gave " + literal(removed)));
    }

    const std::string twice =
        replaceMany(t.text, {{t.part, t.other}, {t.other, t.part}}, count, start, caseSensitive);
    const std::string inTurn =
        replace(replace(t.text, t.part, t.other, start, count, caseSensitive), t.other, t.part,
                start, count, caseSensitive);
    FUZZ_CHECK(twice == inTurn,
               with(t, "replaceMany gave " + literal(twice) + ", replace " + literal(inTurn)));
}

void checkSplit(const Texts& t) {
    const std::string_view text = t.text;
    const std::string_view separator = t.part;
    const std::vector<TextSpan> spans = splitSpans(text, separator);
    const std::vector<std::string> pieces = split(text, separator);
    FUZZ_CHECK(pieces.size() == spans.size(), with(t, "split and splitSpans differ"));
    std::string joined;
    std::size_t pieceStart = 0;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const TextSpan span = spans[i];
        const std::string at = "piece " + std::to_string(i);
        FUZZ_CHECK(span.offset == pieceStart && span.length <= text.size() - span.offset,
                   with(t, at + " out of place"));
        FUZZ_CHECK(pieces[i] == text.substr(span.offset, span.length), with(t, at));
        if (i > 0) joined += separator;
        joined += pieces[i];
        if (separator.empty()) continue;
        // Each piece ends at the first separator after its start, the last one at the end.
        const std::size_t end = span.offset + span.length;
        const std::size_t next = firstOccurrence(text, separator, span.offset, false);
        if (i + 1 < spans.size() || end < text.size()) {
            FUZZ_CHECK(next == end, with(t, at + " does not end at a separator"));
            pieceStart = end + separator.size();
        } else {
            FUZZ_CHECK(next == npos, with(t, at + " holds a separator"));
        }
    }
    if (text.empty()) {
        FUZZ_CHECK(spans.empty(), with(t, "pieces of an empty text"));
    } else if (separator.empty()) {
        FUZZ_CHECK(spans.size() == 1 && pieces[0] == text, with(t, "empty separator"));
    } else {
        // Only an empty last piece is left out, so at most one separator follows the pieces.
        const std::size_t lastEnd = spans.back().offset + spans.back().length;
        FUZZ_CHECK(lastEnd == text.size() || lastEnd + separator.size() == text.size(),
                   with(t, "pieces do not reach the end"));
        if (lastEnd < text.size()) joined += separator;
        FUZZ_CHECK(joined == text, with(t, "joined pieces " + literal(joined)));
    }
}

void checkBetween(Texts t, FuzzedDataProvider& input) {
    // The quote placeholder in a marker stands for a double quote.
    if (input.ConsumeBool())
        t.part.insert(input.ConsumeIntegralInRange<std::size_t>(0, t.part.size()),
                      kQuotePlaceholder);
    if (input.ConsumeBool()) t.other += kQuotePlaceholder;
    const TextPos start = position(input, t.text.size());
    const bool ignoreCase = input.ConsumeBool();
    const TextSpan span = textBetweenSpan(t.text, t.part, t.other, start, ignoreCase);
    const std::string between = textBetween(t.text, t.part, t.other, start, ignoreCase);
    const std::string what = "between from " + std::to_string(start) + " gave " +
                             std::to_string(span.offset) + "+" + std::to_string(span.length);
    FUZZ_CHECK(span.offset <= t.text.size() && span.length <= t.text.size() - span.offset,
               with(t, what));
    FUZZ_CHECK(between == t.text.substr(span.offset, span.length), with(t, what));

    const std::string left = replace(t.part, kQuotePlaceholder, "\"", 1, kUnlimited, true);
    const std::string right = replace(t.other, kQuotePlaceholder, "\"", 1, kUnlimited, true);
    if (left.empty() || right.empty()) return;
    const std::size_t from = fromOf(start);
    const std::size_t p =
        from >= t.text.size() ? npos : firstOccurrence(t.text, left, from, ignoreCase);
    TextSpan expected;
    if (p != npos) {
        const std::size_t v = p + left.size();
        const std::size_t q = firstOccurrence(t.text, right, v, ignoreCase);
        if (q != npos && q > v) expected = {v, q - v};
    }
    FUZZ_CHECK(span == expected, with(t, what + ", expected " + std::to_string(expected.offset) +
                                             "+" + std::to_string(expected.length)));
}

void checkAfterLast(const Texts& t, FuzzedDataProvider& input) {
    const TextPos where = position(input, t.text.size());
    const bool ignoreCase = input.ConsumeBool();
    const std::string_view text = t.text;
    const std::string_view separator = t.part;
    const std::string after = textAfterLast(text, separator, where, ignoreCase);
    const std::string what = "textAfterLast " + std::to_string(where) + " gave " + literal(after);
    FUZZ_CHECK(text.ends_with(after), with(t, what));
    if (separator.empty()) return;
    std::size_t at = npos;
    if (where < 0) {
        // After the first separator at or after byte -where.
        const std::size_t from = std::size_t(-(where + 1));
        if (from < text.size()) at = firstOccurrence(text, separator, from, ignoreCase);
    } else if (std::size_t(where) < text.size()) {
        // After the last separator ending at least `where` bytes before the end.
        at = lastOccurrence(text, separator, text.size() - std::size_t(where), ignoreCase);
    }
    const std::string_view expected = at == npos ? "" : text.substr(at + separator.size());
    FUZZ_CHECK(after == expected, with(t, what + ", expected " + literal(expected)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    Texts texts;
    texts.text = input.ConsumeRandomLengthString();
    texts.part = input.ConsumeRandomLengthString(64);
    texts.other = input.ConsumeRandomLengthString(64);
    checkFind(texts, input);
    checkCompareAndCuts(texts, input);
    checkReplace(texts, input);
    checkSplit(texts);
    checkBetween(texts, input);
    checkAfterLast(texts, input);
    return 0;
}

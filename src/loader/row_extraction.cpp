#include "loader/row_extraction.h"

#include <optional>
#include <vector>

#include "text/byte_scan.h"

namespace qm318 {
namespace {

constexpr std::size_t kNoColumn = kColumnCount;

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

// Columns by the length of their key, so that a line's key is compared with a few keys only.
struct KeyIndex {
    std::vector<std::vector<std::size_t>> byLength;
    std::vector<std::size_t> prefixColumns;

    KeyIndex() {
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            const WeaponColumn& column = kWeaponColumns[c];
            if (column.keyPrefixMatch) {
                prefixColumns.push_back(c);
                continue;
            }
            if (byLength.size() <= column.key.size()) byLength.resize(column.key.size() + 1);
            byLength[column.key.size()].push_back(c);
        }
    }

    std::size_t columnOf(std::string_view key) const {
        if (key.size() >= byLength.size()) return kNoColumn;
        for (const std::size_t c : byLength[key.size()]) {
            if (equalsIgnoringAsciiCase(key, kWeaponColumns[c].key)) return c;
        }
        return kNoColumn;
    }
};

const KeyIndex& keyIndex() {
    static const KeyIndex index;
    return index;
}

// Whether a line that begins with " (" + key and ends with " )" also has room for the blank after
// the key (unless the key matches as a prefix) and at least one character of value.
bool longEnoughForKey(std::string_view line, std::size_t keyLength, bool prefix) {
    const std::size_t shortest = 2 + keyLength + (prefix ? 0 : 1) + 1 + 2;
    return line.size() >= shortest;
}

void takeKeyLine(const KeyIndex& index, std::string_view line,
                 std::array<std::optional<std::string_view>, kColumnCount>& lines,
                 std::size_t& missing) {
    if (line.size() < 5 || line[0] != ' ' || line[1] != '(' || !line.ends_with(" )")) return;
    const std::string_view afterParen = line.substr(2);
    const std::size_t blank = afterParen.find(' ');
    if (blank != std::string_view::npos) {
        const std::size_t c = index.columnOf(afterParen.substr(0, blank));
        if (c != kNoColumn && !lines[c] && longEnoughForKey(line, blank, false)) {
            lines[c] = line;
            --missing;
        }
    }
    for (const std::size_t c : index.prefixColumns) {
        const std::string_view key = kWeaponColumns[c].key;
        if (!lines[c] && afterParen.size() >= key.size() &&
            equalsIgnoringAsciiCase(afterParen.substr(0, key.size()), key) &&
            longEnoughForKey(line, key.size(), true)) {
            lines[c] = line;
            --missing;
        }
    }
}

TextSpan firstDigitRun(std::string_view line) {
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t begin = 0;
    while (begin < line.size() && !isDigit(line[begin]))
        ++begin;
    std::size_t end = begin;
    while (end < line.size() && isDigit(line[end]))
        ++end;
    return {begin, end - begin};
}

TextSpan offsetBy(TextSpan span, std::size_t offset) {
    return span.length == 0 ? TextSpan{} : TextSpan{span.offset + offset, span.length};
}

}  // namespace

TextSpan cutCell(std::string_view keyLine, const WeaponColumn& column) {
    switch (column.rule) {
        case CellRule::Quoted: return textBetweenSpan(keyLine, "\"", "\"");
        case CellRule::FirstDigits: return firstDigitRun(keyLine);
        case CellRule::BlankField: return textBetweenSpan(keyLine, " ", " ", column.ruleStart);
        case CellRule::UpToParen: return textBetweenSpan(keyLine, " ", ")", column.ruleStart);
    }
    return {};
}

CellSpans extractCells(std::string_view block) {
    std::array<std::optional<std::string_view>, kColumnCount> lines;
    std::size_t missing = kColumnCount;
    const KeyIndex& index = keyIndex();
    const char* const end = block.data() + block.size();
    for (const char* line = block.data(); missing > 0; ++line) {
        const char* const lineEnd = findLineBreak(line, end);
        takeKeyLine(index, std::string_view(line, std::size_t(lineEnd - line)), lines, missing);
        if (lineEnd == end) break;
        line = lineEnd;
    }
    CellSpans cells{};
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        if (!lines[c]) continue;
        const std::size_t lineOffset = std::size_t(lines[c]->data() - block.data());
        cells[c] = offsetBy(cutCell(*lines[c], kWeaponColumns[c]), lineOffset);
    }
    return cells;
}

std::array<std::string, kColumnCount> MatcherRowExtractor::extract(std::string_view block) {
    std::array<std::string, kColumnCount> cells;
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        PatternMatcher& matcher = matchers_[c];
        matcher.execute(linePatternOf(kWeaponColumns[c]), block, false, true, true, false);
        if (c == kColumnIndex) {
            matcher.execute("[0-9]+", matcher.matchText(1), false, true, true, false);
        }
    }
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        const std::string line = matchers_[c].matchText(1);
        if (c == kColumnIndex) {
            cells[c] = line;
        } else {
            const TextSpan span = cutCell(line, kWeaponColumns[c]);
            cells[c] = line.substr(span.offset, span.length);
        }
    }
    return cells;
}

}  // namespace qm318

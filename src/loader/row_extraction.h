#pragma once
// Cutting the 32 cells of one weapon row out of its weapon block.
//
// A column's key line is the first line of the block that reads: a blank, "(", the key in any
// ASCII letter case, a blank, at least one character, a blank and ")" at the very end of the line.
// Lines end at every CR and every LF and at the end of the block. Column 26 also takes a line
// whose key merely begins with its own key. The cell is then cut out of that line by the column's
// rule.

#include <array>
#include <string>
#include <string_view>

#include "model/weapon_columns.h"
#include "pattern/pattern_matcher.h"
#include "text/gbk_text.h"

namespace qm318 {

using CellSpans = std::array<TextSpan, kColumnCount>;  // relative to the block

// One pass over the block's lines.
CellSpans extractCells(std::string_view block);

// The cell cut out of a key line by the column's rule.
TextSpan cutCell(std::string_view keyLine, const WeaponColumn& column);

// The same cells found with one regular expression per column: the straightforward reading of the
// rules, kept to check the one-pass extraction against.
class MatcherRowExtractor {
public:
    std::array<std::string, kColumnCount> extract(std::string_view block);

private:
    std::array<PatternMatcher, kColumnCount> matchers_;
};

}  // namespace qm318

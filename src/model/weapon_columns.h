#pragma once
// The 32 columns of a weapon row: the single description used by the loader, the window's table
// headers and the command line.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace qm318 {

inline constexpr std::size_t kColumnCount = 32;

enum class Alignment { Left, Centre };

// How a cell is cut out of its key line.
enum class CellRule {
    Quoted,       // between the first double quote and the next one
    FirstDigits,  // the first run of ASCII digits
    BlankField,   // after the blank found from ruleStart, up to the next blank
    UpToParen,    // after the blank found from ruleStart, up to the next ")"
};

struct WeaponColumn {
    std::string_view titleUtf8;  // display text, UTF-8
    int width;                   // pixels
    Alignment alignment;
    std::string_view key;  // the data file's key, ASCII
    CellRule rule;
    int ruleStart;  // 1-based position where BlankField and UpToParen look for the blank
    // The key line also matches when its key only begins with `key` (no blank required after it).
    bool keyPrefixMatch;
};

extern const std::array<WeaponColumn, kColumnCount> kWeaponColumns;

// Column numbers that other parts of the tool name.
enum Column : std::size_t {
    kColumnName = 0,
    kColumnIndex = 1,
    kColumnClass = 2,
    kColumnPvModel = 12,
};

// The regular expression that finds a column's key line in a weapon block.
std::string linePatternOf(const WeaponColumn& column);

}  // namespace qm318

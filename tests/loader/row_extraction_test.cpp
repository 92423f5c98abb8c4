#include "loader/row_extraction.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace qm318 {
namespace {

std::array<std::string, kColumnCount> fastCells(std::string_view block) {
    const CellSpans spans = extractCells(block);
    std::array<std::string, kColumnCount> cells;
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        cells[c] = std::string(block.substr(spans[c].offset, spans[c].length));
    }
    return cells;
}

struct Case {
    const char* name;
    std::string block;
    std::size_t column;
    std::string expected;
};

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"quoted value", " (WeaponName \"BY\xa3\xba\" )\r\n", 0, "BY\xa3\xba"},
        {"index digits", " (WeaponIndex 12 )\r\n", 1, "12"},
        {"blank field", " (WeaponClass 3 )\r\n", 2, "3"},
        {"up to paren keeps blank", " (LinkWeaponIndex 12 )\r\n", 7, "12 "},
        {"missing key", " (WeaponName \"a\" )\r\n", 2, ""},
        {"tab indent", "\t(WeaponClass 3 )\r\n", 2, ""},
        {"two leading blanks", "  (WeaponClass 3 )\r\n", 2, ""},
        {"text after paren", " (WeaponClass 3 ) x\r\n", 2, ""},
        {"no blank before paren", " (WeaponClass 3)\r\n", 2, ""},
        {"other letter case", " (weaponclass 3 )\r\n", 2, "3"},
        {"upper line wins", " (WeaponClass 3 )\r\n (WeaponClass 4 )\r\n", 2, "3"},
        {"first digit run", " (WeaponIndex -1 )\r\n", 1, "1"},
        {"value needed", " (WeaponIndex )\r\n", 1, ""},
        {"two blanks after key", " (WeaponClass  3 )\r\n", 2, ""},
        {"mode check pair", " (LinkWeaponModeCheck1 1 0 )\r\n", 9, "1 0 "},
        {"unquoted name", " (WeaponName M4A1 )\r\n", 0, ""},
        {"one quote only", " (WeaponName \"M4A1 )\r\n", 0, ""},
        {"longer key only for column 26",
         " (WLeftHandChangeModelFileNameEx \"x\" )\r\n (WLeftHandChangeModelFileName \"y\" )\r\n",
         26, "x"},
        {"longer key not for column 25", " (LeftHandChangeModelFileNameEx \"x\" )\r\n", 25, ""},
        {"key that is a prefix of another", " (PViewSkinFileName2 \"b\" )\r\n", 13, ""},
        {"lone CR ends a line", " (WeaponClass 3 )\r (Damage 1 )\r\n", 2, "3"},
        {"LF line breaks", " (WeaponClass 3 )\n", 2, "3"},
        {"end of block ends a line", " (WeaponClass 3 )", 2, "3"},
        {"a quote after a lead byte is part of its character", " (WeaponName \"\xb0\x22\" )\r\n", 0,
         "\xb0\x22"},
    };
    return all;
}

TEST(ExtractCells, CutsEachColumnByItsRule) {
    for (const Case& c : cases()) {
        EXPECT_EQ(fastCells(c.block)[c.column], c.expected) << c.name;
    }
}

TEST(ExtractCells, AgreesWithOneRegularExpressionPerColumnOnTheCases) {
    MatcherRowExtractor reference;
    for (const Case& c : cases()) {
        EXPECT_EQ(fastCells(c.block), reference.extract(c.block)) << c.name;
    }
}

// Random blocks built from key lines in many shapes: the one-pass extraction must give what the
// regular expressions give on every one of them.
TEST(ExtractCells, AgreesWithOneRegularExpressionPerColumnOnRandomBlocks) {
    std::mt19937 random(318);
    const auto pick = [&](const std::vector<std::string>& from) {
        return from[random() % from.size()];
    };
    const std::vector<std::string> indents = {" ", " ", " ", "  ", "\t", ""};
    const std::vector<std::string> opens = {"(", "(", "(", "( ", "["};
    const std::vector<std::string> values = {"\"a b\"",
                                             "12",
                                             "-1",
                                             "1 0",
                                             "\"\"",
                                             "\"x",
                                             "",
                                             " ",
                                             "\"\xba\xda \xbd\xf0\"",
                                             "\xb0\x22 \"q\"",
                                             "\xff\x81",
                                             "7)",
                                             "\"a\" \"b\"",
                                             "3 )",
                                             "\x81"};
    const std::vector<std::string> closes = {" )", " )", " )", ")", " ) x", "  )", " )\r"};
    const std::vector<std::string> breaks = {"\r\n", "\r\n", "\n", "\r", "\r\r\n"};
    std::vector<std::string> keys;
    for (const WeaponColumn& column : kWeaponColumns)
        keys.emplace_back(column.key);
    keys.insert(keys.end(), {"WLeftHandChangeModelFileNameX", "Damage", "WEAPONNAME", "weaponindex",
                             "WeaponNameX", ""});

    MatcherRowExtractor reference;
    for (int round = 0; round < 400; ++round) {
        std::string block;
        const int lines = int(random() % 40);
        for (int i = 0; i < lines; ++i) {
            block += pick(indents) + pick(opens) + pick(keys) + " " + pick(values) + pick(closes) +
                     pick(breaks);
        }
        if (random() % 4 == 0 && !block.empty()) block.pop_back();
        ASSERT_EQ(fastCells(block), reference.extract(block)) << ::testing::PrintToString(block);
    }
}

}  // namespace
}  // namespace qm318

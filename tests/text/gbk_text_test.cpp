#include "text/gbk_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace qm318 {
namespace {

// GBK characters used below. Several have a trail byte with the value of an ASCII character, which
// a byte-wise scan would wrongly treat as a character of its own.
constexpr const char* kDu = "\xb6\xc1";              // 读
constexpr const char* kQu = "\xc8\xa1";              // 取
constexpr const char* kTrailA = "\xb0\x61";          // 癮 (trail byte is 'a')
constexpr const char* kTrailBackslash = "\xb0\x5c";  // 癨 (trail byte is '\')
constexpr const char* kTrailBar = "\xb0\x7c";        // 皘 (trail byte is '|')
constexpr const char* kQuote = "#\xd2\xfd\xba\xc5";  // #引号

std::string cat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view part : parts)
        out += part;
    return out;
}

// ---------------------------------------------------------------------------------------------
// find / contains

struct FindCase {
    const char* name;
    std::string text;
    std::string part;
    TextPos start;
    bool ignoreCase;
    TextPos expected;
};

TEST(GbkFind, PositionsStartsAndCase) {
    const std::vector<FindCase> cases = {
        {"occurrence begins before start", "xxab", "ab", 4, false, kNotFound},
        {"occurrence begins at start", "xxab", "ab", 3, false, 3},
        {"start 0 is the first byte", "xxab", "ab", 0, false, 3},
        {"start 1 is the first byte", "xxab", "ab", 1, false, 3},
        {"negative start is the first byte", "xxab", "ab", -7, false, 3},
        {"start at the last byte", "xxab", "b", 4, false, 4},
        {"start past the end", "xxab", "b", 5, false, kNotFound},
        {"first of several", "abab", "ab", 1, false, 1},
        {"missing part", "abc", "d", 1, false, kNotFound},
        {"part longer than text", "ab", "abc", 1, false, kNotFound},
        {"empty text", "", "a", 1, false, kNotFound},
        {"empty part in non-empty stretch", "abc", "", 3, false, 1},
        {"empty part past the end", "abc", "", 4, false, kNotFound},
        {"empty part in empty text", "", "", 1, false, kNotFound},
        {"exact compare misses other case", "weapon", "WEAP", 1, false, kNotFound},
        {"ignoring case finds upper-case part", "weapon", "WEAP", 1, true, 1},
        {"ignoring case finds lower-case part", "xWEAPON", "weapon", 1, true, 2},
        {"two-byte part", cat({kDu, kQu}), kQu, 1, false, 3},
        {"mixed part", cat({"ab", kDu, "c"}), cat({kDu, "c"}), 1, false, 3},
        // The trail byte 'a' of a two-byte character is never the start of an occurrence.
        {"trail byte is not a character", cat({kTrailA, "x"}), "a", 1, false, kNotFound},
        {"trail byte ignoring case", cat({kTrailA, "x"}), "A", 1, true, kNotFound},
        {"trail byte then real letter", cat({kTrailA, "a"}), "a", 1, false, 3},
        {"part spanning trail byte", cat({kTrailA, "b"}), "ab", 1, true, kNotFound},
        // Characters are counted from where the scan starts, so starting on a trail byte treats
        // it as a character of its own.
        {"scan starting at a trail byte", cat({kTrailA, "b"}), "ab", 2, false, 2},
        // The trail byte of a two-byte character in the part compares exactly.
        {"two-byte trail byte compares exactly", kTrailA, "\xb0\x41", 1, true, kNotFound},
        // A lead byte with no second byte ends the scan.
        {"lone lead byte at the end", "a\xb0", "\xb0", 1, false, kNotFound},
        {"part past a lone lead byte", "a\xb0", "\xb0\xa1", 1, false, kNotFound},
        {"before a lone lead byte", "ab\xb0", "b", 1, false, 2},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(find(c.text, c.part, c.start, c.ignoreCase), c.expected);
    }
}

TEST(GbkFind, StartLeftOutSearchesWholeTextExactly) {
    EXPECT_EQ(find("xxab", "ab"), 3);
    EXPECT_EQ(find("xxAB", "ab"), kNotFound);
}

TEST(GbkContains, FollowsFindFromFirstByte) {
    EXPECT_TRUE(contains("AK47-Knife", "knife", true));
    EXPECT_FALSE(contains("AK47-Knife", "knife", false));
    EXPECT_TRUE(contains(cat({"M4", kDu}), kDu, false));
    EXPECT_FALSE(contains(cat({kTrailA, "x"}), "ax", false));
    EXPECT_FALSE(contains("", "a", true));
}

// ---------------------------------------------------------------------------------------------
// reverseFind

// Same shape as the find cases: a text, a part, a start, the case flag and the position found.
using ReverseFindCase = FindCase;

TEST(GbkReverseFind, LastOccurrenceEndingBeforeStart) {
    const std::vector<ReverseFindCase> cases = {
        {"start one past the end", "abcabc", "abc", 7, false, 4},
        {"start far past the end", "abcabc", "abc", 100, false, 4},
        {"second occurrence ends at start", "abcabc", "abc", 6, false, 1},
        {"start 1", "abcabc", "abc", 1, false, kNotFound},
        {"start 0", "abcabc", "abc", 0, false, kNotFound},
        {"negative start", "abcabc", "abc", -3, false, kNotFound},
        {"missing part", "abcabc", "x", 7, false, kNotFound},
        {"overlapping occurrences", "aaa", "aa", kWholeText, false, 2},
        {"overlapping longer part", "ababa", "aba", kWholeText, false, 3},
        {"empty part", "abc", "", kWholeText, false, 1},
        {"empty part, empty stretch", "abc", "", 1, false, kNotFound},
        {"empty text", "", "a", kWholeText, false, kNotFound},
        {"exact compare", "ABCabc", "ABC", kWholeText, false, 1},
        {"ignoring case", "ABCabc", "ABC", kWholeText, true, 4},
        {"two-byte characters", cat({kDu, "x", kDu}), kDu, kWholeText, false, 4},
        // The trail byte 'a' of the last character is not an occurrence.
        {"trail byte is not a character", cat({"a", kTrailA}), "a", kWholeText, false, 1},
        {"trail byte backslash", cat({"a\\b", kTrailBackslash}), "\\", kWholeText, false, 2},
    };
    for (const ReverseFindCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(reverseFind(c.text, c.part, c.start, c.ignoreCase), c.expected);
    }
}

TEST(GbkReverseFind, StartLeftOutSearchesWholeText) {
    EXPECT_EQ(reverseFind("abcabc", "abc"), 4);
    EXPECT_EQ(reverseFind("abcABC", "abc"), 1);
}

// ---------------------------------------------------------------------------------------------
// mid / right

TEST(GbkMidRight, PlainByteCuts) {
    struct MidCase {
        TextPos start;
        TextPos length;
        std::string expected;
    };
    const std::vector<MidCase> midCases = {
        {4, 10, "de"}, {2, 3, "bcd"}, {5, 1, "e"}, {1, 5, "abcde"}, {0, 2, ""},
        {-1, 2, ""},   {6, 1, ""},    {1, 0, ""},  {1, -1, ""},
    };
    for (const MidCase& c : midCases) {
        SCOPED_TRACE(testing::Message() << "mid start " << c.start << " length " << c.length);
        EXPECT_EQ(mid("abcde", c.start, c.length), c.expected);
    }

    struct RightCase {
        TextPos count;
        std::string expected;
    };
    const std::vector<RightCase> rightCases = {
        {2, "de"}, {5, "abcde"}, {9, "abcde"}, {0, ""}, {-1, ""},
    };
    for (const RightCase& c : rightCases) {
        SCOPED_TRACE(testing::Message() << "right count " << c.count);
        EXPECT_EQ(right("abcde", c.count), c.expected);
    }
    EXPECT_EQ(right("", 3), "");
}

TEST(GbkMidRight, CanCutTwoByteCharacters) {
    const std::string text = cat({kDu, kQu});  // 读取
    EXPECT_EQ(mid(text, 2, 2), "\xc1\xc8");
    EXPECT_EQ(right(text, 1), "\xa1");
    EXPECT_EQ(right(text, 3), "\xc1\xc8\xa1");
}

// ---------------------------------------------------------------------------------------------
// replace

struct ReplaceCase {
    const char* name;
    std::string text;
    std::string findText;
    std::string replacement;
    TextPos start;
    TextPos count;
    bool caseSensitive;
    std::string expected;
};

TEST(GbkReplace, StartCountAndCase) {
    const std::vector<ReplaceCase> cases = {
        {"all occurrences", "a-b-c", "-", "+", 1, kUnlimited, true, "a+b+c"},
        {"count 1", "a-b-c", "-", "+", 1, 1, true, "a+b-c"},
        {"count 2 of 3", "-a-b-", "-", "", 1, 2, true, "ab-"},
        {"count larger than occurrences", "a-b", "-", "+", 1, 5, true, "a+b"},
        {"bytes before start kept", "-a-b-", "-", "", 3, kUnlimited, true, "-ab"},
        {"start and count", "-a-b-c-", "-", "", 3, 1, true, "-ab-c-"},
        {"start 0 is the first byte", "-a-", "-", "", 0, kUnlimited, true, "a"},
        {"negative start is the first byte", "-a-", "-", "", -4, kUnlimited, true, "a"},
        {"start at the last byte", "abc", "c", "X", 3, kUnlimited, true, "abX"},
        {"start past the end", "abc", "c", "X", 4, kUnlimited, true, "abc"},
        {"count 0", "a-b", "-", "+", 1, 0, true, "a-b"},
        {"empty text", "", "-", "+", 1, kUnlimited, true, ""},
        {"empty find text", "a-b", "", "+", 1, kUnlimited, true, "a-b"},
        {"no occurrence", "abc", "x", "+", 1, kUnlimited, true, "abc"},
        {"case-sensitive", "aAa", "a", "x", 1, kUnlimited, true, "xAx"},
        {"ignoring case", "aAa", "a", "x", 1, kUnlimited, false, "xxx"},
        {"occurrences do not overlap", "aaa", "aa", "x", 1, kUnlimited, true, "xa"},
        {"replacement is not scanned again", "aaa", "a", "aa", 1, kUnlimited, true, "aaaaaa"},
        {"longer find text", "(Weapon \r\n", "Weapon \r\n", "W", 1, kUnlimited, true, "(W"},
        {"two-byte find text", cat({kDu, kQu, kDu}), kDu, "\xd0\xb4", 1, kUnlimited, true,
         cat({"\xd0\xb4", kQu, "\xd0\xb4"})},  // 读取读 -> 写取写
        {"trail byte untouched", cat({kTrailA, "a"}), "a", "x", 1, kUnlimited, true,
         cat({kTrailA, "x"})},
        {"trail byte untouched ignoring case", cat({kTrailA, "A"}), "a", "x", 1, kUnlimited, false,
         cat({kTrailA, "x"})},
        {"start on a trail byte", kTrailA, "a", "x", 2, kUnlimited, true, "\xb0x"},
        {"lone lead byte ends the scan", "a\xb0", "\xb0", "x", 1, kUnlimited, true, "a\xb0"},
        {"lone lead byte kept", "aa\xb0", "a", "x", 1, kUnlimited, true, "xx\xb0"},
    };
    for (const ReplaceCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(replace(c.text, c.findText, c.replacement, c.start, c.count, c.caseSensitive),
                  c.expected);
    }
}

// ---------------------------------------------------------------------------------------------
// split / splitSpans

struct SplitCase {
    const char* name;
    std::string text;
    std::string separator;
    std::vector<std::string> expected;
};

TEST(GbkSplit, PiecesBetweenSeparators) {
    const std::vector<SplitCase> cases = {
        {"empty first and middle pieces", "|a||b|", "|", {"", "a", "", "b"}},
        {"no separator in text", "abc", "|", {"abc"}},
        {"text is the separator", "|", "|", {""}},
        {"empty separator", "a|b", "", {"a|b"}},
        {"empty text", "", "|", {}},
        {"multi-byte separator", "a\r\nb\r\n\r\nc", "\r\n", {"a", "b", "", "c"}},
        {"exact comparison", "aXbxc", "x", {"aXb", "c"}},
        {"two-byte separator", cat({"a", kDu, "b", kDu}), kDu, {"a", "b"}},
        {"trail byte is not a separator",
         cat({"x", kTrailBar, "y|z"}),
         "|",
         {cat({"x", kTrailBar, "y"}), "z"}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(split(c.text, c.separator), c.expected);
    }
}

TEST(GbkSplit, SpansGiveOffsetsAndLengths) {
    const std::vector<TextSpan> expected = {{0, 0}, {1, 1}, {3, 0}, {4, 1}};
    EXPECT_EQ(splitSpans("|a||b|", "|"), expected);
    const std::vector<TextSpan> separatorPair = {{0, 1}, {3, 2}};
    EXPECT_EQ(splitSpans("a\r\nbc", "\r\n"), separatorPair);
    EXPECT_TRUE(splitSpans("", "|").empty());
}

// ---------------------------------------------------------------------------------------------
// upperCase

TEST(GbkUpperCase, AsciiLettersOnly) {
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"ascii", "ak47_Mz-09", "AK47_MZ-09"},
        {"empty", "", ""},
        {"two-byte characters unchanged", cat({kDu, "m", kQu}), cat({kDu, "M", kQu})},
        // 0xB0 0x61: the trail byte has the value of 'a' and must stay as it is.
        {"trail byte with letter value", cat({kTrailA, "a"}), cat({kTrailA, "A"})},
        {"lone lead byte at the end", "a\xb0", "A\xb0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(upperCase(c.text), c.expected);
    }
}

// ---------------------------------------------------------------------------------------------
// textBetween / textBetweenSpan

struct BetweenCase {
    const char* name;
    std::string text;
    std::string left;
    std::string right;
    TextPos start;
    bool ignoreCase;
    std::string expected;
};

TEST(GbkTextBetween, MarkersStartAndCase) {
    const std::vector<BetweenCase> cases = {
        {"quoted value", "Name \"AK47-Knife\"\r\n", kQuote, kQuote, 0, false, "AK47-Knife"},
        {"closing quote missing", "Name \"AK47\r\n", kQuote, kQuote, 0, false, ""},
        {"placeholder inside a longer marker", "(Name \"M4A1\")", cat({"Name ", kQuote}),
         cat({kQuote, ")"}), 0, false, "M4A1"},
        {"plain markers", "(Index 12)", "(Index ", ")", 0, false, "12"},
        {"two-byte value", cat({"[", kDu, kQu, "]"}), "[", "]", 0, false, cat({kDu, kQu})},
        {"left marker missing", "abc)", "(", ")", 0, false, ""},
        {"right marker missing", "(abc", "(", ")", 0, false, ""},
        {"markers adjacent", "()", "(", ")", 0, false, ""},
        {"right marker searched after left", ")x(y)", "(", ")", 0, false, "y"},
        {"same marker both sides", "|a|b|", "|", "|", 0, false, "a"},
        {"start skips first left marker", "[a][b]", "[", "]", 2, false, "b"},
        {"start at left marker", "[a][b]", "[", "]", 4, false, "b"},
        {"start past last left marker", "[a][b]", "[", "]", 5, false, ""},
        {"exact compare", "KEY=v;", "key=", ";", 0, false, ""},
        {"ignoring case", "KEY=v;", "key=", ";", 0, true, "v"},
        {"marker trail byte not matched", cat({kTrailA, "b(c)"}), "a", ")", 0, false, ""},
    };
    for (const BetweenCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(textBetween(c.text, c.left, c.right, c.start, c.ignoreCase), c.expected);
    }
}

TEST(GbkTextBetween, SpanPointsIntoText) {
    EXPECT_EQ(textBetweenSpan("ab(cd)e", "(", ")"), (TextSpan{3, 2}));
    EXPECT_EQ(textBetweenSpan("x \"v\"", kQuote, kQuote), (TextSpan{3, 1}));
    EXPECT_EQ(textBetweenSpan("ab(cd", "(", ")").length, 0u);
    EXPECT_EQ(textBetweenSpan("ab()", "(", ")").length, 0u);
}

// ---------------------------------------------------------------------------------------------
// textAfterLast

struct AfterLastCase {
    const char* name;
    std::string text;
    std::string separator;
    TextPos position;
    bool ignoreCase;
    std::string expected;
};

TEST(GbkTextAfterLast, SeparatorChosenByPosition) {
    const std::string path = "a\\b\\c.ltb";  // 9 bytes, backslashes at bytes 2 and 4
    const std::vector<AfterLastCase> cases = {
        {"last backslash", path, "\\", 0, false, "c.ltb"},
        {"no separator", "c.ltb", "\\", 0, false, ""},
        {"separator at the end", "a\\", "\\", 0, false, ""},
        {"empty text", "", "\\", 0, false, ""},
        {"first at or after byte 1", path, "\\", -1, false, "b\\c.ltb"},
        {"first at or after byte 3", path, "\\", -3, false, "c.ltb"},
        {"first at or after byte 5", path, "\\", -5, false, ""},
        {"position 5 still reaches byte 4", path, "\\", 5, false, "c.ltb"},
        {"position 6 reaches byte 2 only", path, "\\", 6, false, "b\\c.ltb"},
        {"position past the text", path, "\\", 10, false, ""},
        {"longer separator", "a--b--c", "--", 0, false, "c"},
        {"exact compare", "aSEPbsepc", "SEP", 0, false, "bsepc"},
        {"ignoring case", "aSEPbsepc", "SEP", 0, true, "c"},
        // 0xB0 0x5C ends in the byte of '\' but is one character, not a separator.
        {"trail byte is not a separator", cat({"M\\", kTrailBackslash, ".ltb"}), "\\", 0, true,
         cat({kTrailBackslash, ".ltb"})},
        {"two-byte file name", cat({"M\\", kDu, kQu, ".dtx"}), "\\", 0, true,
         cat({kDu, kQu, ".dtx"})},
    };
    for (const AfterLastCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(textAfterLast(c.text, c.separator, c.position, c.ignoreCase), c.expected);
    }
}

TEST(GbkTextAfterLast, PositionsAtTheEndsOfTheirRange) {
    // The most negative position has no positive counterpart to start a search from.
    const std::string path = "a\\b\\c.ltb";
    const std::vector<AfterLastCase> cases = {
        {"most negative position", path, "\\", PTRDIFF_MIN, false, ""},
        {"one above the most negative", path, "\\", PTRDIFF_MIN + 1, false, ""},
        {"largest position", path, "\\", PTRDIFF_MAX, false, ""},
    };
    for (const AfterLastCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(textAfterLast(c.text, c.separator, c.position, c.ignoreCase), c.expected);
    }
}

// ---------------------------------------------------------------------------------------------
// countOccurrences

TEST(GbkCountOccurrences, NonOverlappingLeftToRight) {
    struct Case {
        const char* name;
        std::string text;
        std::string part;
        bool caseSensitive;
        std::size_t expected;
    };
    const std::string heads = "(Weapon \r\nx\r\n(weapon \r\n(Weapon \r\n";
    const std::vector<Case> cases = {
        {"non-overlapping", "aaaa", "aa", false, 2},
        {"odd length run", "aaaaa", "aa", false, 2},
        {"empty text", "", "a", false, 0},
        {"empty part", "abc", "", false, 0},
        {"missing", "abc", "d", false, 0},
        {"record heads ignoring case", heads, "(Weapon \r\n", false, 3},
        {"record heads exactly", heads, "(Weapon \r\n", true, 2},
        {"trail bytes not counted", cat({kTrailA, kTrailA, "a"}), "a", false, 1},
        {"two-byte part", cat({kDu, "x", kDu, kDu}), kDu, false, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(countOccurrences(c.text, c.part, c.caseSensitive), c.expected);
    }
}

TEST(GbkCountOccurrences, IgnoresCaseByDefault) {
    EXPECT_EQ(countOccurrences("aAa", "a"), 3u);
}

// ---------------------------------------------------------------------------------------------
// replaceMany

TEST(GbkReplaceMany, PairsInARow) {
    // Removing the first backslash of a path, as the export does.
    EXPECT_EQ(replaceMany("\\x\\y", {{"\\", ""}}, 1), "x\\y");
    EXPECT_EQ(replaceMany("\\x\\y", {{"\\", ""}}), "xy");

    // A later pair sees what the earlier ones produced.
    EXPECT_EQ(replaceMany("abc", {{"a", "b"}, {"b", "c"}}), "ccc");
    EXPECT_EQ(replaceMany("abc", {{"b", "c"}, {"a", "b"}}), "bcc");
    // The count limits every pair on its own.
    EXPECT_EQ(replaceMany("aabb", {{"a", "x"}, {"b", "y"}}, 1), "xayb");
    EXPECT_EQ(replaceMany("a", {{"a", "b"}, {"b", "c"}, {"c", "d"}, {"d", "e"}, {"e", "f"}}), "f");
    // A pair with an empty find text changes nothing.
    EXPECT_EQ(replaceMany("abc", {{"", "x"}, {"c", "d"}}), "abd");
    EXPECT_EQ(replaceMany("abc", {}), "abc");
}

TEST(GbkReplaceMany, StartAndCase) {
    EXPECT_EQ(replaceMany("aXaXa", {{"a", ""}}, std::nullopt, 2), "aXX");
    EXPECT_EQ(replaceMany("aXaXa", {{"a", ""}}, std::nullopt, 0), "XX");
    EXPECT_EQ(replaceMany("aXaXa", {{"a", ""}}, std::nullopt, 1), "XX");
    EXPECT_EQ(replaceMany("aXaXa", {{"x", "-"}}, 1, 3), "aXa-a");
    EXPECT_EQ(replaceMany("AaA", {{"a", ""}}), "");
    EXPECT_EQ(replaceMany("AaA", {{"a", ""}}, std::nullopt, 0, true), "AA");
    EXPECT_EQ(replaceMany(cat({kTrailA, "a"}), {{"A", "b"}}), cat({kTrailA, "b"}));
}

}  // namespace
}  // namespace qm318

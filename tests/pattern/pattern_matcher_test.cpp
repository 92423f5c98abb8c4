#include "pattern/pattern_matcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm318 {
namespace {

const std::string kBlock =
    " (WeaponName \"AK47\" )\r\n (WeaponIndex 12 )\r\n (weaponindex 13 )\r\n (Damage 35 )\r\n";

// Every match of a run as (0-based byte offset, text).
std::vector<std::pair<TextPos, std::string>> allMatches(const PatternMatcher& matcher) {
    std::vector<std::pair<TextPos, std::string>> found;
    for (int i = 1; i <= matcher.matchCount(); ++i) {
        TextPos position = -1;
        std::string text = matcher.matchText(i, &position);
        found.emplace_back(position, std::move(text));
    }
    return found;
}

TEST(PatternMatcher, KeyLineOfACrLfBlockIsMatchedWithoutItsLineBreak) {
    PatternMatcher matcher;
    ASSERT_TRUE(matcher.execute("^ \\(WeaponIndex .+ \\)$", kBlock, false, true, true, false));
    ASSERT_EQ(matcher.matchCount(), 2);  // letter case ignored by default
    EXPECT_EQ(matcher.matchText(1), " (WeaponIndex 12 )");
    EXPECT_EQ(matcher.matchText(2), " (weaponindex 13 )");

    ASSERT_TRUE(matcher.execute("[0-9]+", matcher.matchText(1), false, true, true, false));
    EXPECT_EQ(matcher.matchText(1), "12");
    EXPECT_EQ(matcher.patternText(), "[0-9]+");
}

TEST(PatternMatcher, FlagsChangeWhatMatches) {
    PatternMatcher matcher;
    ASSERT_TRUE(matcher.execute("^ \\(WeaponIndex .+ \\)$", kBlock, true));
    EXPECT_EQ(matcher.matchCount(), 1) << "case-sensitive run takes only the exact key";

    ASSERT_TRUE(matcher.execute("^ \\(WeaponIndex .+ \\)$", kBlock, false, true, false));
    EXPECT_EQ(matcher.matchCount(), 1) << "without global only the first match";
    EXPECT_EQ(matcher.matchText(1), " (WeaponIndex 12 )");

    ASSERT_TRUE(matcher.execute("^ \\(WeaponIndex .+ \\)$", kBlock, false, false));
    EXPECT_EQ(matcher.matchCount(), 0) << "without multiline ^ and $ are the subject's ends";
}

TEST(PatternMatcher, MissesAndOutOfRangeIndexesGiveEmptyValues) {
    PatternMatcher matcher;
    EXPECT_EQ(matcher.matchCount(), 0);
    EXPECT_EQ(matcher.matchText(1), "");
    EXPECT_EQ(matcher.patternText(), "");
    EXPECT_EQ(matcher.replace("x"), "");
    EXPECT_EQ(matcher.subMatchCount(), 0);

    ASSERT_TRUE(matcher.execute("^ \\(SkinFileName .+ \\)$", kBlock));
    EXPECT_EQ(matcher.matchCount(), 0);
    EXPECT_EQ(matcher.matchText(1), "");

    ASSERT_TRUE(matcher.execute("Weapon", kBlock));
    ASSERT_EQ(matcher.matchCount(), 3);
    EXPECT_EQ(matcher.matchText(0), "");
    EXPECT_EQ(matcher.matchText(4), "");
    EXPECT_EQ(matcher.subMatchText(1, 1), "");
}

TEST(PatternMatcher, PatternThatDoesNotCompileFailsCleanly) {
    PatternMatcher matcher;
    ASSERT_TRUE(matcher.execute("a", "a"));
    EXPECT_FALSE(matcher.execute("(", "((("));
    EXPECT_EQ(matcher.matchCount(), 0);
    EXPECT_EQ(matcher.matchText(1), "");
    EXPECT_EQ(matcher.patternText(), "(");
    EXPECT_EQ(matcher.replace("x"), "");
    // The object stays usable.
    EXPECT_TRUE(matcher.execute("a", "a"));
    EXPECT_EQ(matcher.matchCount(), 1);
}

TEST(PatternMatcher, QuotePlaceholderStandsForADoubleQuoteOnlyWhenAsked) {
    const std::string placeholder(kQuotePlaceholder);
    const std::string subject = "\"AK\" and " + placeholder + "AK" + placeholder;
    PatternMatcher matcher;
    ASSERT_TRUE(
        matcher.execute(placeholder + "AK" + placeholder, subject, false, true, true, true));
    ASSERT_EQ(matcher.matchCount(), 1);
    EXPECT_EQ(matcher.matchText(1), "\"AK\"");
    EXPECT_EQ(matcher.patternText(), "\"AK\"");

    ASSERT_TRUE(
        matcher.execute(placeholder + "AK" + placeholder, subject, false, true, true, false));
    ASSERT_EQ(matcher.matchCount(), 1);
    EXPECT_EQ(matcher.matchText(1), placeholder + "AK" + placeholder);
}

// "^" matches at the start and after every CR and every LF, also between the CR and the LF of a
// pair; "$" at the end and before every CR and LF. Byte offsets equal unit offsets here.
TEST(PatternMatcher, LineAnchorsTreatEveryCrAndLfAsALineEnd) {
    struct Case {
        const char* pattern;
        bool multiline;
        std::string subject;
        std::vector<std::pair<TextPos, std::string>> expected;
    };
    const std::vector<Case> cases = {
        {"^$", true, "a\r\n\r\nb\rc\n", {{2, ""}, {3, ""}, {4, ""}, {9, ""}}},
        {"^.", true, "a\r\n\r\nb\rc\n", {{0, "a"}, {5, "b"}, {7, "c"}}},
        {".$", true, "a\r\n\r\nb\rc\n", {{0, "a"}, {5, "b"}, {7, "c"}}},
        {"^", false, "a\nb", {{0, ""}}},
        {"$", false, "a\nb\n", {{4, ""}}},               // only the very end, not before a final LF
        {"a.b", true, "a\rb a\nb a b", {{8, "a b"}}},    // "." passes neither CR nor LF
        {"[^x]", true, "\r\n", {{0, "\r"}, {1, "\n"}}},  // a class still matches line breaks
        {"\\^a", true, "^a", {{0, "^a"}}},               // an escaped caret is a character
        {"x*", true, "ab", {{0, ""}, {1, ""}, {2, ""}}},  // empty matches step one unit on
    };
    for (const Case& c : cases) {
        PatternMatcher matcher;
        ASSERT_TRUE(matcher.execute(c.pattern, c.subject, false, c.multiline)) << c.pattern;
        EXPECT_EQ(allMatches(matcher), c.expected) << c.pattern << " multiline=" << c.multiline;
    }
}

TEST(PatternMatcher, MatchTextsArePositionedInGbkBytes) {
    // "黄金 AK 黄金 ak": two-byte characters count once in the engine's offsets, but positions
    // are reported in bytes and texts are the subject's own bytes.
    const std::string subject = "\xbb\xc6\xbd\xf0 AK \xbb\xc6\xbd\xf0 ak";
    PatternMatcher matcher;
    ASSERT_TRUE(matcher.execute("\xbd\xf0 (ak)", subject));
    EXPECT_EQ(allMatches(matcher), (std::vector<std::pair<TextPos, std::string>>{
                                       {2, "\xbd\xf0 AK"}, {10, "\xbd\xf0 ak"}}));
    TextPos position = -1;
    EXPECT_EQ(matcher.subMatchText(2, 1, &position), "ak");
    EXPECT_EQ(position, 13);
    EXPECT_EQ(matcher.subMatchCount(), 1);
}

TEST(PatternMatcher, IgnoringCaseFoldsAsciiLettersOnly) {
    PatternMatcher matcher;
    ASSERT_TRUE(matcher.execute("WEAPON", "weapon"));
    EXPECT_EQ(matcher.matchCount(), 1);
    // Full-width Ａ (GBK A3 C1) and its small form ａ (A3 E1) are different characters.
    ASSERT_TRUE(matcher.execute("\xa3\xc1", "\xa3\xe1"));
    EXPECT_EQ(matcher.matchCount(), 0);
}

TEST(PatternMatcher, ReplaceExpandsGroupsWholeMatchAndDollar) {
    struct Case {
        const char* pattern;
        bool global;
        const char* replacement;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"(\\w+)=(\\d+)", true, "$2:$1", "1:a, 2:b"}, {"(\\w+)=(\\d+)", false, "$2:$1", "1:a, b=2"},
        {"\\d", true, "[$&]", "a=[1], b=[2]"},        {"=", true, "$$", "a$1, b$2"},
        {"(a)|(x)", false, "<$2>", "<>=1, b=2"},  // a group that took no part is empty
        {"(a)", false, "$9$0", "$9$0=1, b=2"},    // no such group: the text stays
        {", ", true, "$'|$`", "a=1b=2|a=1b=2"},
    };
    for (const Case& c : cases) {
        PatternMatcher matcher;
        ASSERT_TRUE(matcher.execute(c.pattern, "a=1, b=2", true, true, c.global)) << c.pattern;
        EXPECT_EQ(matcher.replace(c.replacement), c.expected) << c.pattern << " " << c.replacement;
    }
}

TEST(PatternMatcher, CopiesKeepTheirOwnOutcome) {
    PatternMatcher original;
    ASSERT_TRUE(original.execute("b+", "abbbc"));
    const PatternMatcher copy = original;
    ASSERT_TRUE(original.execute("c", "xyz"));
    EXPECT_EQ(original.matchCount(), 0);
    EXPECT_EQ(copy.matchText(1), "bbb");
    EXPECT_EQ(copy.replace("-"), "a-c");
}

TEST(PatternMatcher, RunawayBacktrackingFailsInsteadOfHanging) {
    PatternMatcher matcher;
    const std::string subject = std::string(30, 'a') + "!";
    EXPECT_FALSE(matcher.execute("^(\\w+\\s?)*$", subject, true, false));
    EXPECT_EQ(matcher.matchCount(), 0);
}

TEST(PatternMatcher, LongLinesDoNotExhaustTheStack) {
    const std::string line = " (WeaponName \"" + std::string(5'000'000, 'x') + "\" )\r\n";
    PatternMatcher matcher;
    ASSERT_TRUE(matcher.execute("^ \\(WeaponName .+ \\)$", line));
    EXPECT_EQ(matcher.matchText(1).size(), line.size() - 2);
}

}  // namespace
}  // namespace qm318

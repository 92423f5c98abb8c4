// Patterns built to make a backtracking engine run without end, or to make it compile something
// huge: every run must end, either as a run that found nothing or as a failed run (execute gives
// false), and the matcher must stay usable afterwards.

#include "pattern/pattern_matcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/text_repeat.h"

namespace qm318 {
namespace {

using test_support::repeated;

enum class Outcome {
    Failed,   // execute gave false: the pattern did not compile or the engine gave up
    NoMatch,  // execute gave true and no match
};

struct Case {
    std::string why;
    std::string pattern;
    std::string subject;
    Outcome outcome;
};

TEST(HostilePatterns, EndAsAFailedRunOrAsNoMatch) {
    const std::string manyA = std::string(10'000, 'a') + "b";
    const std::string manyAThenBang = std::string(10'000, 'a') + "!";
    const std::string words = repeated("word ", 2'000) + "!";
    const std::vector<Case> cases = {
        // Exponential backtracking: every split of the run of a's is tried before giving up.
        {"nested plus before an end anchor", "(a+)+$", manyA, Outcome::Failed},
        {"nested star before a missing letter", "(a*)*[cd]", manyA, Outcome::Failed},
        {"alternatives that match the same text", "(a|a)+$", manyA, Outcome::Failed},
        {"overlapping alternatives", "(a|aa)+$", manyA, Outcome::Failed},
        {"two nested runs", "(a+a+)+$", manyA, Outcome::Failed},
        {"three levels of nesting", "((a+)+)+$", manyAThenBang, Outcome::Failed},
        {"words and optional blanks", "^(\\w+\\s?)*$", words, Outcome::Failed},
        {"a back reference that cannot close", "^(a+)+\\1[xy]", manyA, Outcome::Failed},
        // Work that stays under the engine's limit at each start position but grows with a power
        // of the subject's length over all of them: a budget for the whole run ends these.
        {"a pattern that recurses once per letter", "a(?R)?[bc]", std::string(100'000, 'a'),
         Outcome::Failed},
        {"two overlapping stars", "(?:a|b)*(?:a|c)*[de]", std::string(5'000, 'a'), Outcome::Failed},
        // Repetition counts beyond what the engine can compile.
        {"a count above the engine's largest", "a{70000}", "aaaa", Outcome::Failed},
        {"nested large counts", "(?:(?:a{65535}){65535}){65535}", "aaaa", Outcome::Failed},
        {"many optional letters in a row", "(?:a?){60000}a{60000}", std::string(100, 'a'),
         Outcome::Failed},
        {"groups nested deeper than allowed", repeated("(", 100'000) + "a" + repeated(")", 100'000),
         "a", Outcome::Failed},
        // Patterns the engine settles without backtracking: a plain miss.
        {"a large count that does not fit the subject", "a{65535}", manyA, Outcome::NoMatch},
        {"possessive nesting", "(?>a+)+$", manyA, Outcome::NoMatch},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        PatternMatcher matcher;
        const bool ran = matcher.execute(c.pattern, c.subject, true, true, true, false);
        EXPECT_EQ(ran ? Outcome::NoMatch : Outcome::Failed, c.outcome);
        EXPECT_EQ(matcher.matchCount(), 0);
        EXPECT_EQ(matcher.matchText(1), "");
        EXPECT_EQ(matcher.subMatchText(1, 1), "");
        // The same object runs the next pattern as usual.
        ASSERT_TRUE(matcher.execute("a+b", "xaab"));
        EXPECT_EQ(matcher.matchText(1), "aab");
    }
}

// The key-line patterns the loader's reference extraction uses stay linear on hostile blocks: a
// line of a million blanks and parentheses, and a block of 100,000 near-miss key lines.
TEST(HostilePatterns, KeyLinePatternsFinishOnLongNearMisses) {
    const std::string pattern = "^ \\(WeaponName .+ \\)$";
    const std::vector<std::pair<std::string, std::string>> subjects = {
        {"one long line of blanks and parentheses", " (WeaponName " + repeated(" (", 500'000)},
        {"many lines missing their closing parenthesis",
         repeated(" (WeaponName \"x\" \r\n", 100'000)},
    };
    for (const auto& [why, subject] : subjects) {
        SCOPED_TRACE(why);
        PatternMatcher matcher;
        ASSERT_TRUE(matcher.execute(pattern, subject));
        EXPECT_EQ(matcher.matchCount(), 0);
    }
    // The same pattern still finds the one good line at the end of such a block.
    PatternMatcher matcher;
    const std::string block = repeated(" (WeaponName \"x\" \r\n", 100'000) + " (WeaponName \"y\" )";
    ASSERT_TRUE(matcher.execute(pattern, block));
    ASSERT_EQ(matcher.matchCount(), 1);
    EXPECT_EQ(matcher.matchText(1), " (WeaponName \"y\" )");
}

}  // namespace
}  // namespace qm318

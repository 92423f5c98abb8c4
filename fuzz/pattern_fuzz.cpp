// PatternMatcher with a pattern, a subject, a replacement and flags taken from the input. It must
// come back (the engine's limits stop runaway backtracking) and every text it hands back must be
// a piece of the subject at the position it gives. Line anchors and "." are also checked on the
// subject against the line semantics in pattern_matcher.h.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "pattern/pattern_matcher.h"

namespace {

using qm318::PatternMatcher;
using qm318::TextPos;
using qm318::fuzz::literal;

std::string describe(std::string_view pattern, std::string_view subject) {
    return "pattern " + literal(pattern) + "\nsubject " + literal(subject);
}

// Every match and capture group is the subject's bytes at its position, and the matches follow
// one another without overlapping: replacing each by itself ("$&") gives back the subject.
void checkMatches(const PatternMatcher& matcher, std::string_view subject,
                  const std::string& what) {
    for (int m = 1; m <= matcher.matchCount(); ++m) {
        TextPos position = -1;
        const std::string match = matcher.matchText(m, &position);
        FUZZ_CHECK(position >= 0 && std::size_t(position) <= subject.size() &&
                       subject.substr(std::size_t(position), match.size()) == match,
                   what + "\nmatch " + std::to_string(m) + " at " + std::to_string(position) +
                       ": " + literal(match));
        for (int g = 1; g <= matcher.subMatchCount(); ++g) {
            TextPos groupPosition = -1;
            const std::string group = matcher.subMatchText(m, g, &groupPosition);
            if (groupPosition == -1) {
                FUZZ_CHECK(group.empty(), what + "\ngroup without a position");
                continue;
            }
            FUZZ_CHECK(groupPosition >= 0 && std::size_t(groupPosition) <= subject.size() &&
                           subject.substr(std::size_t(groupPosition), group.size()) == group,
                       what + "\nmatch " + std::to_string(m) + " group " + std::to_string(g) +
                           " at " + std::to_string(groupPosition) + ": " + literal(group));
        }
    }
    if (matcher.matchCount() > 0) {
        const std::string same = matcher.replace("$&");
        FUZZ_CHECK(same == subject,
                   what + "\nreplacing every match by itself gave " + literal(same));
    }
}

bool isLineBreak(char c) {
    return c == '\r' || c == '\n';
}

// The byte positions of a matcher's matches.
std::vector<std::size_t> positionsOf(const PatternMatcher& matcher) {
    std::vector<std::size_t> positions;
    for (int m = 1; m <= matcher.matchCount(); ++m) {
        TextPos position = -1;
        matcher.matchText(m, &position);
        positions.push_back(std::size_t(position));
    }
    return positions;
}

// The line semantics of pattern_matcher.h on the subject's bytes, whatever GBK sequences, valid
// or not, stand next to its line breaks: "^" matches at the start and after every CR and LF, "$"
// at the end and before every CR and LF (only at the start and at the end without multiline),
// and "." matches every character but CR and LF.
void checkLineSemantics(std::string_view subject, const std::string& what) {
    std::vector<std::size_t> lineStarts = {0};
    std::vector<std::size_t> lineEnds;
    for (std::size_t i = 0; i < subject.size(); ++i) {
        if (!isLineBreak(subject[i])) continue;
        lineStarts.push_back(i + 1);
        lineEnds.push_back(i);
    }
    lineEnds.push_back(subject.size());

    struct Probe {
        const char* pattern;
        bool multiline;
        std::vector<std::size_t> expected;
    };
    const Probe probes[] = {
        {"^", true, lineStarts},
        {"$", true, lineEnds},
        {"^", false, {0}},
        {"$", false, {subject.size()}},
    };
    static PatternMatcher matchers[std::size(probes)];
    for (std::size_t p = 0; p < std::size(probes); ++p) {
        PatternMatcher& matcher = matchers[p];
        const Probe& probe = probes[p];
        const std::string probeName = std::string("\"") + probe.pattern + "\"" +
                                      (probe.multiline ? " multiline" : "") + " on " + what;
        FUZZ_CHECK(matcher.execute(probe.pattern, subject, true, probe.multiline), probeName);
        const std::vector<std::size_t> positions = positionsOf(matcher);
        std::string listed;
        for (const std::size_t position : positions)
            listed += " " + std::to_string(position);
        FUZZ_CHECK(positions == probe.expected, probeName + "\nmatched at" + listed);
    }

    // The matches of "." and the line breaks between them make up the subject.
    static PatternMatcher anyCharacter;
    FUZZ_CHECK(anyCharacter.execute(".", subject), "\".\" on " + what);
    std::size_t covered = 0;
    for (int m = 1; m <= anyCharacter.matchCount(); ++m) {
        TextPos position = -1;
        const std::string character = anyCharacter.matchText(m, &position);
        while (covered < std::size_t(position) && isLineBreak(subject[covered]))
            ++covered;
        FUZZ_CHECK(std::size_t(position) == covered && !character.empty() &&
                       character.find_first_of("\r\n") == std::string::npos,
                   "\".\" match " + std::to_string(m) + " at " + std::to_string(position) + ": " +
                       literal(character) + " on " + what);
        covered += character.size();
    }
    while (covered < subject.size() && isLineBreak(subject[covered]))
        ++covered;
    FUZZ_CHECK(covered == subject.size(),
               "\".\" matches stop at byte " + std::to_string(covered) + " of " + what);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool caseSensitive = input.ConsumeBool();
    const bool multiline = input.ConsumeBool();
    const bool global = input.ConsumeBool();
    const bool quotePlaceholder = input.ConsumeBool();
    const std::string pattern = input.ConsumeRandomLengthString(256);
    const std::string replacement = input.ConsumeRandomLengthString(64);
    const std::string subject = input.ConsumeRandomLengthString();
    const std::string otherSubject = input.ConsumeRemainingBytesAsString();
    // The matcher reads a subject up to its first zero byte.
    const std::string_view seen = std::string_view(subject).substr(0, subject.find('\0'));
    const std::string what = describe(pattern, subject);

    checkLineSemantics(seen, "subject " + literal(subject));

    PatternMatcher matcher;
    const bool ran =
        matcher.execute(pattern, subject, caseSensitive, multiline, global, quotePlaceholder);
    if (!ran) return 0;
    if (!global) FUZZ_CHECK(matcher.matchCount() <= 1, what + "\nseveral matches without global");
    checkMatches(matcher, seen, what);
    matcher.replace(replacement);

    // A copy shares the compiled pattern and the matches; running it on another subject leaves
    // the original's outcome as it was.
    PatternMatcher copy = matcher;
    copy.execute(pattern, otherSubject, caseSensitive, multiline, global, quotePlaceholder);
    checkMatches(matcher, seen, what + "\nafter a copy ran on " + literal(otherSubject));
    return 0;
}

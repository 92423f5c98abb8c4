#pragma once
// One regular expression run over one GBK subject, keeping the outcome so that match counts,
// match texts and capture groups can be read afterwards.
//
// Matching works on the subject's UTF-16 form (offsets count UTF-16 units) through PCRE2 with
// ECMAScript-like syntax. The line semantics the weapon loader depends on:
//  - "." matches any character except "\n" and "\r": a lone CR ends a line like LF does;
//  - with multiline, "^" matches at the start and after every "\r" and every "\n" (also between
//    the CR and the LF of a CR LF pair), "$" at the end and before every "\r" and "\n";
//  - without multiline, "^" matches only at the start and "$" only at the very end;
//  - ignoring case folds the ASCII letters only.
// Texts handed back are the subject's own bytes, cut at the match's boundaries.
// A copy shares the compiled pattern and the matches, and keeps its own subject.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/gbk_text.h"

namespace qm318 {

class PatternMatcher {
public:
    // False when the run failed: the pattern does not compile, or the engine gave up (limits on
    // the work of each start position and of the whole run guard against patterns that backtrack
    // without end). An empty match list is success.
    bool execute(std::string_view pattern, std::string_view subject, bool caseSensitive = false,
                 bool multiline = true, bool global = true, bool quotePlaceholder = false);

    std::string patternText() const;
    // The subject with the matches replaced; "$1".."$99", "$&", "$`", "$'" and "$$" expand.
    std::string replace(std::string_view replacement) const;
    int matchCount() const;
    // Match `index` (1-based); position receives its 0-based byte offset in the subject.
    std::string matchText(int index, TextPos* position = nullptr) const;
    std::string subMatchText(int matchIndex, int groupIndex, TextPos* position = nullptr) const;
    int subMatchCount() const;

    struct Engine;
    struct Match {
        TextSpan whole;                  // bytes of the subject
        std::vector<TextSpan> groups;    // capture groups 1..n
        std::vector<bool> groupMatched;  // whether each group took part
    };

private:
    std::shared_ptr<const Engine> engine_;
    std::shared_ptr<const std::vector<Match>> matches_;
    std::string subject_;
};

}  // namespace qm318

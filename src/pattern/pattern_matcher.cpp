#include "pattern/pattern_matcher.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <cstdint>

#include "text/encoding.h"

namespace qm318 {

namespace {

// Generous bounds: a real key-line pattern needs a tiny fraction of them, while a pattern that
// backtracks catastrophically fails cleanly instead of hanging the load.
constexpr uint32_t kMatchLimit = 50'000'000;
constexpr uint32_t kDepthLimit = 1'000'000;
constexpr std::size_t kJitStackBytes = 4 << 20;
// The match limit counts afresh at every start position, so a pattern whose every attempt stays
// under it can still take time that grows with a power of the subject's length. Every pattern
// item the engine tries is also counted over the whole run, and the run gives up past this.
constexpr std::uint64_t kRunStepLimit = 200'000'000;

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchContextDeleter {
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct JitStackDeleter {
    void operator()(pcre2_jit_stack* stack) const { pcre2_jit_stack_free(stack); }
};

// Each thread matches on a JIT stack of its own, so copies of a matcher that share one compiled
// engine can run on different threads.
pcre2_jit_stack* threadJitStack(void*) {
    thread_local std::unique_ptr<pcre2_jit_stack, JitStackDeleter> stack(
        pcre2_jit_stack_create(32 << 10, kJitStackBytes, nullptr));
    return stack.get();
}
struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

// Called before every pattern item (the pattern is compiled with automatic callouts); a negative
// result ends the run with that error.
int countStep(pcre2_callout_block*, void* steps) {
    return ++*static_cast<std::uint64_t*>(steps) > kRunStepLimit ? PCRE2_ERROR_MATCHLIMIT : 0;
}

// PCRE2 reads CR LF as one line break, so its multi-line "^" never matches between the CR and
// the LF. Each "^" anchor becomes "not preceded by a character other than CR or LF", which
// matches at the start and after every CR and every LF. Escapes, \Q...\E and character classes
// are copied unchanged.
std::u16string anchorAfterEveryLineBreak(std::u16string_view pattern) {
    static constexpr std::u16string_view kLineStart = u"(?<![^\\r\\n])";
    std::u16string out;
    out.reserve(pattern.size() + 16);
    bool inClass = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char16_t c = pattern[i];
        if (c == u'\\' && i + 1 < pattern.size()) {
            if (pattern[i + 1] == u'Q') {
                const std::size_t end = pattern.find(u"\\E", i + 2);
                const std::size_t stop =
                    end == std::u16string_view::npos ? pattern.size() : end + 2;
                out.append(pattern.substr(i, stop - i));
                i = stop - 1;
            } else {
                out.append(pattern.substr(i, 2));
                ++i;
            }
            continue;
        }
        if (inClass) {
            if (c == u']') inClass = false;
            out.push_back(c);
        } else if (c == u'[') {
            inClass = true;
            out.push_back(c);
            if (i + 1 < pattern.size() && pattern[i + 1] == u'^') out.push_back(pattern[++i]);
        } else if (c == u'^') {
            out.append(kLineStart);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace

struct PatternMatcher::Engine {
    std::string pattern;  // GBK, after the placeholder replacement
    bool caseSensitive = false;
    bool multiline = true;
    bool global = true;
    std::unique_ptr<pcre2_code, CodeDeleter> code;  // null when the pattern does not compile
    std::unique_ptr<pcre2_match_context, MatchContextDeleter> matchContext;

    bool sameAs(std::string_view p, bool cs, bool ml, bool gl) const {
        return pattern == p && caseSensitive == cs && multiline == ml && global == gl;
    }
};

namespace {

std::shared_ptr<const PatternMatcher::Engine> compileEngine(std::string pattern, bool caseSensitive,
                                                            bool multiline, bool global) {
    auto engine = std::make_shared<PatternMatcher::Engine>();
    engine->pattern = std::move(pattern);
    engine->caseSensitive = caseSensitive;
    engine->multiline = multiline;
    engine->global = global;

    std::u16string source = toUtf16(engine->pattern);
    if (multiline) source = anchorAfterEveryLineBreak(source);
    uint32_t options =
        PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_MATCH_UNSET_BACKREF | PCRE2_AUTO_CALLOUT;
    if (!caseSensitive) options |= PCRE2_CASELESS;
    options |= multiline ? PCRE2_MULTILINE : PCRE2_DOLLAR_ENDONLY;

    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    engine->code.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(source.data()), source.size(),
                                     options, &error, &errorOffset, context));
    pcre2_compile_context_free(context);
    if (!engine->code) return engine;

    engine->matchContext.reset(pcre2_match_context_create(nullptr));
    pcre2_set_match_limit(engine->matchContext.get(), kMatchLimit);
    pcre2_set_depth_limit(engine->matchContext.get(), kDepthLimit);
    if (pcre2_jit_compile(engine->code.get(), PCRE2_JIT_COMPLETE) == 0) {
        pcre2_jit_stack_assign(engine->matchContext.get(), threadJitStack, nullptr);
    }
    return engine;
}

// Runs the compiled pattern over the subject; false when the engine gave up.
bool collectMatches(const PatternMatcher::Engine& engine, std::string_view subject,
                    std::vector<PatternMatcher::Match>& matches) {
    const Utf16WithOffsets converted = gbkToUtf16WithOffsets(subject);
    const std::u16string& units = converted.units;
    const auto byteAt = [&](PCRE2_SIZE unit) -> std::size_t {
        return unit < converted.byteOffsets.size() ? std::size_t(converted.byteOffsets[unit])
                                                   : subject.size();
    };
    const auto spanOf = [&](PCRE2_SIZE begin, PCRE2_SIZE end) {
        const std::size_t from = byteAt(begin);
        return TextSpan{from, byteAt(end) - from};
    };

    std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
        pcre2_match_data_create_from_pattern(engine.code.get(), nullptr));
    // The step count belongs to this run; the engine's context is shared by copies on any thread.
    std::unique_ptr<pcre2_match_context, MatchContextDeleter> context(
        pcre2_match_context_copy(engine.matchContext.get()));
    if (!data || !context) return false;
    std::uint64_t steps = 0;
    pcre2_set_callout(context.get(), countStep, &steps);
    const auto* text = reinterpret_cast<PCRE2_SPTR>(units.data());
    PCRE2_SIZE start = 0;
    while (start <= units.size()) {
        const int rc =
            pcre2_match(engine.code.get(), text, units.size(), start, 0, data.get(), context.get());
        if (rc == PCRE2_ERROR_NOMATCH) break;
        if (rc < 0) return false;
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
        const uint32_t pairs = pcre2_get_ovector_count(data.get());
        PatternMatcher::Match match;
        match.whole = spanOf(ovector[0], ovector[1]);
        for (uint32_t g = 1; g < pairs; ++g) {
            const bool matched = g < uint32_t(rc) && ovector[2 * g] != PCRE2_UNSET;
            match.groupMatched.push_back(matched);
            match.groups.push_back(matched ? spanOf(ovector[2 * g], ovector[2 * g + 1])
                                           : TextSpan{});
        }
        matches.push_back(std::move(match));
        if (!engine.global) break;
        // After an empty match the next run starts one unit further on, as ECMAScript does.
        start = ovector[1] > ovector[0] ? ovector[1] : ovector[1] + 1;
    }
    return true;
}

std::string_view cut(std::string_view subject, TextSpan span) {
    return subject.substr(span.offset, span.length);
}

}  // namespace

bool PatternMatcher::execute(std::string_view pattern, std::string_view subject, bool caseSensitive,
                             bool multiline, bool global, bool quotePlaceholder) {
    matches_.reset();
    std::string effectivePattern =
        quotePlaceholder ? qm318::replace(pattern, kQuotePlaceholder, "\"", 1, kUnlimited, true)
                         : std::string(pattern);
    // Compiling is the costly part; the same pattern with the same flags reuses its engine.
    if (!engine_ || !engine_->sameAs(effectivePattern, caseSensitive, multiline, global)) {
        engine_ = compileEngine(std::move(effectivePattern), caseSensitive, multiline, global);
    }
    subject_.assign(subject.substr(0, subject.find('\0')));
    if (!engine_->code) return false;

    auto matches = std::make_shared<std::vector<Match>>();
    if (!collectMatches(*engine_, subject_, *matches)) return false;
    matches_ = std::move(matches);
    return true;
}

std::string PatternMatcher::patternText() const {
    return engine_ ? engine_->pattern : std::string();
}

int PatternMatcher::matchCount() const {
    return matches_ ? int(matches_->size()) : 0;
}

std::string PatternMatcher::matchText(int index, TextPos* position) const {
    if (index < 1 || index > matchCount()) return {};
    const Match& match = (*matches_)[std::size_t(index - 1)];
    if (position != nullptr) *position = TextPos(match.whole.offset);
    return std::string(cut(subject_, match.whole));
}

std::string PatternMatcher::subMatchText(int matchIndex, int groupIndex, TextPos* position) const {
    if (matchIndex < 1 || matchIndex > matchCount()) return {};
    const Match& match = (*matches_)[std::size_t(matchIndex - 1)];
    if (groupIndex < 1 || std::size_t(groupIndex) > match.groups.size()) return {};
    const std::size_t g = std::size_t(groupIndex - 1);
    if (!match.groupMatched[g]) return {};
    if (position != nullptr) *position = TextPos(match.groups[g].offset);
    return std::string(cut(subject_, match.groups[g]));
}

int PatternMatcher::subMatchCount() const {
    return matchCount() > 0 ? int(matches_->front().groups.size()) : 0;
}

std::string PatternMatcher::replace(std::string_view replacement) const {
    if (!engine_ || !engine_->code || !matches_) return {};
    const std::string_view subject = subject_;
    std::string out;
    std::size_t copied = 0;
    for (const Match& match : *matches_) {
        out.append(subject.substr(copied, match.whole.offset - copied));
        const std::size_t matchEnd = match.whole.offset + match.whole.length;
        for (std::size_t i = 0; i < replacement.size(); ++i) {
            const char c = replacement[i];
            const char next = i + 1 < replacement.size() ? replacement[i + 1] : '\0';
            if (c != '$' || next == '\0') {
                out.push_back(c);
            } else if (next == '$') {
                out.push_back('$');
                ++i;
            } else if (next == '&') {
                out.append(cut(subject, match.whole));
                ++i;
            } else if (next == '`') {
                out.append(subject.substr(0, match.whole.offset));
                ++i;
            } else if (next == '\'') {
                out.append(subject.substr(matchEnd));
                ++i;
            } else if (next >= '0' && next <= '9') {
                // "$nn" when group nn exists, else "$n" when group n exists, else literal.
                const std::size_t groups = match.groups.size();
                const char third = i + 2 < replacement.size() ? replacement[i + 2] : '\0';
                std::size_t group = 0;
                std::size_t digits = 0;
                if (third >= '0' && third <= '9') {
                    const std::size_t two = std::size_t((next - '0') * 10 + (third - '0'));
                    if (two >= 1 && two <= groups) group = two, digits = 2;
                }
                if (digits == 0 && next != '0' && std::size_t(next - '0') <= groups) {
                    group = std::size_t(next - '0'), digits = 1;
                }
                if (digits == 0) {
                    out.push_back(c);
                } else {
                    if (match.groupMatched[group - 1])
                        out.append(cut(subject, match.groups[group - 1]));
                    i += digits;
                }
            } else {
                out.push_back(c);
            }
        }
        copied = matchEnd;
    }
    out.append(subject.substr(copied));
    return out;
}

}  // namespace qm318

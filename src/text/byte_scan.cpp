#include "text/byte_scan.h"

#include <bit>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QM318_SSE2 1
#endif

namespace qm318 {
namespace {

template <typename Matches>
const char* scanBytes(const char* p, const char* end, Matches matches) {
    for (; p < end; ++p) {
        if (matches(p)) return p;
    }
    return end;
}

#if QM318_SSE2
constexpr std::ptrdiff_t kVector = 16;

__m128i load(const char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// The first position from p on whose bit is set in the mask that maskOf gives for its 16-byte
// stretch; the tail shorter than 16 bytes goes through the byte loop.
template <typename MaskOf, typename Matches>
const char* scanVectors(const char* p, const char* end, MaskOf maskOf, Matches matches) {
    for (; end - p >= kVector; p += kVector) {
        if (const auto mask = unsigned(maskOf(p)); mask != 0) return p + std::countr_zero(mask);
    }
    return scanBytes(p, end, matches);
}
#endif

}  // namespace

const char* findControlByte(const char* p, const char* end) {
    const auto matches = [](const char* at) { return static_cast<unsigned char>(*at) < 0x20; };
#if QM318_SSE2
    return scanVectors(
        p, end,
        [](const char* at) {
            // Unsigned bytes up to 0x1F are those that saturate to zero when 0x1F is subtracted.
            const __m128i low = _mm_subs_epu8(load(at), _mm_set1_epi8(0x1F));
            return _mm_movemask_epi8(_mm_cmpeq_epi8(low, _mm_setzero_si128()));
        },
        matches);
#else
    return scanBytes(p, end, matches);
#endif
}

const char* skipPlainLineBreaks(const char* p, const char* end, std::size_t& bareLineFeeds) {
#if QM318_SSE2
    for (; end - p >= kVector; p += kVector) {
        const __m128i bytes = load(p);
        const __m128i low = _mm_subs_epu8(bytes, _mm_set1_epi8(0x1F));
        const auto control = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(low, _mm_setzero_si128())));
        if (control == 0) continue;
        const auto maskOf = [&](char c) {
            return unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
        };
        const unsigned cr = maskOf('\r');
        const unsigned lf = maskOf('\n');
        const unsigned allowed = cr | lf | maskOf('\t') | maskOf('\f');
        // A CR whose next byte is not an LF in this stretch (a CR in the last place shifts out
        // to bit 16) leaves the stretch to the byte loop, which knows which byte each CR takes.
        const unsigned crWithoutLf = cr << 1 & ~lf;
        if ((control & ~allowed) != 0 || crWithoutLf != 0) break;
        for (unsigned bare = lf & ~(cr << 1); bare != 0; bare &= bare - 1)
            ++bareLineFeeds;  // few per stretch, and a loop needs no POPCNT instruction
    }
#else
    (void)end;
    (void)bareLineFeeds;
#endif
    return p;
}

const char* findLineBreak(const char* p, const char* end) {
    const auto matches = [](const char* at) { return *at == '\r' || *at == '\n'; };
#if QM318_SSE2
    return scanVectors(
        p, end,
        [](const char* at) {
            const __m128i bytes = load(at);
            return _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')),
                                                  _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))));
        },
        matches);
#else
    return scanBytes(p, end, matches);
#endif
}

const char* findBytePair(const char* p, const char* end, const unsigned char first[2],
                         std::size_t distance, const unsigned char last[2]) {
    const auto matches = [&](const char* at) {
        const auto a = static_cast<unsigned char>(at[0]);
        const auto b = static_cast<unsigned char>(at[distance]);
        return (a == first[0] || a == first[1]) && (b == last[0] || b == last[1]);
    };
#if QM318_SSE2
    const __m128i first0 = _mm_set1_epi8(char(first[0]));
    const __m128i first1 = _mm_set1_epi8(char(first[1]));
    const __m128i last0 = _mm_set1_epi8(char(last[0]));
    const __m128i last1 = _mm_set1_epi8(char(last[1]));
    return scanVectors(
        p, end,
        [&](const char* at) {
            const __m128i a = load(at);
            const __m128i b = load(at + distance);
            const __m128i firstHit =
                _mm_or_si128(_mm_cmpeq_epi8(a, first0), _mm_cmpeq_epi8(a, first1));
            const __m128i lastHit =
                _mm_or_si128(_mm_cmpeq_epi8(b, last0), _mm_cmpeq_epi8(b, last1));
            return _mm_movemask_epi8(_mm_and_si128(firstHit, lastHit));
        },
        matches);
#else
    return scanBytes(p, end, matches);
#endif
}

}  // namespace qm318

#pragma once
// Scans for bytes 16 at a time (SSE2, which every x86-64 processor has; a byte loop elsewhere).
// These are the loops that touch every byte of the data file, so they decide the load's speed.

#include <cstddef>

namespace qm318 {

// The first byte in [p, end) below 0x20, or end.
const char* findControlByte(const char* p, const char* end);

// Skips 16-byte stretches from p on in which every byte below 0x20 is a TAB, an FF, an LF, or a
// CR right before an LF in the same stretch, and adds the LFs there that have no CR before them to
// bareLineFeeds. Returns where it stopped: at the first stretch it could not skip whole, or fewer
// than 16 bytes before end. p must not be the byte right after a CR.
const char* skipPlainLineBreaks(const char* p, const char* end, std::size_t& bareLineFeeds);

// The first CR or LF in [p, end), or end.
const char* findLineBreak(const char* p, const char* end);

// The first position q in [p, end) with q[0] equal to first[0] or first[1] and q[distance] equal
// to last[0] or last[1], or end. The caller makes sure q + distance stays in the text: end is at
// most the text's end minus distance.
const char* findBytePair(const char* p, const char* end, const unsigned char first[2],
                         std::size_t distance, const unsigned char last[2]);

}  // namespace qm318

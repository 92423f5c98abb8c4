#pragma once
// Scans of a large text made on two threads, one half each.

#include <cstddef>
#include <string_view>
#include <thread>

namespace qm318 {

// Texts below this size are scanned on the calling thread alone.
inline constexpr std::size_t kBytesWorthASecondThread = std::size_t(16) << 20;

// Where a text can be cut in two: right after the first LF past its middle, or at its end. A
// character begins there, no byte there is taken with a CR before it (an LF takes nothing), and
// no record head crosses it (a head's only LF is its last byte).
inline std::size_t middleAfterLineFeed(std::string_view text) {
    const std::size_t lineFeed = text.find('\n', text.size() / 2);
    return lineFeed == std::string_view::npos ? text.size() : lineFeed + 1;
}

// Calls scan(from, to) for the two halves of the text at once, the second on a thread of its own;
// small texts in one call.
template <typename Scan>
void scanInTwoHalves(std::string_view text, Scan scan) {
    if (text.size() < kBytesWorthASecondThread) {
        scan(std::size_t(0), text.size());
        return;
    }
    const std::size_t middle = middleAfterLineFeed(text);
    std::thread second([&] { scan(middle, text.size()); });
    scan(std::size_t(0), middle);
    second.join();
}

}  // namespace qm318

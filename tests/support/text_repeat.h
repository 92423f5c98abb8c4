#pragma once
// Large test inputs made of one piece repeated.

#include <cstddef>
#include <string>
#include <string_view>

namespace qm318::test_support {

inline std::string repeated(std::string_view piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

}  // namespace qm318::test_support

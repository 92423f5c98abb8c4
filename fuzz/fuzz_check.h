#pragma once
// What the fuzz targets share: reading their input and checking invariants. A failed check prints
// what failed, with the texts involved written as C string literals, and aborts; libFuzzer reports
// the abort as a crash and saves the input that caused it.

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace qm318::fuzz {

// The bytes as a C string literal, cut after limit bytes, so that a report stays readable.
inline std::string literal(std::string_view bytes, std::size_t limit = 400) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c >= 0x20 && c < 0x7f) {
            out += char(c);
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
            // A hex escape would swallow a hex digit right after it.
            if (i + 1 < bytes.size() && std::isxdigit(static_cast<unsigned char>(bytes[i + 1]))) {
                out += "\"\"";
            }
        }
    }
    out += '"';
    if (bytes.size() > limit) out += " (" + std::to_string(bytes.size()) + " bytes in all)";
    return out;
}

[[noreturn]] inline void fail(const char* file, int line, const char* condition,
                              const std::string& details) {
    std::fprintf(stderr, "\n%s:%d: check failed: %s\n%s\n", file, line, condition, details.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace qm318::fuzz

// Aborts with the condition and the details (a std::string expression, built only on failure).
#define FUZZ_CHECK(condition, details)                                                  \
    do {                                                                                \
        if (!(condition)) ::qm318::fuzz::fail(__FILE__, __LINE__, #condition, details); \
    } while (false)

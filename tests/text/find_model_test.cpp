// find, countOccurrences and replace against the plain reading of their rules: step through the
// text one character at a time (two bytes for a lead byte of 0x80 and above) and compare there.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "text/gbk_text.h"

namespace qm318 {
namespace {

unsigned char fold(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + 32 : c;
}

bool occursAt(const std::string& text, std::size_t at, const std::string& part, bool ignoreCase) {
    for (std::size_t j = 0; j < part.size(); ++j) {
        const auto want = static_cast<unsigned char>(part[j]);
        const auto have = static_cast<unsigned char>(text[at + j]);
        if (want >= 0x80) {
            if (have != want) return false;
            if (++j < part.size() && text[at + j] != part[j]) return false;
        } else if ((ignoreCase ? fold(have) != fold(want) : have != want)) {
            return false;
        }
    }
    return true;
}

TextPos modelFind(const std::string& text, const std::string& part, std::size_t from,
                  bool ignoreCase) {
    for (std::size_t i = from; i < text.size() && part.size() <= text.size() - i;) {
        const bool lead = static_cast<unsigned char>(text[i]) >= 0x80;
        if (lead && i + 1 == text.size()) break;
        if (occursAt(text, i, part, ignoreCase)) return TextPos(i + 1);
        i += lead ? 2 : 1;
    }
    return kNotFound;
}

std::string randomText(std::mt19937& random, std::size_t maxLength) {
    static const std::string alphabet = "aAbB(\\ \r\n\x81\xb0\xff\x5c\x61";
    std::string text(random() % (maxLength + 1), ' ');
    for (char& c : text)
        c = alphabet[random() % alphabet.size()];
    return text;
}

TEST(FindModel, FindCountAndReplaceAgreeWithCharacterStepping) {
    std::mt19937 random(318);
    for (int round = 0; round < 20000; ++round) {
        const std::string text = randomText(random, 40);
        std::string part = randomText(random, 3);
        if (part.empty()) part = "a";
        const bool ignoreCase = random() % 2 == 0;
        const std::size_t from = random() % (text.size() + 2);
        const auto where = ::testing::PrintToString(text) + " / " + ::testing::PrintToString(part);

        const TextPos expected =
            from >= text.size() ? kNotFound : modelFind(text, part, from, ignoreCase);
        ASSERT_EQ(find(text, part, TextPos(from + 1), ignoreCase), expected)
            << where << " from " << from;

        std::size_t count = 0;
        std::string replaced;
        std::size_t copied = 0;
        for (TextPos p = modelFind(text, part, 0, ignoreCase); p != kNotFound;
             p = modelFind(text, part, copied, ignoreCase)) {
            ++count;
            replaced += text.substr(copied, std::size_t(p - 1) - copied) + "<>";
            copied = std::size_t(p - 1) + part.size();
        }
        replaced += text.substr(std::min(copied, text.size()));
        ASSERT_EQ(countOccurrences(text, part, !ignoreCase), text.empty() ? 0 : count) << where;
        if (!text.empty()) {
            ASSERT_EQ(replace(text, part, "<>", 1, kUnlimited, !ignoreCase), replaced) << where;
        }
    }
}

}  // namespace
}  // namespace qm318

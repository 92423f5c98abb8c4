#include "loader/line_endings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace qm318 {
namespace {

using namespace std::string_literals;

struct Case {
    std::string input;
    std::string expected;
};

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"", ""},
        {"a\nb", "a\r\nb"},
        {"a\r\nb\n", "a\r\nb\r\n"},
        {"\r\n\n", "\r\n\r\n"},
        {"a\r\r\nb", "a\r\r\r\nb"},  // the byte after a CR is taken with it, unexamined
        {"\r\r", "\r\r"},
        {"a\r", "a\r"},
        {"\f\t\n", "\f\t\r\n"},
        {"\x81\nx", "\x81\r\nx"},
        {"\x7f\n", "\x7f\r\n"},
        {"a\0b\n"s, "a\0b\n"s},  // binary: left alone
        {"a\x01\n", "a\x01\n"},
        {"\x1b\n", "\x1b\n"},
        {"a\r\0b\n"s, "a\r\0b\r\n"s},  // a control byte right after a CR is not looked at
        {"\r\x01\n", "\r\x01\r\n"},
        {"\xef\xbb\xbf"
         "a\nb",
         "\xef\xbb\xbf"
         "a\r\nb"},
        // UTF-16 with a byte order mark becomes UTF-8 with a byte order mark.
        {"\xff\xfe"
         "a\0\n\0"s,
         "\xef\xbb\xbf"
         "a\r\n"},
        {"\xfe\xff\0b\0\n"s,
         "\xef\xbb\xbf"
         "b\r\n"},
        {"\xff\xfe"
         "a\0\r\0\r\0\n\0"s,
         "\xef\xbb\xbf"
         "a\r\r\r\n"},
        {"\xff\xfe"
         "a"s,
         "\xef\xbb\xbf"},  // an odd last byte is dropped
        {"\xff\xfe\x3d\xd8\x00\xde\n\0"s, "\xef\xbb\xbf\xf0\x9f\x98\x80\r\n"},
        {"\xff\xfe"
         "a\0\x01\0\n\0"s,
         "\xff\xfe"
         "a\0\x01\0\n\0"s},  // binary UTF-16
        {"\xff\xfe\0\xd8"
         "a\0"s,
         "\xff\xfe\0\xd8"
         "a\0"s},  // unpaired surrogate
    };
    return all;
}

TEST(UnixToDos, ConvertsLikeTheConverter) {
    for (const Case& c : cases()) {
        EXPECT_EQ(unixToDos(c.input), c.expected) << ::testing::PrintToString(c.input);
    }
}

// Runs Debian's unix2dos over copies of the inputs and compares its files with the in-memory
// conversion, for the cases above and for random mixes of the bytes that matter.
TEST(UnixToDos, AgreesWithTheRealConverter) {
    if (std::system("command -v unix2dos > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "unix2dos is not installed";
    }
    std::vector<std::string> inputs;
    for (const Case& c : cases())
        inputs.push_back(c.input);
    std::mt19937 random(318);
    const std::string alphabet = "ab\r\n\r\n\t\f\x01\x1a\x81\xb0\xff"s + '\0';
    for (int i = 0; i < 300; ++i) {
        std::string input(random() % 24, ' ');
        for (char& byte : input)
            byte = alphabet[random() % alphabet.size()];
        inputs.push_back(i % 5 == 0 ? "\xff\xfe" + input : input);
    }
    // Longer texts of words and mostly CR LF breaks, which the load checks 16 bytes at a time:
    // breaks and CR runs fall on every position of a 16-byte stretch and across its edges.
    const std::vector<std::string> tokens = {"abc",  "defgh", "i",  "\xc4\xa3", " ", "\r\n",
                                             "\r\n", "\r\n",  "\n", "\r",       "\t"};
    for (int i = 0; i < 300; ++i) {
        std::string input;
        for (std::size_t count = random() % 60; count > 0; --count)
            input += tokens[random() % tokens.size()];
        if (i % 10 == 0 && !input.empty()) input[random() % input.size()] = '\x01';  // binary
        inputs.push_back(input);
    }

    test_support::TempDir dir;
    for (std::size_t i = 0; i < inputs.size(); ++i)
        dir.write("f" + std::to_string(i), inputs[i]);
    // One run per file: within one run, a UTF-16 error in one file makes it skip later files.
    const std::string command = "cd '" + dir.path().string() +
                                "' && for f in f*; do LC_ALL=C.UTF-8 unix2dos -q \"$f\"; done";
    std::system((command + " 2> /dev/null").c_str());  // it fails for the files it skips
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        EXPECT_EQ(unixToDos(inputs[i]),
                  test_support::readBytes(dir.path() / ("f" + std::to_string(i))))
            << ::testing::PrintToString(inputs[i]);
    }
}

// Files of several read pieces, with the bytes that decide a conversion put where one piece ends
// and the next begins.
TEST(UnixToDos, ConvertingWhileReadingGivesTheSameBytes) {
    const std::size_t piece = kReadPieceBytes;
    const auto lines = [](std::size_t size, std::string_view lineBreak) {
        std::string text;
        while (text.size() < size)
            text.append("abc\xc4\xa3 (WeaponIndex 1 )").append(lineBreak);
        text.resize(size);
        return text;
    };
    struct ReadCase {
        std::string name;
        std::string bytes;
        bool changed;
    };
    std::vector<ReadCase> readCases;
    for (std::size_t run = 1; run <= 3; ++run) {
        for (std::size_t shift = 0; shift < 4; ++shift) {
            std::string bytes = lines(piece - shift, "\n") + std::string(run, '\r') + "\nx\n";
            readCases.push_back(
                {"CR run " + std::to_string(run) + " at piece end - " + std::to_string(shift),
                 bytes + lines(piece, "\n"), true});
        }
    }
    readCases.push_back({"odd CRs only", std::string(piece + 3, '\r') + "\n", false});
    readCases.push_back({"even CRs only", std::string(2 * piece, '\r') + "\n", true});
    readCases.push_back({"CR LF only", lines(2 * piece + 5, "\r\n"), false});
    readCases.push_back(
        {"binary late", lines(piece + 10, "\n") + "\x01" + lines(100, "\n"), false});
    readCases.push_back({"UTF-16",
                         "\xff\xfe"
                         "a\0\n\0"s,
                         true});

    test_support::TempDir dir;
    for (const ReadCase& c : readCases) {
        dir.write("data", c.bytes);
        PieceConversion conversion;
        std::error_code error;
        const std::optional<TextBuffer> read =
            readWholeFileToBuffer(dir.path() / "data", error, SIZE_MAX, 0,
                                  [&](TextBuffer& bytes, std::size_t got, bool atEnd) {
                                      return conversion(bytes, got, atEnd);
                                  });
        ASSERT_TRUE(read) << c.name;
        EXPECT_TRUE(read->view() == unixToDos(c.bytes)) << c.name;
        EXPECT_EQ(conversion.changed(), c.changed) << c.name;
    }
}

}  // namespace
}  // namespace qm318

#include "text/encoding.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace qm318 {
namespace {

// "QM318读取工具 v1.1     BY:青石匠": the window caption, one blank after 工具 and five after v1.1.
const std::string kCaptionGbk =
    "QM318\xb6\xc1\xc8\xa1\xb9\xa4\xbe\xdf v1.1     BY:\xc7\xe0\xca\xaf\xbd\xb3";
// "模糊搜索_请输入关键词": the search box hint, 21 bytes, 11 characters.
const std::string kCueBannerGbk =
    "\xc4\xa3\xba\xfd\xcb\xd1\xcb\xf7_\xc7\xeb\xca\xe4\xc8\xeb\xb9\xd8\xbc\xfc\xb4\xca";
const std::string kDuGbk = "\xb6\xc1";       // 读
const std::string kDuUtf8 = "\xe8\xaf\xbb";  // 读

// The caption as the program stores it: ASCII letters, digits and "." as themselves, a blank as
// "+", every other byte as "%" and two lower-case hexadecimal digits.
std::string storedForm(std::string_view gbk) {
    std::string out;
    for (const char c : gbk) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= '0' && byte <= '9') || byte == '.') {
            out.push_back(c);
        } else if (byte == ' ') {
            out.push_back('+');
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02x", byte);
            out += escape;
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// percentDecode

TEST(PercentDecode, StoredCaptionDecodesToCaption) {
    const std::string stored = storedForm(kCaptionGbk);
    EXPECT_EQ(stored, "QM318%b6%c1%c8%a1%b9%a4%be%df+v1.1+++++BY%3a%c7%e0%ca%af%bd%b3");
    EXPECT_EQ(percentDecode(stored), kCaptionGbk);
}

TEST(PercentDecode, EscapesBlanksAndPlainBytes) {
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"upper-case letter", "%41", "A"},
        {"lower-case hex digit", "%3a", ":"},
        {"upper-case hex digit", "%3A", ":"},
        {"two-byte character", "%b6%c1", kDuGbk},
        {"two-byte character, upper-case digits", "%B6%C1", kDuGbk},
        {"plus is a blank", "a+b", "a b"},
        {"escaped plus stays a plus", "%2B", "+"},
        {"decoded percent is not decoded again", "%2541", "%41"},
        {"plain text", "AK47_Knife-v1.1", "AK47_Knife-v1.1"},
        {"empty text", "", ""},
        {"two-byte character outside an escape", "x" + kDuGbk, "x" + kDuGbk},
        {"percent at the end", "ab%", "ab"},
        {"one digit at the end", "ab%4", "ab@"},  // the missing low digit counts as 0
        {"escape giving zero", "a%00b", "ab"},
        // A byte that is no hexadecimal digit counts as -2; the low eight bits are kept.
        {"no digits", "%zz", "\xde"},       // 16 * -2 - 2 = -34
        {"bad high digit", "%g1", "\xe1"},  // 16 * -2 + 1 = -31
        {"bad low digit", "%1g", "\x0e"},   // 16 * 1 - 2 = 14
        {"escape followed by text", "%41%42C", "ABC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(percentDecode(c.text), c.expected);
    }
}

TEST(PercentDecode, Utf8ResultConvertedToGbk) {
    EXPECT_EQ(percentDecode("%e8%af%bb", true), kDuGbk);
    EXPECT_EQ(percentDecode("QM+%e8%af%bb", true), "QM " + kDuGbk);
    EXPECT_EQ(percentDecode("%e8%af%bb", false), kDuUtf8);
}

TEST(PercentDecode, TextEndsAtFirstZeroByte) {
    EXPECT_EQ(percentDecode(std::string_view("a+\0%41", 6)), "a ");
}

// ---------------------------------------------------------------------------------------------
// toUtf16 / multiByteToUtf16

TEST(ToUtf16, CueBannerIgnoresCodePageUnlessAsked) {
    for (const int codePage : {0, kCodePageGbk, kCodePageUtf8, 1252, 12345}) {
        SCOPED_TRACE(codePage);
        const std::u16string units = toUtf16(kCueBannerGbk, codePage);
        EXPECT_EQ(units, u"模糊搜索_请输入关键词");
        // The wide buffer handed to the edit control: 11 units and the zero unit.
        EXPECT_EQ((units.size() + 1) * sizeof(char16_t), 24u);
        EXPECT_EQ(units.c_str()[11], u'\0');
    }
}

TEST(ToUtf16, ChosenCodePage) {
    EXPECT_EQ(toUtf16(kDuUtf8, kCodePageUtf8, true), u"读");
    EXPECT_EQ(toUtf16("\xe9", 1252, true), u"é");
    EXPECT_EQ(toUtf16(kDuGbk, kCodePageGbk, true), u"读");
    // A code page the converter does not know gives the empty buffer.
    EXPECT_EQ(toUtf16("abc", 12345, true), u"");
}

TEST(ToUtf16, EmptyAndZeroByte) {
    EXPECT_EQ(toUtf16(""), u"");
    EXPECT_EQ(toUtf16(std::string_view("ab\0cd", 5)), u"ab");
}

TEST(MultiByteToUtf16, Utf8UnlessAsked) {
    EXPECT_EQ(multiByteToUtf16(kDuUtf8), u"读");
    EXPECT_EQ(multiByteToUtf16(kDuUtf8, kCodePageGbk, false), u"读");
    EXPECT_EQ(multiByteToUtf16(kDuGbk, kCodePageGbk, true), u"读");
    // Four UTF-8 bytes become a surrogate pair; the buffer must hold both units.
    const std::u16string face = multiByteToUtf16("x\xf0\x9f\x98\x80");
    EXPECT_EQ(face, u"x\U0001F600");
    EXPECT_EQ(face.size(), 3u);
    EXPECT_EQ(multiByteToUtf16(""), u"");
}

// ---------------------------------------------------------------------------------------------
// utf16ToMultiByte

TEST(Utf16ToMultiByte, GbkUnlessAsked) {
    EXPECT_EQ(utf16ToMultiByte(u"读"), kDuGbk);
    EXPECT_EQ(utf16ToMultiByte(u"读", kCodePageUtf8, false), kDuGbk);
    EXPECT_EQ(utf16ToMultiByte(u"读", kCodePageUtf8, true), kDuUtf8);
    EXPECT_EQ(utf16ToMultiByte(u"读", kCodePageGbk, true), kDuGbk);
    EXPECT_EQ(utf16ToMultiByte(u"模糊搜索_请输入关键词"), kCueBannerGbk);
    EXPECT_EQ(utf16ToMultiByte(u"abc", 12345, true), "");
}

TEST(Utf16ToMultiByte, StopsAtZeroUnit) {
    EXPECT_EQ(utf16ToMultiByte(std::u16string_view(u"a\0b", 3)), "a");
    EXPECT_EQ(utf16ToMultiByte(u""), "");
}

TEST(Utf16ToMultiByte, UnmappableCharacterStillGivesText) {
    // No GBK character for U+1F600, nor for an unpaired surrogate: the rest survives.
    for (const std::u16string& units :
         {std::u16string(u"a\U0001F600b"), std::u16string{u'a', char16_t(0xD800), u'b'}}) {
        const std::string text = utf16ToMultiByte(units);
        ASSERT_GE(text.size(), 3u);
        EXPECT_EQ(text.front(), 'a');
        EXPECT_EQ(text.back(), 'b');
    }
}

// ---------------------------------------------------------------------------------------------
// utf8ToGbk / gbkToUtf8

TEST(GbkUtf8, RoundTrip) {
    struct Case {
        const char* name;
        std::string gbk;
        std::string utf8;
    };
    const std::vector<Case> cases = {
        {"caption", kCaptionGbk, "QM318读取工具 v1.1     BY:青石匠"},
        {"cue banner", kCueBannerGbk, "模糊搜索_请输入关键词"},
        {"ascii", "(Weapon \r\n", "(Weapon \r\n"},
        {"trail byte with letter value", "\xb0\x61\xb0\x5c", "癮癨"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gbkToUtf8(c.gbk), c.utf8);
        EXPECT_EQ(utf8ToGbk(c.utf8), c.gbk);
        EXPECT_EQ(utf8ToGbk(gbkToUtf8(c.gbk)), c.gbk);
    }
}

TEST(GbkUtf8, InvalidInputStillGivesText) {
    struct Case {
        const char* name;
        std::string gbk;
        std::string validPrefix;
        std::string validSuffix;
    };
    const std::vector<Case> cases = {
        {"lone lead byte at the end", "a\x81", "a", ""},
        {"lead byte with a bad trail byte", "\x81 x", "", " x"},
        {"byte 0xFF", "x\xffy", "x", "y"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::u16string units = toUtf16(c.gbk);
        EXPECT_FALSE(units.empty());
        const std::string utf8 = gbkToUtf8(c.gbk);
        ASSERT_GT(utf8.size(), c.validPrefix.size() + c.validSuffix.size());
        EXPECT_EQ(utf8.substr(0, c.validPrefix.size()), c.validPrefix);
        EXPECT_EQ(utf8.substr(utf8.size() - c.validSuffix.size()), c.validSuffix);
    }

    const std::string gbk = utf8ToGbk(
        "a\xff"
        "b");  // 0xFF is never valid in UTF-8
    ASSERT_GE(gbk.size(), 3u);
    EXPECT_EQ(gbk.front(), 'a');
    EXPECT_EQ(gbk.back(), 'b');
}

TEST(GbkUtf8, TextEndsAtFirstZeroByte) {
    EXPECT_EQ(gbkToUtf8(std::string_view("a\0"
                                         "b",
                                         3)),
              "a");
    EXPECT_EQ(utf8ToGbk(std::string_view("a\0"
                                         "b",
                                         3)),
              "a");
}

// ---------------------------------------------------------------------------------------------
// utf16ToUtf8Strict

TEST(Utf16ToUtf8Strict, ConvertsOrRefuses) {
    std::string utf8;
    EXPECT_TRUE(utf16ToUtf8Strict(u"读", utf8));
    EXPECT_EQ(utf8, kDuUtf8);

    EXPECT_TRUE(utf16ToUtf8Strict(u"\U0001F600", utf8));
    EXPECT_EQ(utf8, "\xf0\x9f\x98\x80");

    EXPECT_TRUE(utf16ToUtf8Strict(std::u16string_view(u"a\0b", 3), utf8));
    EXPECT_EQ(utf8, std::string("a\0b", 3));

    EXPECT_TRUE(utf16ToUtf8Strict(u"", utf8));
    EXPECT_EQ(utf8, "");

    EXPECT_FALSE(utf16ToUtf8Strict(std::u16string{u'a', char16_t(0xD800)}, utf8));
    EXPECT_FALSE(utf16ToUtf8Strict(std::u16string{char16_t(0xDC00), u'a'}, utf8));
}

// ---------------------------------------------------------------------------------------------
// gbkToUtf16WithOffsets

TEST(GbkToUtf16WithOffsets, OffsetOfEachUnitsCharacter) {
    struct Case {
        const char* name;
        std::string gbk;
        std::u16string units;
        std::vector<std::int32_t> offsets;
    };
    const std::vector<Case> cases = {
        {"mixed", "a" + kDuGbk + "b", u"a读b", {0, 1, 3}},
        {"two-byte characters", "\xb6\xc1\xc8\xa1", u"读取", {0, 2}},  // 读取
        {"trail byte with letter value", "x\xb0\x61y", u"x癮y", {0, 1, 3}},
        {"empty", "", u"", {}},
        {"ends at zero byte", std::string("ab\0c", 4), u"ab", {0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Utf16WithOffsets result = gbkToUtf16WithOffsets(c.gbk);
        EXPECT_EQ(result.units, c.units);
        EXPECT_EQ(result.byteOffsets, c.offsets);
    }
}

TEST(GbkToUtf16WithOffsets, InvalidInputKeepsOneOffsetPerUnit) {
    for (const std::string gbk : {"a\x81", "\x81 x", "x\xffy"}) {
        SCOPED_TRACE(gbk);
        const Utf16WithOffsets result = gbkToUtf16WithOffsets(gbk);
        EXPECT_EQ(result.units, toUtf16(gbk));
        ASSERT_EQ(result.byteOffsets.size(), result.units.size());
        for (std::size_t i = 0; i < result.byteOffsets.size(); ++i) {
            EXPECT_GE(result.byteOffsets[i], 0);
            EXPECT_LT(result.byteOffsets[i], std::int32_t(gbk.size()));
            if (i > 0) {
                EXPECT_GT(result.byteOffsets[i], result.byteOffsets[i - 1]);
            }
        }
    }
}

}  // namespace
}  // namespace qm318

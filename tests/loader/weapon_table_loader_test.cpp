#include "loader/weapon_table_loader.h"

#include <gtest/gtest.h>

#include <random>

#include <string>
#include <vector>

#include "loader/row_extraction.h"
#include "sample_data.h"
#include "support/temp_dir.h"

namespace qm318 {
namespace {

using namespace std::string_literals;

const std::string kSentinelName = "BY\xa3\xba\xc7\xe0\xca\xaf\xbd\xb3";  // BY：青石匠

std::string record(const std::string& index, const std::string& name) {
    return "(Weapon\r\n (WeaponIndex " + index + " )\r\n (WeaponName \"" + name + "\" )\r\n)\r\n";
}

void expectSentinelLast(const WeaponTable& table) {
    const std::size_t last = table.rowCount() - 1;
    EXPECT_EQ(table.cell(last, kColumnName), kSentinelName);
    EXPECT_EQ(table.cell(last, kColumnIndex), "9999");
    for (std::size_t c = 2; c < kColumnCount; ++c)
        EXPECT_EQ(table.cell(last, c), "") << c;
    EXPECT_EQ(table.recordText(last), "");
}

void expectEmptyRow(const WeaponTable& table, std::size_t row) {
    for (std::size_t c = 0; c < kColumnCount; ++c)
        EXPECT_EQ(table.cell(row, c), "") << row << "," << c;
}

TEST(WeaponTableLoader, OneRowPerRecordBetweenTheHeaderPieceAndTheSentinel) {
    const auto table = buildWeaponTable(record("1", "a") + record("2", "b") + record("3", "c"));
    ASSERT_EQ(table->rowCount(), 5u);
    expectEmptyRow(*table, 0);
    EXPECT_EQ(table->recordText(0), "");
    for (std::size_t row = 1; row <= 3; ++row) {
        EXPECT_EQ(table->cell(row, kColumnIndex), std::to_string(row));
    }
    EXPECT_EQ(table->cell(2, kColumnName), "b");
    expectSentinelLast(*table);
}

TEST(WeaponTableLoader, TextBeforeTheFirstRecordMakesTheFirstRow) {
    const auto table = buildWeaponTable("; list\r\n (WeaponClass 7 )\r\n" + record("1", "a"));
    ASSERT_EQ(table->rowCount(), 3u);
    EXPECT_EQ(table->cell(0, kColumnClass), "7");
    EXPECT_EQ(table->cell(0, kColumnName), "");
    EXPECT_EQ(table->recordText(0), "");
}

TEST(WeaponTableLoader, RecordHeadsAreFoundAsTheLoaderDefinesThem) {
    // "(Weapon \r\n" in any letter case starts a record; "(weapon\r\n" without the blank does not,
    // and its lines stay in the record above, whose own lines win.
    const std::string text = record("1", "a") + "(WEAPON \r\n (WeaponIndex 2 )\r\n" +
                             "(weapon\r\n (WeaponIndex 3 )\r\n (WeaponClass 5 )\r\n" +
                             "(Weapon\r\n(Weapon\r\n (WeaponIndex 4 )\r\n";
    const auto table = buildWeaponTable(text);
    ASSERT_EQ(table->rowCount(), 6u);
    EXPECT_EQ(table->cell(1, kColumnIndex), "1");
    EXPECT_EQ(table->cell(2, kColumnIndex), "2");
    EXPECT_EQ(table->cell(2, kColumnClass), "5");
    expectEmptyRow(*table, 3);  // two heads in a row
    EXPECT_EQ(table->cell(4, kColumnIndex), "4");
    EXPECT_NE(table->text().find("(Weapon\r\n (WeaponIndex 2 )"), std::string_view::npos);
    expectSentinelLast(*table);
}

TEST(WeaponTableLoader, EachRowHasItsOwnRecord) {
    // Two records share an index and a third writes its index line with other spacing: every row
    // still shows the record it was cut from.
    const std::string first = record("7", "first");
    const std::string second = record("7", "second");
    const std::string spaced = "(Weapon\r\n (WeaponIndex  8 )\r\n (WeaponName \"x\" )\r\n";
    const auto table = buildWeaponTable(first + second + spaced);
    ASSERT_EQ(table->rowCount(), 5u);
    EXPECT_EQ(table->recordText(1), first);
    EXPECT_EQ(table->recordText(2), second);
    // The last record runs up to the sentinel's head, taking the line break that begins it.
    EXPECT_EQ(table->recordText(3), spaced + "\r\n");
    EXPECT_EQ(table->recordText(4), "");
}

TEST(WeaponTableLoader, LineBreaksGiveTheSameTableWhateverTheFileUses) {
    SampleOptions options;
    options.records = 40;
    const std::string lf = generateSampleLta(options);
    options.crlf = true;
    const auto fromLf = buildWeaponTable(lf);
    const auto fromCrLf = buildWeaponTable(generateSampleLta(options));
    ASSERT_EQ(fromLf->rowCount(), 42u);
    ASSERT_EQ(fromLf->rowCount(), fromCrLf->rowCount());
    EXPECT_EQ(fromLf->text(), fromCrLf->text());
    for (std::size_t row = 0; row < fromLf->rowCount(); ++row) {
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            ASSERT_EQ(fromLf->cell(row, c), fromCrLf->cell(row, c)) << row << "," << c;
        }
        ASSERT_EQ(fromLf->recordText(row), fromCrLf->recordText(row)) << row;
    }
}

TEST(WeaponTableLoader, MatchesOneRegularExpressionPerColumnOnASampleFile) {
    SampleOptions options;
    options.records = 60;
    const auto table = buildWeaponTable(generateSampleLta(options));
    const std::vector<TextSpan> blocks = splitWeaponBlocks(table->text());
    ASSERT_EQ(blocks.size(), table->rowCount());
    MatcherRowExtractor reference;
    for (std::size_t row = 0; row < blocks.size(); ++row) {
        const auto expected =
            reference.extract(table->text().substr(blocks[row].offset, blocks[row].length));
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            ASSERT_EQ(table->cell(row, c), expected[c]) << row << "," << c;
        }
    }
}

// Large texts are split on two threads; the blocks must be those of one scan, with heads that a
// lead byte before them hides, heads in other letter case and heads split by the middle.
TEST(WeaponTableLoader, SplittingOnTwoThreadsGivesTheBlocksOfOneScan) {
    const std::vector<std::string> pieces = {"(Weapon\r\n (WeaponName \"\xc4\xa3\" )\r\n",
                                             "\x81(Weapon\r\n",
                                             "(WEAPON\r\n",
                                             "\xc4\xa3\xc4(Weapon\r\n",
                                             "x\r\n",
                                             "(Weapon\r\n(Weapon\r\n",
                                             "\xff\n"};
    std::mt19937 random(7);
    std::string text;
    while (text.size() < (std::size_t(17) << 20))
        text += pieces[random() % pieces.size()];
    for (std::size_t shift = 0; shift < 3; ++shift) {
        const std::string_view shifted = std::string_view(text).substr(shift);
        const std::vector<TextSpan> expected = splitSpans(shifted, kRecordHead);
        const std::vector<TextSpan> blocks = splitWeaponBlocks(shifted);
        ASSERT_EQ(blocks.size(), expected.size()) << shift;
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            ASSERT_EQ(blocks[i].offset, expected[i].offset) << shift << " " << i;
            ASSERT_EQ(blocks[i].length, expected[i].length) << shift << " " << i;
        }
    }
}

// In a large text, a head with a blank before its line break is found in either half.
TEST(WeaponTableLoader, LargeTextsFindBlankHeadsInEitherHalf) {
    const std::string filler = std::string(std::size_t(9) << 20, 'x') + "\r\n";
    const std::string head = "(WEAPON \r\n (WeaponIndex 5 )\r\n";
    for (const std::string& text : {head + filler + filler, filler + filler + head}) {
        const auto table = buildWeaponTable(text);
        ASSERT_EQ(table->rowCount(), 3u);
        EXPECT_EQ(table->cell(1, kColumnIndex), "5");
    }
}

// A large text ends at its first zero byte, found in either half.
TEST(WeaponTableLoader, LargeTextsEndAtTheirFirstZeroByte) {
    const std::string filler = std::string(std::size_t(9) << 20, 'x') + "\r\n";
    const std::string head = "(Weapon\r\n (WeaponIndex 5 )\r\n";
    const std::string zero(1, '\0');
    EXPECT_EQ(buildWeaponTable(head + filler + filler + zero + head + zero)->rowCount(), 3u);
    EXPECT_EQ(buildWeaponTable(head + zero + filler + zero + filler + head)->rowCount(), 3u);
    EXPECT_EQ(buildWeaponTable(zero + head + filler + filler + head)->rowCount(), 2u);
}

// A buffer that never held a byte has no memory at all; every entry point takes it as the empty
// text (a fuzzer once found memchr called on its null pointer).
TEST(WeaponTableLoader, ABufferThatNeverHeldAByteIsTheEmptyText) {
    EXPECT_EQ(buildWeaponTable(TextBuffer())->rowCount(), 2u);
    EXPECT_EQ(buildTableFromDosText(TextBuffer())->rowCount(), 2u);
    EXPECT_EQ(prepareTableText(TextBuffer()).view(), std::string(kSentinelRecord));
}

// Inputs that must neither crash nor hang: each gives a table whose last row is the sentinel.
TEST(WeaponTableLoader, HostileInputsStillGiveATable) {
    struct Case {
        const char* name;
        std::string bytes;
        std::size_t rows;
    };
    std::string binary(4096, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i)
        binary[i] = char(i * 131 % 256);
    std::string manyEmpty;
    for (int i = 0; i < 200'000; ++i)
        manyEmpty += "(Weapon\n";
    const std::vector<Case> cases = {
        {"empty file", "", 2},
        {"zero bytes only", std::string(1000, '\0'), 2},
        {"binary", binary, 2},
        {"text after a zero byte is not loaded", record("1", "a") + "\0"s + record("2", "b"), 3},
        {"one 50 MB line", " (WeaponName \"" + std::string(50 << 20, 'x') + "\" )", 2},
        {"invalid and truncated GBK", "\x81\n(Weapon\n (WeaponIndex 1 )\n\xff\xfe\x81", 3},
        {"200,000 empty records", manyEmpty, 200'002},
        {"LF file with a control byte stays unconverted", "(Weapon\n (WeaponIndex 1 )\n\x01\n", 2},
    };
    for (const Case& c : cases) {
        const auto table = buildWeaponTable(c.bytes);
        ASSERT_EQ(table->rowCount(), c.rows) << c.name;
        expectSentinelLast(*table);
    }
}

TEST(WeaponTableLoader, ProgressCountsEveryRow) {
    std::vector<std::size_t> seen;
    std::size_t announcedTotal = 0;
    buildWeaponTable(record("1", "a") + record("2", "b"), [&](std::size_t done, std::size_t total) {
        seen.push_back(done);
        announcedTotal = total;
    });
    EXPECT_EQ(seen, (std::vector<std::size_t>{1, 2, 3, 4}));
    EXPECT_EQ(announcedTotal, 4u);
}

TEST(WeaponTableLoader, FileErrorsAreReported) {
    test_support::TempDir dir;
    EXPECT_EQ(loadWeaponTableFile(dir.path() / "missing.lta").error, LoadError::NotFound);
    EXPECT_EQ(loadWeaponTableFile(dir.path()).error, LoadError::NotReadable);
    const auto file = dir.write("QM318.LTA", record("5", "x"));
    const LoadResult loaded = loadWeaponTableFile(file);
    ASSERT_EQ(loaded.error, LoadError::None);
    EXPECT_EQ(loaded.table->cell(1, kColumnIndex), "5");
}

}  // namespace
}  // namespace qm318

// Data files made to break the load: empty, zero bytes, random bytes, huge lines, huge numbers of
// records and record heads, broken GBK, and a record with thousands of key lines. Each must give a
// table (checked by its rows and cells) or a clear error, through both the load from bytes and
// the load from a file.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "loader/row_extraction.h"
#include "loader/weapon_table_loader.h"
#include "support/temp_dir.h"
#include "support/text_repeat.h"

namespace qm318 {
namespace {

using test_support::repeated;

using namespace std::string_literals;
using test_support::TempDir;

const std::string kSentinelName = "BY\xa3\xba\xc7\xe0\xca\xaf\xbd\xb3";  // BY：青石匠

// Bytes of a fixed random sequence, each drawn from allowed.
std::string randomBytes(std::size_t size, const std::string& allowed, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes(size, ' ');
    for (char& byte : bytes)
        byte = allowed[random() % allowed.size()];
    return bytes;
}

std::string allBytesBut(std::string_view leftOut) {
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        if (leftOut.find(char(b)) == std::string_view::npos) bytes.push_back(char(b));
    }
    return bytes;
}

// What a case expects of its table; an empty optional leaves that part unchecked.
struct Expected {
    std::size_t rows;
    // The table text, when the case knows it exactly (the sentinel record included).
    std::optional<std::string> text;
    // Cells to check: row, column, value.
    std::vector<std::tuple<std::size_t, std::size_t, std::string>> cells = {};
    // Records to check: row, record text.
    std::vector<std::pair<std::size_t, std::string>> records = {};
};

struct Case {
    std::string why;
    std::string bytes;
    Expected expected;
};

void expectTable(const WeaponTable& table, const Expected& expected) {
    ASSERT_EQ(table.rowCount(), expected.rows);
    const std::size_t last = table.rowCount() - 1;
    EXPECT_EQ(table.cell(last, kColumnName), kSentinelName);
    EXPECT_EQ(table.cell(last, kColumnIndex), "9999");
    EXPECT_TRUE(table.text().ends_with(kSentinelRecord));
    if (expected.text) {
        EXPECT_TRUE(table.text() == *expected.text) << "table text differs";
    }
    for (const auto& [row, column, value] : expected.cells) {
        EXPECT_EQ(table.cell(row, column), value) << "row " << row << ", column " << column;
    }
    for (const auto& [row, record] : expected.records) {
        EXPECT_EQ(table.recordText(row), record) << "row " << row;
    }
}

// Loads the bytes from memory and from a file; both must give the expected table.
void expectBothLoads(const Case& c) {
    SCOPED_TRACE(c.why);
    {
        const WeaponTablePtr table = buildWeaponTable(c.bytes);
        ASSERT_NE(table, nullptr);
        expectTable(*table, c.expected);
    }
    TempDir dir;
    const LoadResult loaded = loadWeaponTableFile(dir.write("QM318.LTA", c.bytes));
    ASSERT_EQ(loaded.error, LoadError::None);
    ASSERT_NE(loaded.table, nullptr);
    expectTable(*loaded.table, c.expected);
}

const std::string kSentinel(kSentinelRecord);

TEST(HostileInput, EmptyZeroAndRandomBytes) {
    const std::string withZeros = randomBytes(1 << 20, allBytesBut(""), 318);
    const std::string withoutZeros = randomBytes(1 << 20, allBytesBut("\0"s), 319);
    // Random text between records, without line breaks so that every record keeps its lines.
    const std::string noise = allBytesBut("\0\r\n"s);
    std::string recordsInNoise = randomBytes(10'000, noise, 320);
    for (int i = 1; i <= 100; ++i) {
        recordsInNoise += "\r\n(Weapon\r\n (WeaponIndex " + std::to_string(i) + " )\r\n" +
                          randomBytes(10'000, noise, 320 + i);
    }
    const std::vector<Case> cases = {
        {"an empty file", "", {2, kSentinel, {{0, kColumnName, ""}}, {{0, ""}}}},
        {"zero bytes only", std::string(1 << 20, '\0'), {2, kSentinel}},
        // The text ends at the first zero byte; a file with control bytes is not converted.
        {"random bytes", withZeros, {2, withZeros.substr(0, withZeros.find('\0')) + kSentinel}},
        {"random bytes without a zero byte", withoutZeros, {2, withoutZeros + kSentinel}},
        {"records between runs of random bytes",
         recordsInNoise,
         {102, recordsInNoise + kSentinel, {{1, kColumnIndex, "1"}, {100, kColumnIndex, "100"}}}},
    };
    for (const Case& c : cases)
        expectBothLoads(c);
}

TEST(HostileInput, OneLineOf50Megabytes) {
    constexpr std::size_t kLength = 50 << 20;
    const std::string plain(kLength, 'x');
    // 25 million two-byte characters (啊, B0 A1) as one weapon name.
    const std::string name = repeated("\xb0\xa1", kLength / 2);
    const std::vector<Case> cases = {
        {"a line without a line break", plain, {2, plain + kSentinel, {{0, kColumnName, ""}}}},
        {"a weapon name of 50 MB",
         "(Weapon\n (WeaponName \"" + name + "\" )\n (WeaponIndex 7 )\n",
         {3, std::nullopt, {{1, kColumnName, name}, {1, kColumnIndex, "7"}}}},
    };
    for (const Case& c : cases)
        expectBothLoads(c);
}

TEST(HostileInput, HundredsOfThousandsOfRecordHeads) {
    const std::string canonicalEmpty = repeated("(Weapon\r\n", 200'000) + kSentinel;
    // The last of a run of empty records runs up to the sentinel's head, taking its CR LF.
    const std::vector<std::pair<std::size_t, std::string>> emptyRecords = {
        {1, "(Weapon\r\n"}, {100'000, "(Weapon\r\n"}, {200'000, "(Weapon\r\n\r\n"}};
    const std::vector<Case> cases = {
        {"200,000 empty records", repeated("(Weapon\r\n", 200'000),
         Expected{200'002, canonicalEmpty, {}, emptyRecords}},
        {"200,000 empty records with LF breaks", repeated("(Weapon\n", 200'000),
         Expected{200'002, canonicalEmpty, {}, emptyRecords}},
        {"200,000 empty records whose heads have a blank", repeated("(Weapon \r\n", 200'000),
         Expected{200'002, canonicalEmpty, {}, emptyRecords}},
        {"200,000 empty records, heads in capitals with a blank and LF",
         repeated("(WEAPON \n", 200'000), Expected{200'002, canonicalEmpty, {}, emptyRecords}},
        // Without a line break "(Weapon" is no head: all of it is the text before the records,
        // but for the last one, which the sentinel's CR LF makes a head.
        {"100,000 heads on one line", repeated("(Weapon", 100'000),
         Expected{3, repeated("(Weapon", 100'000) + kSentinel, {}, {{1, "(Weapon\r\n"}}}},
        {"100,000 heads each ending in a lone CR", repeated("(Weapon\r", 100'000),
         Expected{2, repeated("(Weapon\r", 100'000) + kSentinel}},
        {"100,000 heads each after an unfinished head", repeated("(Weapon(Weapon\r\n", 100'000),
         Expected{100'002,
                  std::nullopt,
                  {},
                  {{0, ""}, {1, "(Weapon\r\n(Weapon"}, {99'999, "(Weapon\r\n(Weapon"}}}},
        {"heads with and without a blank in turn, then one weapon",
         repeated("(Weapon\r\n(Weapon \r\n", 50'000) + " (WeaponIndex 5 )\r\n",
         Expected{100'002,
                  repeated("(Weapon\r\n", 100'000) + " (WeaponIndex 5 )\r\n" + kSentinel,
                  {{1, kColumnIndex, ""}, {100'000, kColumnIndex, "5"}}}},
        // Two blanks, or a blank and no line break, make no head.
        {"heads with two blanks", repeated("(Weapon  \r\n", 100'000),
         Expected{2, repeated("(Weapon  \r\n", 100'000) + kSentinel}},
    };
    for (const Case& c : cases)
        expectBothLoads(c);
}

TEST(HostileInput, BrokenGbk) {
    const std::string two = "(Weapon\n (WeaponIndex 4 )\n (WeaponName \"y\" )\n";
    const std::vector<Case> cases = {
        {"a lone lead byte", "\x81", {2, "\x81" + kSentinel}},
        // The lead byte at the very end takes the sentinel's CR as its second byte; the head
        // after it is still found.
        {"a lead byte at the very end",
         "(Weapon\n (WeaponIndex 3 )\n (WeaponName \"x\" )\n\xfe",
         {3,
          "(Weapon\r\n (WeaponIndex 3 )\r\n (WeaponName \"x\" )\r\n\xfe" + kSentinel,
          {{1, kColumnIndex, "3"}, {1, kColumnName, "x"}},
          {{1, "(Weapon\r\n (WeaponIndex 3 )\r\n (WeaponName \"x\" )\r\n\xfe\r\n"}}}},
        // A line break after a lead byte still ends the line and the next head is still found.
        {"lead bytes before line breaks",
         "\x81\n(Weapon\n (WeaponIndex 4 )\n\xfe\r\n (WeaponName \"y\" )\n\x90\n(Weapon\n"
         " (WeaponIndex 5 )\n",
         {4,
          std::nullopt,
          {{1, kColumnIndex, "4"}, {1, kColumnName, "y"}, {2, kColumnIndex, "5"}},
          {{0, ""}, {2, "(Weapon\r\n (WeaponIndex 5 )\r\n\r\n"}}}},
        // A control byte after a lead byte makes the file binary for the converter: LF breaks
        // stay, so no head is found.
        {"a lead byte and a control byte in an LF file",
         "\x81\x01\n" + two,
         {2, "\x81\x01\n" + two + kSentinel}},
        {"a lead byte and a control byte in a CR LF file",
         "(Weapon\r\n (WeaponIndex 6 )\r\n (WeaponName \"\x81\x01\" )\r\n",
         {3, std::nullopt, {{1, kColumnIndex, "6"}, {1, kColumnName, "\x81\x01"}}}},
        {"a lead byte and a zero byte",
         "(Weapon\r\n (WeaponIndex 6 )\r\n\x81\0tail"s,
         {3, "(Weapon\r\n (WeaponIndex 6 )\r\n\x81" + kSentinel, {{1, kColumnIndex, "6"}}}},
        // Characters are read two bytes at a time, so a quote or "(" that follows a lead byte
        // belongs to that character: it neither closes a name nor begins a head.
        {"a lead byte before the closing quote",
         "(Weapon\r\n (WeaponIndex 8 )\r\n (WeaponName \"ab\x81\" )\r\n",
         {3, std::nullopt, {{1, kColumnIndex, "8"}, {1, kColumnName, ""}}}},
        {"a lead byte before a head",
         "(Weapon\r\n (WeaponIndex 1 )\r\n\x81(Weapon\r\n (WeaponIndex 2 )\r\n",
         {3, std::nullopt, {{1, kColumnIndex, "1"}}}},
        {"bytes that are no GBK character",
         "(Weapon\r\n (WeaponName \"\xff\xff\x80\x7f\" )\r\n",
         {3, std::nullopt, {{1, kColumnName, "\xff\xff\x80\x7f"}}}},
        // A UTF-16 byte order mark makes the converter read the file as UTF-16 and write UTF-8
        // with a byte order mark; the record after the first line is found as in any file.
        {"UTF-16 with a byte order mark",
         "\xff\xfe;\0\n\0(\0W\0e\0a\0p\0o\0n\0\n\0 \0(\0W\0e\0a\0p\0o\0n\0I\0n\0d\0e\0x\0"
         " \0"
         "9\0 \0)\0\n\0"s,
         {3,
          "\xef\xbb\xbf;\r\n(Weapon\r\n (WeaponIndex 9 )\r\n" + kSentinel,
          {{1, kColumnIndex, "9"}}}},
        {"UTF-16 with a broken surrogate is left as it is",
         "\xff\xfe\x00\xd8\n\0"s,
         {2, "\xff\xfe" + kSentinel}},
    };
    for (const Case& c : cases)
        expectBothLoads(c);
}

// Every line of the record is " (Key value )" with the value written as the column's rule reads
// it, so that the first line of each of the 32 keys gives that column's cell.
std::string keyLine(std::size_t column, const std::string& value) {
    const WeaponColumn& c = kWeaponColumns[column];
    const bool quoted = c.rule == CellRule::Quoted;
    return " (" + std::string(c.key) + " " + (quoted ? "\"" + value + "\"" : value) + " )\r\n";
}

TEST(HostileInput, ARecordWithTenThousandKeyLines) {
    std::string record = "(Weapon\r\n";
    for (std::size_t line = 0; line < 10'000; ++line) {
        if (line % 3 == 2) {
            record += " (UnknownKey" + std::to_string(line) + " \"x\" )\r\n";
        } else {
            // The key in other letter case from the second round of columns on.
            std::string text = keyLine(line % kColumnCount, std::to_string(line));
            if (line >= kColumnCount) {
                for (char& ch : text)
                    ch = char(ch ^ ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') ? 32 : 0));
            }
            record += text;
        }
    }
    Expected expected{3, std::nullopt, {}, {{1, record + "\r\n"}}};
    // The first two rounds of lines give every column its cell (every third line is another
    // key); the first line of a column's key wins over every later one.
    std::vector<bool> seen(kColumnCount, false);
    for (std::size_t line = 0; line < 10'000; ++line) {
        const std::size_t column = line % kColumnCount;
        if (line % 3 == 2 || seen[column]) continue;
        seen[column] = true;
        // A cell read up to the ")" keeps the blank before it.
        const bool upToParen = kWeaponColumns[column].rule == CellRule::UpToParen;
        expected.cells.emplace_back(1, column, std::to_string(line) + (upToParen ? " " : ""));
    }
    ASSERT_EQ(std::count(seen.begin(), seen.end(), true), std::ptrdiff_t(kColumnCount));
    expectBothLoads({"10,000 key lines", record, expected});

    // The one-pass extraction agrees with one regular expression per column on that record.
    const WeaponTablePtr table = buildWeaponTable(record);
    const std::vector<TextSpan> blocks = splitWeaponBlocks(table->text());
    ASSERT_EQ(blocks.size(), 3u);
    MatcherRowExtractor reference;
    const auto cells = reference.extract(table->text().substr(blocks[1].offset, blocks[1].length));
    for (std::size_t c = 0; c < kColumnCount; ++c)
        EXPECT_EQ(table->cell(1, c), cells[c]) << c;
}

TEST(HostileInput, FilesThatCannotBeLoadedGiveAClearError) {
    TempDir dir;
    const auto big = dir.write("big.lta", std::string(2 << 20, 'x'));
    struct ErrorCase {
        std::string why;
        std::filesystem::path path;
        LoadLimits limits;
        LoadError error;
    };
    const std::vector<ErrorCase> cases = {
        {"a file larger than allowed", big, {.maxFileBytes = 1 << 20}, LoadError::TooLarge},
        // Only regular files are read: a device could be endless.
        {"an endless device", "/dev/zero", {}, LoadError::NotReadable},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.why);
        const LoadResult result = loadWeaponTableFile(c.path, {}, c.limits);
        EXPECT_EQ(result.error, c.error);
        EXPECT_EQ(result.table, nullptr);
    }
}

// A FIFO that nobody writes to must not make the load wait for a writer for ever.
TEST(HostileInput, AFifoIsRefusedWithoutWaiting) {
    TempDir dir;
    const std::filesystem::path fifo = dir.path() / "QM318.LTA";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const LoadResult result = loadWeaponTableFile(fifo);
    EXPECT_EQ(result.error, LoadError::NotReadable);
    EXPECT_EQ(result.table, nullptr);
}

}  // namespace
}  // namespace qm318

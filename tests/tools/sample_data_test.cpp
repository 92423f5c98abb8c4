#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "loader/weapon_table_loader.h"
#include "sample_data.h"
#include "text/gbk_text.h"

namespace qm318 {
namespace {

constexpr std::size_t kRecords = 60;

SampleOptions smallSample(bool crlf = false) {
    SampleOptions options;
    options.records = kRecords;
    options.crlf = crlf;
    return options;
}

std::size_t lineCount(std::string_view text) {
    std::size_t lines = 0;
    for (const char c : text)
        lines += c == '\n' ? 1 : 0;
    return lines;
}

TEST(SampleData, SameOptionsGiveSameBytesAndTheSeedMatters) {
    const std::string first = generateSampleLta(smallSample());
    EXPECT_EQ(first, generateSampleLta(smallSample()));

    SampleOptions otherSeed = smallSample();
    otherSeed.seed += 1;
    EXPECT_NE(first, generateSampleLta(otherSeed));
}

TEST(SampleData, LineBreaksFollowTheOption) {
    const std::string lf = generateSampleLta(smallSample(false));
    const std::string crlf = generateSampleLta(smallSample(true));
    EXPECT_EQ(lf.find('\r'), std::string::npos);
    EXPECT_EQ(lineCount(crlf), countOccurrences(crlf, "\r\n", true));
    EXPECT_EQ(lineCount(lf), lineCount(crlf));
}

TEST(SampleData, LoadsIntoOneRowPerRecordWithNamesAndIncreasingIndices) {
    const WeaponTablePtr table = buildWeaponTable(generateSampleLta(smallSample()));
    ASSERT_EQ(table->rowCount(), kRecords + 2);

    long previousIndex = 0;
    std::array<std::size_t, kColumnCount> filled{};
    for (std::size_t row = 1; row <= kRecords; ++row) {
        SCOPED_TRACE(row);
        EXPECT_FALSE(table->cell(row, kColumnName).empty());
        const std::string index(table->cell(row, kColumnIndex));
        ASSERT_FALSE(index.empty());
        EXPECT_GT(std::stol(index), previousIndex);
        previousIndex = std::stol(index);

        // A record head, 120 to 180 key lines and maybe a closing line.
        const std::size_t lines = lineCount(table->recordText(row));
        EXPECT_GE(lines, 1u + 120u);
        EXPECT_LE(lines, 1u + 180u + 1u);
        for (std::size_t c = 0; c < kColumnCount; ++c)
            filled[c] += table->cell(row, c).empty() ? 0 : 1;
    }
    // Every column's key is written, and only a few records leave any one out.
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        EXPECT_GT(filled[c], kRecords * 3 / 4) << kWeaponColumns[c].key;
    }
}

TEST(SampleData, LfAndCrLfFilesGiveTheSameTable) {
    const WeaponTablePtr lf = buildWeaponTable(generateSampleLta(smallSample(false)));
    const WeaponTablePtr crlf = buildWeaponTable(generateSampleLta(smallSample(true)));
    ASSERT_EQ(lf->rowCount(), crlf->rowCount());
    for (std::size_t row = 0; row < lf->rowCount(); ++row) {
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            ASSERT_EQ(lf->cell(row, c), crlf->cell(row, c)) << "row " << row << " column " << c;
        }
    }
}

}  // namespace
}  // namespace qm318

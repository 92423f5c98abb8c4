// A load that would not fit in the memory that is free is refused with NotEnoughMemory, before
// the converter could touch the data file; with memory to spare, or when the free memory cannot be
// told, the file loads as usual.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "loader/weapon_table_loader.h"
#include "support/temp_dir.h"

namespace qm318 {
namespace {

using test_support::readBytes;
using test_support::TempDir;

std::string emptyRecords(std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += "(Weapon\n";
    return text;
}

TEST(LoadLimits, ALoadThatWouldNotFitInFreeMemoryIsRefused) {
    // 10,000 records of 8 bytes: about 90 KB of text, but 10,002 rows of 32 cells each need far
    // more than 200 KB, so that load passes the check of the text and fails the one of the rows.
    const std::string records = emptyRecords(10'000);
    struct Case {
        std::string why;
        std::optional<std::uint64_t> freeMemory;
        bool loads;
        // A load refused before the text is read never hands the file to the converter; one that
        // goes ahead does, because its LF line breaks would change, and so does one refused only
        // when the rows are counted, by which time the converter has started.
        bool converterRuns;
    };
    const std::vector<Case> cases = {
        {"far too little for the text", 1000, false, false},
        {"nothing free", 0, false, false},
        {"enough for the text but not for the rows", 200'000, false, true},
        {"plenty", std::uint64_t(1) << 40, true, true},
        {"free memory unknown", std::nullopt, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        TempDir dir;
        const auto file = dir.write("QM318.LTA", records);
        std::atomic<int> asked{0};
        const LoadLimits limits{.availableMemory = [&] {
            ++asked;
            return c.freeMemory;
        }};
        std::atomic<int> converted{0};
        const FileConverter converter = [&](const std::filesystem::path&) { ++converted; };

        const LoadResult plain = loadWeaponTableFile(file, {}, limits);
        const LoadResult window = loadAndConvertDataFile(file, {}, converter, limits);
        EXPECT_GT(asked, 0) << "the limit was not consulted";
        for (const LoadResult* result : {&plain, &window}) {
            if (c.loads) {
                EXPECT_EQ(result->error, LoadError::None);
                ASSERT_NE(result->table, nullptr);
                EXPECT_EQ(result->table->rowCount(), 10'002u);
            } else {
                EXPECT_EQ(result->error, LoadError::NotEnoughMemory);
                EXPECT_EQ(result->cause, std::errc::not_enough_memory);
                EXPECT_EQ(result->table, nullptr);
            }
        }
        EXPECT_EQ(readBytes(file), records);
        EXPECT_EQ(converted, c.converterRuns ? 1 : 0);
        EXPECT_EQ(window.fileConverted, c.converterRuns);
    }
}

}  // namespace
}  // namespace qm318

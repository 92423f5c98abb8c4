#include "settings/rez_setting.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace qm318 {
namespace {

using test_support::FileSizeLimit;
using test_support::readBytes;
using test_support::TempDir;

// A REZ tree with both marker files, spelled as the unpacked archives may spell them.
std::string makeRezTree(const TempDir& dir) {
    std::filesystem::create_directories(dir.path() / "rez" / "models" / "Character");
    dir.write("rez/DUST2.DAT", "");
    dir.write("rez/models/Character/m-motion.ltb", "");
    return (dir.path() / "rez").string();
}

TEST(RezSetting, StartUpCreatesTheDefaultAndChecksForDust2) {
    TempDir dir;
    const std::string rez = makeRezTree(dir);
    const auto settings = dir.path() / "REZ解包路径.txt";

    const RezStartup first = loadRezSetting(settings);
    EXPECT_EQ(readBytes(settings), kDefaultRezPath);
    EXPECT_EQ(kDefaultRezPath.size(), 28u);
    EXPECT_EQ(first.rezPath, kDefaultRezPath);
    EXPECT_FALSE(first.passed);

    struct Case {
        std::string content;
        std::string path;
        bool passed;
    };
    const std::vector<Case> cases = {
        {rez, rez, true},
        {rez + "\n", rez + "\n", false},  // nothing is trimmed
        {rez + std::string(1, '\0') + "junk", rez, true},
        {"", "", false},
    };
    for (const Case& c : cases) {
        dir.write("REZ解包路径.txt", c.content);
        const RezStartup loaded = loadRezSetting(settings);
        EXPECT_EQ(loaded.rezPath, c.path);
        EXPECT_EQ(loaded.passed, c.passed) << c.content;
    }
    EXPECT_EQ(rezRootOf(rez), rez + "\\");
    EXPECT_EQ(rezRootOf("D:\\"), "D:\\\\");
}

TEST(RezSetting, SaveNeedsTheMotionFileAndWritesExactlyThePath) {
    TempDir dir;
    const std::string rez = makeRezTree(dir);
    const auto settings = dir.write("REZ解包路径.txt", "old");

    EXPECT_EQ(saveRezSetting(settings, (dir.path() / "elsewhere").string()),
              RezSave::MarkerMissing);
    EXPECT_EQ(readBytes(settings), "old");

    EXPECT_EQ(saveRezSetting(settings, rez), RezSave::Saved);
    EXPECT_EQ(readBytes(settings), rez);

    EXPECT_EQ(saveRezSetting(dir.path() / "no-folder" / "REZ解包路径.txt", rez),
              RezSave::WriteFailed);
}

std::vector<std::string> namesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(RezSetting, SavingReplacesTheWholeFileOrLeavesItAsItWas) {
    TempDir dir;
    const std::string rez = makeRezTree(dir);
    const auto settings = dir.write("REZ解包路径.txt", "old");
    // A second name for the old file: writing the file in place would change it too, while a new
    // file renamed onto the settings file leaves it as it was.
    std::filesystem::create_hard_link(settings, dir.path() / "old-name");

    ASSERT_EQ(saveRezSetting(settings, rez), RezSave::Saved);
    EXPECT_EQ(readBytes(settings), rez);
    EXPECT_EQ(readBytes(dir.path() / "old-name"), "old");

    // A save that fails midway leaves the file whole and no temporary file beside it.
    dir.write("REZ解包路径.txt", "old");
    const std::vector<std::string> before = namesIn(dir.path());
    RezSave result = RezSave::Saved;
    {
        const FileSizeLimit limit(4);
        result = saveRezSetting(settings, rez);
    }
    EXPECT_EQ(result, RezSave::WriteFailed);
    EXPECT_EQ(readBytes(settings), "old");
    EXPECT_EQ(namesIn(dir.path()), before);
}

}  // namespace
}  // namespace qm318

#include "settings/rez_setting.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace qm318 {
namespace {

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

}  // namespace
}  // namespace qm318

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "export/export_jobs.h"
#include "loader/weapon_table_loader.h"
#include "platform/file_system.h"
#include "sample_data.h"
#include "settings/rez_setting.h"
#include "support/temp_dir.h"
#include "text/encoding.h"

namespace qm318 {
namespace {

namespace fs = std::filesystem;
using test_support::readBytes;
using test_support::TempDir;

constexpr std::size_t kRecords = 60;
constexpr std::string_view kPvEndings[] = {".LTB", "_BL.LTB", "_GR.LTB", "_WOMAN_BL.LTB",
                                           "_WOMAN_GR.LTB"};

const WeaponTable& sampleTable() {
    static const WeaponTablePtr table = [] {
        SampleOptions options;
        options.records = kRecords;
        return buildWeaponTable(generateSampleLta(options));
    }();
    return *table;
}

// Every path (GBK, as in the cells) the weapon rows name, in order, repeats included.
std::vector<std::string> namedPaths(const WeaponTable& table) {
    std::vector<std::string> paths;
    for (std::size_t row = 1; row + 1 < table.rowCount(); ++row) {
        const std::string model(table.cell(row, kColumnPvModel));
        if (!model.empty()) {
            for (const std::string_view ending : kPvEndings)
                paths.push_back(model + std::string(ending));
        }
        for (std::size_t column = 13; column <= 31; ++column) {
            if (column == 30) continue;  // the fourth single skin is not exported
            if (!table.cell(row, column).empty()) paths.emplace_back(table.cell(row, column));
        }
    }
    return paths;
}

// The sample's paths are ASCII: lower case and "/" make one key per file whatever its spelling.
std::string keyOf(std::string_view path) {
    if (path.starts_with('\\')) path.remove_prefix(1);
    std::string key;
    for (const char c : path)
        key += c == '\\' ? '/' : char(std::tolower((unsigned char)c));
    return key;
}

std::string rezRootOf(const fs::path& folder) {
    return folder.string() + "\\";
}

// Relative path (as spelled on disk) to bytes, for every file under folder.
std::map<std::string, std::string> treeOf(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), folder).generic_string()] = readBytes(entry.path());
        }
    }
    return files;
}

// Pairs of entries of one folder that differ only in letter case.
std::vector<std::string> caseTwins(const fs::path& folder) {
    std::vector<std::string> twins;
    std::vector<fs::path> folders = {folder};
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_directory()) folders.push_back(entry.path());
    }
    for (const fs::path& f : folders) {
        std::map<std::string, std::string> seen;
        for (const fs::directory_entry& entry : fs::directory_iterator(f)) {
            const std::string name = entry.path().filename().string();
            auto [it, added] = seen.emplace(keyOf(name), name);
            if (!added) twins.push_back((f / name).string() + " and " + it->second);
        }
    }
    return twins;
}

RezTreeOptions treeOptions(std::uint32_t seed, unsigned missingPercent, bool otherLetterCase) {
    RezTreeOptions options;
    options.seed = seed;
    options.missingPercent = missingPercent;
    options.otherLetterCase = otherLetterCase;
    return options;
}

TEST(SampleRezTree, SameTableAndOptionsGiveTheSameTreeAndTheSeedMatters) {
    TempDir dir;
    const RezTreeOptions options = treeOptions(318, 10, true);
    const std::size_t first = writeSampleRezTree(sampleTable(), dir.path() / "a", options);
    const std::size_t second = writeSampleRezTree(sampleTable(), dir.path() / "b", options);
    EXPECT_EQ(first, second);
    const std::map<std::string, std::string> tree = treeOf(dir.path() / "a");
    EXPECT_EQ(tree.size(), first);
    EXPECT_EQ(tree, treeOf(dir.path() / "b"));

    writeSampleRezTree(sampleTable(), dir.path() / "c", treeOptions(319, 10, true));
    EXPECT_NE(tree, treeOf(dir.path() / "c"));
}

TEST(SampleRezTree, NamedFilesAreFoundIgnoringCaseAndHoldTheirPathsBytes) {
    struct Case {
        bool otherLetterCase;
    };
    for (const Case c : {Case{true}, Case{false}}) {
        SCOPED_TRACE(c.otherLetterCase);
        TempDir dir;
        RezTreeOptions options = treeOptions(318, 10, c.otherLetterCase);
        options.fileBytes = 100;
        writeSampleRezTree(sampleTable(), dir.path(), options);

        std::set<std::string> present;
        std::size_t exactSpelling = 0;
        for (const std::string& path : namedPaths(sampleTable())) {
            const std::optional<std::string> bytes = readFileBytes(rezRootOf(dir.path()) + path);
            if (!bytes || !present.insert(keyOf(path)).second) continue;
            EXPECT_EQ(*bytes, sampleRezFileBytes(path, 100)) << path;
            std::string spelled = path.starts_with('\\') ? path.substr(1) : path;
            std::replace(spelled.begin(), spelled.end(), '\\', '/');
            exactSpelling += fs::exists(dir.path() / spelled) ? 1 : 0;
        }
        ASSERT_GT(present.size(), 100u);
        if (c.otherLetterCase) {
            EXPECT_LT(exactSpelling, present.size() / 2);
        } else {
            EXPECT_EQ(exactSpelling, present.size());
        }
    }
}

TEST(SampleRezTree, LeavesOutRoughlyTheAskedShareAndAlwaysWritesTheMarkers) {
    std::set<std::string> keys;
    for (const std::string& path : namedPaths(sampleTable()))
        keys.insert(keyOf(path));
    ASSERT_GT(keys.size(), 500u);

    for (const unsigned percent : {0u, 10u, 50u, 100u}) {
        SCOPED_TRACE(percent);
        TempDir dir;
        const std::size_t written =
            writeSampleRezTree(sampleTable(), dir.path(), treeOptions(318, percent, true));
        EXPECT_EQ(treeOf(dir.path()).size(), written);
        EXPECT_TRUE(rezPathHasMarker(dir.path().string(), kStartupMarker));
        EXPECT_TRUE(rezPathHasMarker(dir.path().string(), kSaveMarker));

        const double missing = double(keys.size() - (written - 2)) / double(keys.size());
        EXPECT_NEAR(missing * 100, percent, 5.0);
        if (percent == 0) {
            EXPECT_EQ(written, keys.size() + 2);
        }
        if (percent == 100) {
            EXPECT_EQ(written, 2u);
        }
    }
}

TEST(SampleRezTree, WritingAgainIntoTheSameFolderKeepsOneSpellingPerName) {
    TempDir dir;
    const std::size_t first =
        writeSampleRezTree(sampleTable(), dir.path(), treeOptions(318, 10, true));
    const std::map<std::string, std::string> tree = treeOf(dir.path());
    EXPECT_EQ(caseTwins(dir.path()), std::vector<std::string>{});

    // The same options again rewrite the same files under the same names.
    EXPECT_EQ(writeSampleRezTree(sampleTable(), dir.path(), treeOptions(318, 10, true)), first);
    EXPECT_EQ(treeOf(dir.path()), tree);

    // Another seed would spell names otherwise and leaves out other files: the names already
    // there keep their spelling, and only the files missing so far are added.
    writeSampleRezTree(sampleTable(), dir.path(), treeOptions(77, 10, true));
    const std::map<std::string, std::string> grown = treeOf(dir.path());
    EXPECT_GT(grown.size(), tree.size());
    for (const auto& [path, bytes] : tree)
        EXPECT_TRUE(grown.contains(path)) << path;
    EXPECT_EQ(caseTwins(dir.path()), std::vector<std::string>{});
}

TEST(SampleRezTree, ValuesAreMappedOrLeftOutAsTheExportsReadThem) {
    struct Case {
        std::string_view key;
        std::string valueUtf8;
        std::vector<std::string> expected;  // relative paths on disk; none when left out
    };
    const std::vector<Case> cases = {
        {"PViewModelFileName",
         "Models\\PV\\Gun",
         {"Models/PV/Gun.LTB", "Models/PV/Gun_BL.LTB", "Models/PV/Gun_GR.LTB",
          "Models/PV/Gun_WOMAN_BL.LTB", "Models/PV/Gun_WOMAN_GR.LTB"}},
        // Column 16 comes before column 31, so its spelling of the shared folder is kept.
        {"PViewRenderStyleFileName", "rs\\pv\\style.ltc", {"rs/pv/style.ltc"}},
        {"RenderStyleFileName", "\\RS\\Weapons\\gun.ltc", {"rs/Weapons/gun.ltc"}},
        {"PViewSkinFileName", "SkinsSA//PV/skin.dtx", {"SkinsSA/PV/skin.dtx"}},
        // "乗" is 0x81 0x5C in GBK: its second byte is a "\" that does not end the name.
        {"ModelFileName", "模型\\乗\\枪.ltb", {"模型/乗/枪.ltb"}},
        {"WModelFileName", "..\\..\\escape.ltb", {}},
        {"LeftHandModelFileName", "Models\\.\\dot.ltb", {}},
        {"SkinFileName4", "SkinsSA\\unused.dtx", {}},
    };
    std::string lta = "(Weapon\n (WeaponName \"gun\" )\n (WeaponIndex 1 )\n";
    std::set<std::string> expected = {"DUST2.DAT", "Models/CHARACTER/M-MOTION.LTB"};
    for (const Case& c : cases) {
        lta += " (" + std::string(c.key) + " \"" + utf8ToGbk(c.valueUtf8) + "\" )\n";
        expected.insert(c.expected.begin(), c.expected.end());
    }
    const WeaponTablePtr table = buildWeaponTable(lta);

    TempDir dir;
    const fs::path rez = dir.path() / "rez";
    const std::size_t written = writeSampleRezTree(*table, rez, treeOptions(318, 0, false));
    std::set<std::string> onDisk;
    for (const auto& [path, bytes] : treeOf(rez))
        onDisk.insert(path);
    EXPECT_EQ(onDisk, expected);
    EXPECT_EQ(written, expected.size());
    EXPECT_FALSE(fs::exists(dir.path() / "escape.ltb"));
    EXPECT_EQ(readBytes(rez / "模型/乗/枪.ltb"),
              sampleRezFileBytes(utf8ToGbk("模型/乗/枪.LTB"), 64));
}

TEST(SampleRezTree, ExportJobsFindAndCopyTheFiles) {
    TempDir dir;
    writeSampleRezTree(sampleTable(), dir.path() / "rez", treeOptions(318, 0, true));
    fs::create_directory(dir.path() / "out");
    const std::string exportRoot = rezRootOf(dir.path() / "out");

    for (std::size_t row = 1; row <= 8; ++row) {
        SCOPED_TRACE(row);
        const ExportSnapshot snapshot =
            snapshotOf(sampleTable(), row, rezRootOf(dir.path() / "rez"), exportRoot,
                       std::string(sampleTable().recordText(row)));
        for (const ExportKind kind : kExportKinds) {
            EXPECT_EQ(runExportJob(kind, snapshot), exportCheckPasses(kind, snapshot));
        }
        const std::string& model = snapshot.cells[kColumnPvModel];
        if (model.empty()) continue;
        const std::string copied = exportRoot + snapshot.cells[kColumnName] + "\\" +
                                   utf8ToGbk("PV-模型贴图") + "\\" + fileNameOf(model) + "_GR.LTB";
        EXPECT_EQ(readFileBytes(copied), sampleRezFileBytes(model + "_GR.LTB", 64));
    }
}

}  // namespace
}  // namespace qm318

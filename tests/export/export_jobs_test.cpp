#include "export/export_jobs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "loader/weapon_table_loader.h"
#include "support/temp_dir.h"
#include "text/encoding.h"

namespace qm318 {
namespace {

namespace fs = std::filesystem;
using test_support::readBytes;
using test_support::TempDir;

// Columns of the weapon row that the jobs read.
constexpr std::size_t kPvSkin1 = 13;
constexpr std::size_t kPvSkin2 = 14;
constexpr std::size_t kPvSkin3 = 15;
constexpr std::size_t kPvRenderStyle = 16;
constexpr std::size_t kSingleModel = 17;
constexpr std::size_t kSkin4 = 30;
constexpr std::size_t kSingleRenderStyle = 31;

// Folder names of the export tree as they appear on disk.
const std::string kPvFolder = "PV-模型贴图";
const std::string kSingleFolder = "单-模型贴图";
const std::string kSingleRsFolder = "单-RS";

// Every entry below a folder, by its path relative to it (UTF-8, "/" between names): a file's
// bytes, or kFolder for a folder.
using Tree = std::map<std::string, std::string>;
const std::string kFolder = "<folder>";

Tree treeOf(const fs::path& root) {
    Tree entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = fs::relative(entry.path(), root).generic_string();
        entries[name] = entry.is_directory() ? kFolder : readBytes(entry.path());
    }
    return entries;
}

std::string gbk(const std::string& utf8) {
    return utf8ToGbk(utf8);
}

// A fresh temporary folder holding a REZ root "rez" and an export root "out".
class ExportJobs : public ::testing::Test {
protected:
    ExportJobs() {
        fs::create_directories(rez());
        fs::create_directories(out());
    }

    fs::path rez() const { return dir_.path() / "rez"; }
    fs::path out() const { return dir_.path() / "out"; }

    // A file below the REZ root (path in UTF-8, "/" between names), its folders made as needed.
    void putRez(const std::string& relative, const std::string& bytes) const {
        const fs::path file = rez() / relative;
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
    }

    // A weapon with a name and an index and no path cells yet.
    ExportSnapshot weapon(const std::string& nameUtf8 = "M4A1") const {
        ExportSnapshot s;
        s.cells[kColumnName] = gbk(nameUtf8);
        s.cells[kColumnIndex] = "11";
        s.rezRoot = rez().string() + "\\";
        s.exportRoot = out().string() + "\\";
        return s;
    }

    Tree exported() const { return treeOf(out()); }

    void emptyExportRoot() const {
        fs::remove_all(out());
        fs::create_directories(out());
    }

    TempDir dir_;
};

// ---------------------------------------------------------------------------------------------
// PV model and texture export

TEST_F(ExportJobs, PvModelCopiesFiveVariantsAndThreeSkinsUnderTheNamesTheCellsGive) {
    putRez("models/PlayerView/pv-m4a1.ltb", "plain");
    putRez("models/PlayerView/pv-m4a1_bl.ltb", "bl");
    putRez("models/PlayerView/PV-M4A1_gr.Ltb", "gr");
    putRez("models/PlayerView/pv-m4a1_Woman_BL.LTB", "woman bl");
    putRez("models/PlayerView/PV-M4A1_WOMAN_GR.ltb", "woman gr");
    putRez("models/PlayerView/pv-m4a1_XX.ltb", "not a variant");
    putRez("models/PlayerView/tex/m4a1_1.dtx", "skin 1");
    putRez("TEX/m4a1_2.DTX", "skin 2");
    putRez("m4a1_3.dtx", "skin 3");

    ExportSnapshot s = weapon();
    s.cells[kColumnPvModel] = "Models\\PLAYERVIEW\\PV-M4A1";
    s.cells[kPvSkin1] = "Models\\PLAYERVIEW\\Tex\\M4A1_1.DTX";
    s.cells[kPvSkin2] = "Tex\\M4A1_2.dtx";
    s.cells[kPvSkin3] = "M4A1_3.dtx";  // no "\": a file at the top of the REZ root

    EXPECT_TRUE(runExportJob(ExportKind::PvModel, s));
    const std::string pv = "M4A1/" + kPvFolder + "/";
    EXPECT_EQ(exported(), (Tree{{"M4A1", kFolder},
                                {"M4A1/" + kPvFolder, kFolder},
                                {pv + "PV-M4A1.LTB", "plain"},
                                {pv + "PV-M4A1_BL.LTB", "bl"},
                                {pv + "PV-M4A1_GR.LTB", "gr"},
                                {pv + "PV-M4A1_WOMAN_BL.LTB", "woman bl"},
                                {pv + "PV-M4A1_WOMAN_GR.LTB", "woman gr"},
                                {pv + "M4A1_1.DTX", "skin 1"},
                                {pv + "M4A1_2.dtx", "skin 2"},
                                {pv + "M4A1_3.dtx", "skin 3"}}));
}

TEST_F(ExportJobs, PvModelSkipsMissingVariantsAndSkinsSilently) {
    putRez("Models/PV/PV-AK47.LTB", "plain");
    putRez("Models/PV/PV-AK47_GR.LTB", "gr");
    putRez("Models/PV/AK47_3.DTX", "skin 3");

    ExportSnapshot s = weapon("AK47");
    s.cells[kColumnPvModel] = "Models\\PV\\PV-AK47";
    s.cells[kPvSkin1] = "Models\\PV\\Missing.DTX";
    s.cells[kPvSkin3] = "Models\\PV\\AK47_3.DTX";  // the skin of column 14 is empty

    EXPECT_TRUE(runExportJob(ExportKind::PvModel, s));
    const std::string pv = "AK47/" + kPvFolder + "/";
    EXPECT_EQ(exported(), (Tree{{"AK47", kFolder},
                                {"AK47/" + kPvFolder, kFolder},
                                {pv + "PV-AK47.LTB", "plain"},
                                {pv + "PV-AK47_GR.LTB", "gr"},
                                {pv + "AK47_3.DTX", "skin 3"}}));
}

TEST_F(ExportJobs, PvModelWithoutThePlainModelFailsButStillCopiesTheOthers) {
    putRez("Models/PV/PV-AK47_BL.LTB", "bl");
    putRez("Models/PV/AK47.DTX", "skin");

    ExportSnapshot s = weapon("AK47");
    s.cells[kColumnPvModel] = "Models\\PV\\PV-AK47";
    s.cells[kPvSkin2] = "Models\\PV\\AK47.DTX";

    EXPECT_FALSE(runExportJob(ExportKind::PvModel, s));
    const std::string pv = "AK47/" + kPvFolder + "/";
    EXPECT_EQ(exported(), (Tree{{"AK47", kFolder},
                                {"AK47/" + kPvFolder, kFolder},
                                {pv + "PV-AK47_BL.LTB", "bl"},
                                {pv + "AK47.DTX", "skin"}}));
}

TEST_F(ExportJobs, PvModelFailsWhenTheWeaponFolderCannotBeMade) {
    putRez("Models/PV/PV-AK47.LTB", "plain");
    // A "\" in the name asks for two folder levels, and the first of them is missing.
    ExportSnapshot s = weapon("AK\\47");
    s.cells[kColumnPvModel] = "Models\\PV\\PV-AK47";
    EXPECT_FALSE(runExportJob(ExportKind::PvModel, s));
    EXPECT_EQ(exported(), Tree{});
}

// ---------------------------------------------------------------------------------------------
// Single model and texture export

TEST_F(ExportJobs, SingleModelPlacesThirteenFilesInTheirFoldersAndIgnoresColumn30) {
    // Column, cell, file on disk (other letter case), destination below the single folder.
    struct Step {
        std::size_t column;
        std::string cell;
        std::string disk;
        std::string destination;
    };
    const std::vector<Step> steps = {
        {17, "Models\\Weapons\\M4A1\\M4A1.LTB", "models/weapons/m4a1/m4a1.ltb", "M4A1.LTB"},
        {18, "Models\\Weapons\\M4A1\\W_M4A1.LTB", "models/weapons/m4a1/w_m4a1.ltb",
         "W模型/W_M4A1.LTB"},
        {19, "Models\\LH\\M4A1_L.LTB", "models/LH/m4a1_l.ltb", "左手模型/M4A1_L.LTB"},
        {20, "Models\\LH\\W_M4A1_L.LTB", "models/LH/w_m4a1_l.LTB", "W左手模型/W_M4A1_L.LTB"},
        {21, "Models\\Change\\C1.LTB", "models/change/c1.ltb", "更改模型1/C1.LTB"},
        {22, "Models\\Change\\C2.LTB", "models/change/c2.ltb", "更改模型2/C2.LTB"},
        {23, "Models\\Change\\C3.LTB", "models/change/c3.ltb", "更改模型3/C3.LTB"},
        {24, "Models\\Change\\WC.LTB", "models/change/wc.ltb", "W更改模型/WC.LTB"},
        {25, "Models\\Change\\LC.LTB", "models/change/lc.ltb", "左手更改模型/LC.LTB"},
        {26, "Models\\Change\\WLC.LTB", "models/change/wlc.ltb", "W左手更改模型/WLC.LTB"},
        {27, "Tex\\Weapons\\M4A1_1.DTX", "tex/weapons/m4a1_1.dtx", "M4A1_1.DTX"},
        {28, "Tex\\Weapons\\M4A1_2.DTX", "tex/weapons/m4a1_2.dtx", "M4A1_2.DTX"},
        {29, "M4A1_3.DTX", "m4a1_3.dtx", "M4A1_3.DTX"},
    };
    ExportSnapshot s = weapon();
    Tree expected = {{"M4A1", kFolder}, {"M4A1/" + kSingleFolder, kFolder}};
    for (const Step& step : steps) {
        const std::string bytes = "column " + std::to_string(step.column);
        putRez(step.disk, bytes);
        s.cells[step.column] = gbk(step.cell);
        const std::string destination = "M4A1/" + kSingleFolder + "/" + step.destination;
        expected[destination] = bytes;
        const fs::path folder = fs::path(destination).parent_path();
        expected[folder.generic_string()] = kFolder;
    }
    putRez("tex/weapons/m4a1_4.dtx", "column 30");
    s.cells[kSkin4] = "Tex\\Weapons\\M4A1_4.DTX";

    EXPECT_TRUE(runExportJob(ExportKind::SingleModel, s));
    EXPECT_EQ(expected.size(), 2u + 9u + 13u);
    EXPECT_EQ(exported(), expected);
}

TEST_F(ExportJobs, SingleModelWithOnlyColumn17MakesNoSubFolder) {
    putRez("Models/M4A1.LTB", "model");
    ExportSnapshot s = weapon();
    s.cells[kSingleModel] = "Models\\M4A1.LTB";

    EXPECT_TRUE(runExportJob(ExportKind::SingleModel, s));
    EXPECT_EQ(exported(), (Tree{{"M4A1", kFolder},
                                {"M4A1/" + kSingleFolder, kFolder},
                                {"M4A1/" + kSingleFolder + "/M4A1.LTB", "model"}}));
}

TEST_F(ExportJobs, SingleModelMissingFailsWhileTheOtherStepsStillRun) {
    putRez("Models/W_M4A1.LTB", "w model");
    putRez("Tex/M4A1_1.DTX", "skin");
    ExportSnapshot s = weapon();
    s.cells[kSingleModel] = "Models\\M4A1.LTB";  // not in the REZ tree
    s.cells[18] = "Models\\W_M4A1.LTB";
    s.cells[19] = "Models\\Missing_L.LTB";  // its folder is made and stays empty
    s.cells[27] = "Tex\\M4A1_1.DTX";

    EXPECT_FALSE(runExportJob(ExportKind::SingleModel, s));
    const std::string single = "M4A1/" + kSingleFolder;
    EXPECT_EQ(exported(), (Tree{{"M4A1", kFolder},
                                {single, kFolder},
                                {single + "/W模型", kFolder},
                                {single + "/W模型/W_M4A1.LTB", "w model"},
                                {single + "/左手模型", kFolder},
                                {single + "/M4A1_1.DTX", "skin"}}));
}

TEST_F(ExportJobs, SingleModelWithEmptyColumn17CreatesNothing) {
    putRez("Models/W_M4A1.LTB", "w model");
    putRez("Tex/M4A1_1.DTX", "skin");
    ExportSnapshot s = weapon();
    s.cells[18] = "Models\\W_M4A1.LTB";
    s.cells[27] = "Tex\\M4A1_1.DTX";

    EXPECT_FALSE(runExportJob(ExportKind::SingleModel, s));
    // Only copy step 1 makes the weapon and single folders, so nothing else finds a place.
    EXPECT_EQ(exported(), Tree{});
}

TEST_F(ExportJobs, SingleSkinsOverwriteByNameButModelsKeepTheirSubFolders) {
    putRez("Models/M4A1.LTB", "model");
    putRez("Models/Extra/SAME.DTX", "W model named like a skin");
    putRez("Tex/A/SAME.DTX", "skin of column 27");
    putRez("Tex/B/same.dtx", "skin of column 28");
    ExportSnapshot s = weapon();
    s.cells[kSingleModel] = "Models\\M4A1.LTB";
    s.cells[18] = "Models\\Extra\\SAME.DTX";
    s.cells[27] = "Tex\\A\\SAME.DTX";
    s.cells[28] = "Tex\\B\\SAME.DTX";

    EXPECT_TRUE(runExportJob(ExportKind::SingleModel, s));
    const std::string single = "M4A1/" + kSingleFolder;
    EXPECT_EQ(exported(), (Tree{{"M4A1", kFolder},
                                {single, kFolder},
                                {single + "/M4A1.LTB", "model"},
                                {single + "/W模型", kFolder},
                                {single + "/W模型/SAME.DTX", "W model named like a skin"},
                                {single + "/SAME.DTX", "skin of column 28"}}));
}

// ---------------------------------------------------------------------------------------------
// Render-style exports

TEST_F(ExportJobs, RenderStyleExportsFindTheFileAndNameItAfterTheLastSeparator) {
    struct Case {
        ExportKind kind;
        std::string cell;
        std::string disk;  // file put below the REZ root, or empty for none
        bool succeeds;
        Tree expected;
    };
    const std::string pvRs = "M4A1/PV-RS";
    const std::string singleRs = "M4A1/" + kSingleRsFolder;
    const std::vector<Case> cases = {
        {ExportKind::PvRenderStyle,
         "RS\\Weapons\\M4A1.ltc",
         "rs/WEAPONS/m4a1.LTC",
         true,
         {{"M4A1", kFolder}, {pvRs, kFolder}, {pvRs + "/M4A1.ltc", "rs"}}},
        {ExportKind::PvRenderStyle,
         "\\RS\\Weapons\\M4A1.ltc",
         "rs/WEAPONS/m4a1.LTC",
         true,
         {{"M4A1", kFolder}, {pvRs, kFolder}, {pvRs + "/M4A1.ltc", "rs"}}},
        {ExportKind::PvRenderStyle,
         "M4A1.ltc",
         "m4a1.LTC",
         true,
         {{"M4A1", kFolder}, {pvRs, kFolder}, {pvRs + "/M4A1.ltc", "rs"}}},
        {ExportKind::PvRenderStyle,
         "RS\\Missing.ltc",
         "",
         false,
         {{"M4A1", kFolder}, {pvRs, kFolder}}},
        {ExportKind::PvRenderStyle, "", "", false, {}},
        // Only a leading "\" is taken off: the path is looked up with its other separators.
        {ExportKind::SingleRenderStyle,
         "RS\\Weapons\\M4A1.ltc",
         "rs/WEAPONS/m4a1.LTC",
         true,
         {{"M4A1", kFolder}, {singleRs, kFolder}, {singleRs + "/M4A1.ltc", "rs"}}},
        {ExportKind::SingleRenderStyle,
         "\\RS\\Weapons\\M4A1.ltc",
         "rs/WEAPONS/m4a1.LTC",
         true,
         {{"M4A1", kFolder}, {singleRs, kFolder}, {singleRs + "/M4A1.ltc", "rs"}}},
        {ExportKind::SingleRenderStyle,
         "\\M4A1.ltc",
         "m4a1.ltc",
         true,
         {{"M4A1", kFolder}, {singleRs, kFolder}, {singleRs + "/M4A1.ltc", "rs"}}},
        {ExportKind::SingleRenderStyle,
         "RS\\Weapons\\M4A1.ltc",
         "rsweapons/m4a1.ltc",
         false,
         {{"M4A1", kFolder}, {singleRs, kFolder}}},
        {ExportKind::SingleRenderStyle,
         "RS\\Weapons\\",
         "rs/weapons/m4a1.ltc",
         false,
         {{"M4A1", kFolder}, {singleRs, kFolder}}},
        {ExportKind::SingleRenderStyle, "", "", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(exportResultMessage(c.kind, true)) + " with " + c.cell);
        fs::remove_all(rez());
        fs::create_directories(rez());
        emptyExportRoot();
        if (!c.disk.empty()) putRez(c.disk, "rs");
        ExportSnapshot s = weapon();
        const std::size_t column =
            c.kind == ExportKind::PvRenderStyle ? kPvRenderStyle : kSingleRenderStyle;
        s.cells[column] = c.cell;

        EXPECT_EQ(runExportJob(c.kind, s), c.succeeds);
        EXPECT_EQ(exported(), c.expected);
    }
}

// ---------------------------------------------------------------------------------------------
// Parameter text export

TEST_F(ExportJobs, ParameterTextGoesToAFileNamedAfterTheWeaponInsideItsFolder) {
    const std::string name = "火麒麟";
    const std::string file = name + "/" + name + "[QM参数].txt";
    struct Case {
        std::string why;
        std::string nameUtf8;
        std::string index;
        std::string record;  // GBK
        bool succeeds;
        Tree expected;
    };
    const std::string record = gbk("(Weapon\r\n (WeaponName \"火麒麟\" )\r\n\r\n");
    const std::vector<Case> cases = {
        {"a record", name, "11", record, true, {{name, kFolder}, {file, record}}},
        // 乗 is "\x81\x5c" in GBK: its second byte does not split the name.
        {"a name with a \"\\\" byte inside a character",
         "乗风",
         "11",
         record,
         true,
         {{"乗风", kFolder}, {"乗风/乗风[QM参数].txt", record}}},
        {"an empty record still makes the file",
         name,
         "11",
         "",
         true,
         {{name, kFolder}, {file, ""}}},
        {"no index", name, "", record, false, {}},
        {"a name of two levels", "a\\b", "11", record, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        emptyExportRoot();
        ExportSnapshot s = weapon(c.nameUtf8);
        s.cells[kColumnIndex] = c.index;
        s.recordText = c.record;

        EXPECT_EQ(runExportJob(ExportKind::Parameters, s), c.succeeds);
        EXPECT_EQ(exported(), c.expected);
    }
}

TEST_F(ExportJobs, ParameterTextOfASecondRunReplacesTheWholeFile) {
    ExportSnapshot s = weapon();
    s.recordText = "a long first record\r\n with two lines\r\n";
    EXPECT_TRUE(runExportJob(ExportKind::Parameters, s));
    s.recordText = "short";
    EXPECT_TRUE(runExportJob(ExportKind::Parameters, s));
    EXPECT_EQ(exported(), (Tree{{"M4A1", kFolder}, {"M4A1/M4A1[QM参数].txt", "short"}}));
}

// ---------------------------------------------------------------------------------------------
// All jobs

// The value with the case of every ASCII letter turned round.
std::string otherCase(std::string value) {
    for (char& c : value) {
        if (c >= 'a' && c <= 'z') {
            c = char(c - 'a' + 'A');
        } else if (c >= 'A' && c <= 'Z') {
            c = char(c - 'A' + 'a');
        }
    }
    return value;
}

TEST_F(ExportJobs, RunningAJobAgainOverwritesInPlaceEvenWithCellsInOtherLetterCase) {
    struct Cell {
        std::size_t column;
        std::string value;
        std::vector<std::string> disk;  // files the cell names, below the REZ root
    };
    const std::vector<Cell> cells = {
        {12, "Models\\PV\\PV-M4A1", {"Models/PV/PV-M4A1.LTB", "Models/PV/PV-M4A1_BL.LTB"}},
        {13, "Tex\\PV1.DTX", {"Tex/PV1.DTX"}},
        {16, "RS\\PV.LTC", {"RS/PV.LTC"}},
        {17, "Models\\M4A1.LTB", {"Models/M4A1.LTB"}},
        {18, "Models\\W.LTB", {"Models/W.LTB"}},
        {27, "Tex\\S1.DTX", {"Tex/S1.DTX"}},
        {31, "\\RS\\ONE.LTC", {"RS/ONE.LTC"}},
    };
    const auto fillRez = [&](const std::string& tag) {
        for (const Cell& cell : cells) {
            for (const std::string& file : cell.disk)
                putRez(file, tag + file);
        }
    };
    struct Case {
        ExportKind kind;
        std::size_t files;
    };
    const std::vector<Case> cases = {{ExportKind::PvModel, 3},
                                     {ExportKind::SingleModel, 3},
                                     {ExportKind::PvRenderStyle, 1},
                                     {ExportKind::SingleRenderStyle, 1},
                                     {ExportKind::Parameters, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(exportResultMessage(c.kind, true)));
        emptyExportRoot();
        fillRez("first:");
        ExportSnapshot s = weapon();
        for (const Cell& cell : cells)
            s.cells[cell.column] = cell.value;
        s.recordText = "first:record";
        ASSERT_TRUE(runExportJob(c.kind, s));
        const Tree first = exported();

        fillRez("second:");
        for (const Cell& cell : cells)
            s.cells[cell.column] = otherCase(cell.value);
        s.recordText = "second:record";
        ASSERT_TRUE(runExportJob(c.kind, s));
        const Tree second = exported();

        std::size_t files = 0;
        ASSERT_EQ(first.size(), second.size());
        for (auto a = first.begin(), b = second.begin(); a != first.end(); ++a, ++b) {
            EXPECT_EQ(a->first, b->first);
            if (a->second == kFolder) {
                EXPECT_EQ(b->second, kFolder) << b->first;
                continue;
            }
            ++files;
            EXPECT_TRUE(a->second.starts_with("first:")) << a->first;
            EXPECT_TRUE(b->second.starts_with("second:")) << b->first;
            EXPECT_EQ(a->second.substr(6), b->second.substr(7)) << b->first;
        }
        EXPECT_EQ(files, c.files);
    }
}

TEST_F(ExportJobs, AFileLeftByAnEarlierExportDoesNotCountAsSuccess) {
    struct Case {
        ExportKind kind;
        std::size_t column;
        std::string cell;
        std::string disk;         // the source of the main file
        std::string destination;  // the main file in the export tree
    };
    const std::vector<Case> cases = {
        {ExportKind::PvModel, 12, "Models\\PV-M4A1", "Models/PV-M4A1.LTB",
         "M4A1/" + kPvFolder + "/PV-M4A1.LTB"},
        {ExportKind::SingleModel, 17, "Models\\M4A1.LTB", "Models/M4A1.LTB",
         "M4A1/" + kSingleFolder + "/M4A1.LTB"},
        {ExportKind::PvRenderStyle, 16, "RS\\PV.LTC", "RS/PV.LTC", "M4A1/PV-RS/PV.LTC"},
        {ExportKind::SingleRenderStyle, 31, "RS\\ONE.LTC", "RS/ONE.LTC",
         "M4A1/" + kSingleRsFolder + "/ONE.LTC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.destination);
        emptyExportRoot();
        putRez(c.disk, "earlier");
        ExportSnapshot s = weapon();
        s.cells[c.column] = c.cell;
        ASSERT_TRUE(runExportJob(c.kind, s));

        fs::remove(rez() / c.disk);
        EXPECT_FALSE(runExportJob(c.kind, s));
        EXPECT_EQ(readBytes(out() / c.destination), "earlier");
    }

    // The parameter text file cannot be written when a folder from earlier stands in its place.
    emptyExportRoot();
    fs::create_directories(out() / "M4A1" / "M4A1[QM参数].txt");
    ExportSnapshot s = weapon();
    s.recordText = "record";
    EXPECT_FALSE(runExportJob(ExportKind::Parameters, s));
    EXPECT_EQ(exported(), (Tree{{"M4A1", kFolder}, {"M4A1/M4A1[QM参数].txt", kFolder}}));
}

TEST_F(ExportJobs, HostileNamesAndCellsNeverReachOutsideEitherRoot) {
    // Just outside the REZ root, where "..\" from it leads.
    dir_.write("secret.LTB", "secret model");
    dir_.write("secret.ltc", "secret style");
    ASSERT_EQ(readBytes(rez() / ".." / "secret.LTB"), "secret model");
    // A name two levels up from the export root lands in the system's temporary folder.
    const std::string escape = dir_.path().filename().string() + "-escaped";
    const fs::path escapeTarget = dir_.path().parent_path() / escape;
    ASSERT_EQ(fs::absolute(out() / ".." / ".." / escape).lexically_normal(), escapeTarget);

    putRez("Models/PV-M4A1.LTB", "model");
    putRez("Models/M4A1.LTB", "single model");
    putRez("RS/PV.LTC", "pv style");
    putRez("RS/ONE.LTC", "single style");
    const auto honest = [&](const std::string& nameUtf8) {
        ExportSnapshot s = weapon(nameUtf8);
        s.cells[kColumnPvModel] = "Models\\PV-M4A1";
        s.cells[kSingleModel] = "Models\\M4A1.LTB";
        s.cells[kPvRenderStyle] = "RS\\PV.LTC";
        s.cells[kSingleRenderStyle] = "RS\\ONE.LTC";
        s.recordText = "record";
        return s;
    };

    struct Case {
        ExportKind kind;
        std::string nameUtf8;
        std::size_t column;  // the cell made hostile, or 0 for none
        std::string cell;
        bool succeeds;  // a hostile cell of a side file leaves the main file's result alone
    };
    const std::string up2 = "..\\..\\" + escape;
    const std::vector<Case> cases = {
        {ExportKind::PvModel, "..\\escaped", 0, "", false},
        {ExportKind::PvModel, up2, 0, "", false},
        {ExportKind::PvModel, "M4A1", kColumnPvModel, "..\\secret", false},
        {ExportKind::PvModel, "M4A1", kColumnPvModel, "Models\\..\\..\\secret", false},
        {ExportKind::PvModel, "M4A1", kPvSkin1, "..\\secret.ltb", true},
        {ExportKind::PvModel, "M4A1", kPvSkin3, "../secret.ltb", true},
        {ExportKind::SingleModel, "..", 0, "", false},
        {ExportKind::SingleModel, up2, 0, "", false},
        {ExportKind::SingleModel, "M4A1", kSingleModel, "..\\secret.ltb", false},
        {ExportKind::SingleModel, "M4A1", 18, "..\\secret.ltb", true},
        {ExportKind::SingleModel, "M4A1", 27, "..\\..\\rez\\..\\secret.ltb", true},
        {ExportKind::PvRenderStyle, "..\\escaped", 0, "", false},
        {ExportKind::PvRenderStyle, "M4A1", kPvRenderStyle, "..\\secret.ltc", false},
        {ExportKind::SingleRenderStyle, up2, 0, "", false},
        {ExportKind::SingleRenderStyle, "M4A1", kSingleRenderStyle, "\\..\\secret.ltc", false},
        {ExportKind::SingleRenderStyle, "M4A1", kSingleRenderStyle, "..\\secret.ltc", false},
        {ExportKind::Parameters, "..\\escaped", 0, "", false},
        {ExportKind::Parameters, up2, 0, "", false},
        {ExportKind::Parameters, "..", 0, "", false},
        {ExportKind::Parameters, "../escaped", 0, "", false},
    };

    const auto outsideOut = [&] {
        Tree all = treeOf(dir_.path());
        std::erase_if(all, [](const auto& entry) { return entry.first.starts_with("out"); });
        return all;
    };
    const Tree before = outsideOut();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(exportResultMessage(c.kind, true)) + " name " + c.nameUtf8 +
                     " cell " + c.cell);
        emptyExportRoot();
        ExportSnapshot s = honest(c.nameUtf8);
        if (c.column != 0) s.cells[c.column] = c.cell;

        EXPECT_EQ(runExportJob(c.kind, s), c.succeeds);
        EXPECT_EQ(outsideOut(), before);
        EXPECT_FALSE(fs::exists(escapeTarget));
        if (fs::exists(escapeTarget)) fs::remove_all(escapeTarget);  // made by this test alone
        for (const auto& [path, bytes] : exported()) {
            EXPECT_TRUE(bytes.find("secret") == std::string::npos) << path;
        }
        if (c.column == 0) {
            EXPECT_EQ(exported(), Tree{});  // a refused name makes no folder at all
        }
    }
}

TEST_F(ExportJobs, JobsRunningAtTheSameTimeEachPlaceTheirFiles) {
    // The window starts every job on its own thread; they all make the weapon folder.
    putRez("Models/PV-M4A1.LTB", "pv model");
    putRez("Models/PV-M4A1_BL.LTB", "pv model bl");
    putRez("Models/M4A1.LTB", "model");
    putRez("Models/W.LTB", "w model");
    putRez("RS/PV.LTC", "pv style");
    putRez("RS/ONE.LTC", "style");
    ExportSnapshot s = weapon("火麒麟");
    s.cells[kColumnPvModel] = "Models\\PV-M4A1";
    s.cells[kSingleModel] = "Models\\M4A1.LTB";
    s.cells[18] = "Models\\W.LTB";
    s.cells[kPvRenderStyle] = "RS\\PV.LTC";
    s.cells[kSingleRenderStyle] = "RS\\ONE.LTC";
    s.recordText = "record";

    for (const ExportKind kind : kExportKinds)
        ASSERT_TRUE(runExportJob(kind, s));
    const Tree oneAfterAnother = exported();
    ASSERT_EQ(oneAfterAnother.size(), 13u);

    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        emptyExportRoot();
        std::array<bool, kExportKinds.size()> succeeded{};
        std::vector<std::thread> threads;
        for (std::size_t k = 0; k < kExportKinds.size(); ++k) {
            threads.emplace_back([&, k] { succeeded[k] = runExportJob(kExportKinds[k], s); });
        }
        for (std::thread& thread : threads)
            thread.join();
        for (std::size_t k = 0; k < kExportKinds.size(); ++k) {
            EXPECT_TRUE(succeeded[k]) << exportResultMessage(kExportKinds[k], false);
        }
        EXPECT_EQ(exported(), oneAfterAnother);
    }
}

// ---------------------------------------------------------------------------------------------
// Cells from a loaded record

std::string line(const std::string& key, const std::string& value) {
    return " (" + key + " \"" + value + "\" )\r\n";
}

TEST_F(ExportJobs, JobsRunOnTheCellsOfALoadedRecord) {
    const std::string name = gbk("火麒麟");
    const std::string text =
        "(Weapon\r\n (WeaponIndex 77 )\r\n" + line("WeaponName", name) +
        line("PViewModelFileName", "Models\\PV\\PV-FIRE") +
        line("PViewSkinFileName", "Tex\\PV\\FIRE.DTX") +
        line("PViewRenderStyleFileName", "RS\\PV_FIRE.LTC") +
        line("ModelFileName", "Models\\FIRE.LTB") + line("WModelFileName", "Models\\W_FIRE.LTB") +
        line("SkinFileName", "Tex\\FIRE.DTX") + line("SkinFileName4", "Tex\\FIRE4.DTX") +
        line("RenderStyleFileName", "\\RS\\FIRE.LTC") + ")\r\n";
    putRez("models/pv/pv-fire.ltb", "pv model");
    putRez("tex/pv/fire.dtx", "pv skin");
    putRez("rs/pv_fire.ltc", "pv style");
    putRez("models/fire.ltb", "model");
    putRez("models/w_fire.ltb", "w model");
    putRez("tex/fire.dtx", "skin");
    putRez("tex/fire4.dtx", "skin 4");
    putRez("rs/fire.ltc", "style");

    WeaponTablePtr table = buildWeaponTable(text);
    ASSERT_EQ(table->rowCount(), 3u);
    ExportSnapshot s = snapshotOf(*table, 1, rez().string() + "\\", out().string() + "\\",
                                  std::string(table->recordText(1)));
    for (std::size_t c = 0; c < kColumnCount; ++c)
        EXPECT_EQ(s.cells[c], table->cell(1, c)) << c;
    EXPECT_EQ(s.cells[kColumnName], name);
    EXPECT_EQ(s.cells[kColumnIndex], "77");
    EXPECT_EQ(s.cells[kSingleRenderStyle], "\\RS\\FIRE.LTC");
    const std::string record(table->recordText(1));
    ASSERT_FALSE(record.empty());
    table.reset();  // the snapshot holds its own copies

    const ExportPlan plan =
        planExports(std::vector<ExportKind>(kExportKinds.begin(), kExportKinds.end()), s);
    EXPECT_FALSE(plan.stopped);
    ASSERT_EQ(plan.jobs.size(), 5u);
    for (const ExportKind kind : plan.jobs) {
        EXPECT_TRUE(runExportJob(kind, s)) << exportResultMessage(kind, false);
    }
    const std::string w = "火麒麟";
    const std::string single = w + "/" + kSingleFolder;
    EXPECT_EQ(exported(), (Tree{{w, kFolder},
                                {w + "/" + kPvFolder, kFolder},
                                {w + "/" + kPvFolder + "/PV-FIRE.LTB", "pv model"},
                                {w + "/" + kPvFolder + "/FIRE.DTX", "pv skin"},
                                {single, kFolder},
                                {single + "/FIRE.LTB", "model"},
                                {single + "/W模型", kFolder},
                                {single + "/W模型/W_FIRE.LTB", "w model"},
                                {single + "/FIRE.DTX", "skin"},
                                {w + "/PV-RS", kFolder},
                                {w + "/PV-RS/PV_FIRE.LTC", "pv style"},
                                {w + "/" + kSingleRsFolder, kFolder},
                                {w + "/" + kSingleRsFolder + "/FIRE.LTC", "style"},
                                {w + "/" + w + "[QM参数].txt", record}}));
}

}  // namespace
}  // namespace qm318

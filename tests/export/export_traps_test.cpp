// Symbolic links set as traps in the REZ tree and in the export tree: a job must neither read a
// file whose real path lies outside the REZ root nor make or write anything whose folder's real
// path lies outside the export root. Links that stay within their root are followed: they can
// show nothing the root does not already hold.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "export/export_jobs.h"
#include "support/temp_dir.h"
#include "text/encoding.h"

namespace qm318 {
namespace {

namespace fs = std::filesystem;
using test_support::readBytes;
using test_support::TempDir;

// Every entry below a folder, links not followed: a file's bytes, "<folder>", or "-> target" for
// a link.
using Tree = std::map<std::string, std::string>;
const std::string kFolder = "<folder>";

Tree treeOf(const fs::path& root) {
    Tree entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = entry.path().lexically_relative(root).generic_string();
        const fs::file_status status = entry.symlink_status();
        if (fs::is_symlink(status)) {
            entries[name] = "-> " + fs::read_symlink(entry.path()).string();
        } else if (fs::is_directory(status)) {
            entries[name] = kFolder;
        } else {
            entries[name] = readBytes(entry.path());
        }
    }
    return entries;
}

const std::string kPv = "M4A1/PV-模型贴图";
const std::string kSingle = "M4A1/单-模型贴图";
const std::string kSecret = "secret";

// A temporary folder with a REZ root "rez", an export root "out" and, beside them, a folder
// "outside" whose files begin with "secret" and must never be read, changed or added to.
class Trees {
public:
    Trees() {
        for (const char* folder : {"rez/Models", "out", "outside/dir", "outside/exportdir"}) {
            fs::create_directories(path(folder));
        }
        put("rez/Models/PV-REAL.LTB", "real model");
        put("rez/Models/REAL.LTC", "real style");
        put("outside/secret.LTB", kSecret + " model");
        put("outside/dir/SECRET.DTX", kSecret + " skin");
        put("outside/target.txt", kSecret + " target");
    }

    fs::path path(const std::string& relative) const { return dir_.path() / relative; }
    void put(const std::string& relative, const std::string& bytes) const {
        std::ofstream(path(relative), std::ios::binary) << bytes;
    }
    void folder(const std::string& relative) const { fs::create_directories(path(relative)); }
    // A link at `at` whose target is written exactly as given (relative to the link's folder, or
    // absolute when it begins with "/").
    void link(const std::string& at, const std::string& target) const {
        fs::create_symlink(target, path(at));
    }
    // A link at `at` to an absolute path below the temporary folder.
    void linkTo(const std::string& at, const std::string& relativeTarget) const {
        fs::create_symlink(path(relativeTarget), path(at));
    }

private:
    TempDir dir_;
};

struct Case {
    std::string why;
    std::function<void(const Trees&)> setUp;
    ExportKind kind;
    std::vector<std::pair<std::size_t, std::string>> cells;
    bool succeeds;
    Tree out;  // the export tree afterwards
    std::string rezRoot = "rez";
    std::string exportRoot = "out";
};

void runCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const Trees trees;
        c.setUp(trees);
        const auto topNames = [&] {
            std::vector<std::string> names;
            for (const fs::directory_entry& entry : fs::directory_iterator(trees.path("")))
                names.push_back(entry.path().filename().string());
            std::sort(names.begin(), names.end());
            return names;
        };
        const std::vector<std::string> topBefore = topNames();
        const Tree outsideBefore = treeOf(trees.path("outside"));
        const Tree rezBefore = treeOf(trees.path("rez"));

        ExportSnapshot s;
        s.cells[kColumnName] = "M4A1";
        s.cells[kColumnIndex] = "11";
        for (const auto& [column, value] : c.cells)
            s.cells[column] = utf8ToGbk(value);
        s.rezRoot = trees.path(c.rezRoot).string() + "\\";
        s.exportRoot = trees.path(c.exportRoot).string() + "\\";
        s.recordText = "record";

        EXPECT_EQ(runExportJob(c.kind, s), c.succeeds);
        EXPECT_EQ(treeOf(trees.path("outside")), outsideBefore);
        EXPECT_EQ(treeOf(trees.path("rez")), rezBefore);
        EXPECT_EQ(treeOf(trees.path("out")), c.out);
        EXPECT_EQ(topNames(), topBefore) << "nothing is made beside the roots either";
    }
}

// Links in the REZ tree. Links to files or folders within the REZ root are followed (they show
// nothing the root does not already hold); any link whose real path leaves the root is treated
// as a missing file.
TEST(ExportTraps, ReadsNeverLeaveTheRezRoot) {
    const auto noLinks = [](const Trees&) {};
    const std::vector<Case> cases = {
        {"a model that links to a file outside, by a relative target",
         [](const Trees& t) { t.link("rez/Models/PV-OUT.LTB", "../../outside/secret.LTB"); },
         ExportKind::PvModel,
         {{kColumnPvModel, "Models\\PV-OUT"}},
         false,
         {{"M4A1", kFolder}, {kPv, kFolder}}},
        {"a model that links to a file outside, by an absolute target",
         [](const Trees& t) { t.linkTo("rez/Models/PV-OUT.LTB", "outside/secret.LTB"); },
         ExportKind::PvModel,
         {{kColumnPvModel, "Models\\PV-OUT"}},
         false,
         {{"M4A1", kFolder}, {kPv, kFolder}}},
        {"a folder that links outside",
         [](const Trees& t) { t.linkTo("rez/Linked", "outside/dir"); },
         ExportKind::PvRenderStyle,
         {{16, "Linked\\SECRET.DTX"}},
         false,
         {{"M4A1", kFolder}, {"M4A1/PV-RS", kFolder}}},
        {"a chain of links whose end is outside",
         [](const Trees& t) {
             t.link("rez/Chain1.LTB", "Chain2.LTB");
             t.link("rez/Chain2.LTB", "Models/Chain3.LTB");
             t.linkTo("rez/Models/Chain3.LTB", "outside/secret.LTB");
         },
         ExportKind::SingleModel,
         {{17, "Chain1.LTB"}},
         false,
         {{"M4A1", kFolder}, {kSingle, kFolder}}},
        {"a chain of links that stays inside is followed",
         [](const Trees& t) {
             t.link("rez/Chain1.LTB", "Chain2.LTB");
             t.link("rez/Chain2.LTB", "Models/PV-REAL.LTB");
         },
         ExportKind::SingleModel,
         {{17, "Chain1.LTB"}},
         true,
         {{"M4A1", kFolder}, {kSingle, kFolder}, {kSingle + "/Chain1.LTB", "real model"}}},
        {"a folder link to a folder inside is followed",
         [](const Trees& t) { t.link("rez/Alias", "Models"); },
         ExportKind::SingleRenderStyle,
         {{31, "\\Alias\\REAL.LTC"}},
         true,
         {{"M4A1", kFolder}, {"M4A1/单-RS", kFolder}, {"M4A1/单-RS/REAL.LTC", "real style"}}},
        {"a side file that links outside is skipped while the model is copied",
         [](const Trees& t) { t.linkTo("rez/Linked", "outside/dir"); },
         ExportKind::PvModel,
         {{kColumnPvModel, "Models\\PV-REAL"}, {13, "Linked\\SECRET.DTX"}},
         true,
         {{"M4A1", kFolder}, {kPv, kFolder}, {kPv + "/PV-REAL.LTB", "real model"}}},
        {"links that point at each other",
         [](const Trees& t) {
             t.link("rez/Loop1.LTB", "Loop2.LTB");
             t.link("rez/Loop2.LTB", "Loop1.LTB");
         },
         ExportKind::SingleModel,
         {{17, "Loop1.LTB"}},
         false,
         {{"M4A1", kFolder}, {kSingle, kFolder}}},
        {"a link to nothing",
         [](const Trees& t) { t.link("rez/Gone.LTB", "Missing.LTB"); },
         ExportKind::SingleModel,
         {{17, "Gone.LTB"}},
         false,
         {{"M4A1", kFolder}, {kSingle, kFolder}}},
        {"a link to the folder above the REZ root",
         [](const Trees& t) { t.link("rez/Up", ".."); },
         ExportKind::SingleModel,
         {{17, "Up\\outside\\secret.LTB"}},
         false,
         {{"M4A1", kFolder}, {kSingle, kFolder}}},
        // The REZ root itself may be reached through a link: its real path is the root.
        {"a REZ root reached through a link",
         [](const Trees& t) { t.link("rezlink", "rez"); },
         ExportKind::PvModel,
         {{kColumnPvModel, "Models\\PV-REAL"}},
         true,
         {{"M4A1", kFolder}, {kPv, kFolder}, {kPv + "/PV-REAL.LTB", "real model"}},
         "rezlink"},
        {"a link outside, seen through a REZ root reached through a link",
         [](const Trees& t) {
             t.link("rezlink", "rez");
             t.linkTo("rez/Models/PV-OUT.LTB", "outside/secret.LTB");
         },
         ExportKind::PvModel,
         {{kColumnPvModel, "Models\\PV-OUT"}},
         false,
         {{"M4A1", kFolder}, {kPv, kFolder}},
         "rezlink"},
        {"no links at all",
         noLinks,
         ExportKind::PvModel,
         {{kColumnPvModel, "Models\\PV-REAL"}},
         true,
         {{"M4A1", kFolder}, {kPv, kFolder}, {kPv + "/PV-REAL.LTB", "real model"}}},
    };
    runCases(cases);
}

// Links in the export tree, where earlier exports or someone else left them.
TEST(ExportTraps, WritesNeverLeaveTheExportRoot) {
    const std::string pvRs = "M4A1/PV-RS";
    const std::string paramFile = "M4A1/M4A1[QM参数].txt";
    const std::vector<Case> cases = {
        {"the weapon folder links outside",
         [](const Trees& t) { t.link("out/M4A1", "../outside/exportdir"); },
         ExportKind::PvModel,
         {{kColumnPvModel, "Models\\PV-REAL"}},
         false,
         {{"M4A1", "-> ../outside/exportdir"}}},
        {"the fixed sub-folder links outside",
         [](const Trees& t) {
             t.folder("out/M4A1");
             t.link("out/M4A1/PV-模型贴图", "../../outside/exportdir");
         },
         ExportKind::PvModel,
         {{kColumnPvModel, "Models\\PV-REAL"}},
         false,
         {{"M4A1", kFolder}, {kPv, "-> ../../outside/exportdir"}}},
        {"a model sub-folder of the single folder links outside",
         [](const Trees& t) {
             t.folder("out/M4A1/单-模型贴图");
             t.link("out/M4A1/单-模型贴图/W模型", "../../../outside/exportdir");
         },
         ExportKind::SingleModel,
         {{17, "Models\\PV-REAL.LTB"}, {18, "Models\\REAL.LTC"}},
         true,
         {{"M4A1", kFolder},
          {kSingle, kFolder},
          {kSingle + "/PV-REAL.LTB", "real model"},
          {kSingle + "/W模型", "-> ../../../outside/exportdir"}}},
        // The copy is renamed onto the link, which replaces the link itself.
        {"the destination file links to a file outside",
         [](const Trees& t) {
             t.folder("out/M4A1/PV-RS");
             t.linkTo("out/M4A1/PV-RS/REAL.LTC", "outside/target.txt");
         },
         ExportKind::PvRenderStyle,
         {{16, "Models\\REAL.LTC"}},
         true,
         {{"M4A1", kFolder}, {pvRs, kFolder}, {pvRs + "/REAL.LTC", "real style"}}},
        {"the parameter file links to a file outside",
         [](const Trees& t) {
             t.folder("out/M4A1");
             t.linkTo("out/M4A1/M4A1[QM参数].txt", "outside/target.txt");
         },
         ExportKind::Parameters,
         {},
         true,
         {{"M4A1", kFolder}, {paramFile, "record"}}},
        {"the destination file links to a folder outside",
         [](const Trees& t) {
             t.folder("out/M4A1/PV-RS");
             t.link("out/M4A1/PV-RS/REAL.LTC", "../../../outside/exportdir");
         },
         ExportKind::PvRenderStyle,
         {{16, "Models\\REAL.LTC"}},
         false,
         {{"M4A1", kFolder},
          {pvRs, kFolder},
          {pvRs + "/REAL.LTC", "-> ../../../outside/exportdir"}}},
        {"the parameter file links to nothing outside",
         [](const Trees& t) {
             t.folder("out/M4A1");
             t.linkTo("out/M4A1/M4A1[QM参数].txt", "outside/new.txt");
         },
         ExportKind::Parameters,
         {},
         true,
         {{"M4A1", kFolder}, {paramFile, "record"}}},
        // Links that stay within the export root are followed.
        {"the weapon folder links to a folder inside the export root",
         [](const Trees& t) {
             t.folder("out/elsewhere");
             t.link("out/M4A1", "elsewhere");
         },
         ExportKind::PvRenderStyle,
         {{16, "Models\\REAL.LTC"}},
         true,
         {{"M4A1", "-> elsewhere"},
          {"elsewhere", kFolder},
          {"elsewhere/PV-RS", kFolder},
          {"elsewhere/PV-RS/REAL.LTC", "real style"}}},
        {"an export root reached through a link",
         [](const Trees& t) { t.link("outlink", "out"); },
         ExportKind::Parameters,
         {},
         true,
         {{"M4A1", kFolder}, {paramFile, "record"}},
         "rez",
         "outlink"},
    };
    runCases(cases);
}

}  // namespace
}  // namespace qm318

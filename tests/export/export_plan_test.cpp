// Messages, checks and the plan of the export jobs, and fileNameOf: nothing here touches files.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export/export_jobs.h"

namespace qm318 {
namespace {

constexpr std::size_t kSingleModel = 17;
constexpr std::size_t kPvRenderStyle = 16;
constexpr std::size_t kSingleRenderStyle = 31;

TEST(ExportMessages, ResultMessagesForEveryKind) {
    struct Case {
        ExportKind kind;
        std::string success;
        std::string failure;
    };
    const std::vector<Case> cases = {
        {ExportKind::PvModel, "导出 PV-模型贴图 成功", "导出失败"},
        {ExportKind::SingleModel, "导出 单-模型贴图 成功", "导出 单-模型贴图 失败"},
        {ExportKind::PvRenderStyle, "导出 PV-RS 成功", "导出 PV-RS 失败"},
        {ExportKind::SingleRenderStyle, "导出 单_RS 成功", "导出 单_RS 失败"},
        {ExportKind::Parameters, "导出 武器QM318参数 成功", "导出 武器QM318参数 失败"},
    };
    ASSERT_EQ(cases.size(), kExportKinds.size());
    for (const Case& c : cases) {
        EXPECT_EQ(exportResultMessage(c.kind, true), c.success);
        EXPECT_EQ(exportResultMessage(c.kind, false), c.failure);
    }
}

TEST(ExportMessages, CheckMessagesForEveryKind) {
    struct Case {
        ExportKind kind;
        std::string message;
    };
    const std::vector<Case> cases = {
        {ExportKind::PvModel, "当前没选中 或当前武器没有 PV-模型 请取消勾选再试"},
        {ExportKind::SingleModel, "当前没选中 或当前武器没有 单-模型 请取消勾选再试"},
        {ExportKind::PvRenderStyle, "当前没选中 或当前武器没有 PV-RS 请取消勾选再试"},
        {ExportKind::SingleRenderStyle, "当前没选中 或当前武器没有 单-RS 请取消勾选再试"},
        {ExportKind::Parameters, "当前没选中 或当前武器没有 QM318参数 请取消勾选再试"},
    };
    ASSERT_EQ(cases.size(), kExportKinds.size());
    for (const Case& c : cases)
        EXPECT_EQ(exportCheckMessage(c.kind), c.message);
}

TEST(ExportChecks, KindsComeInTheOrderOfTheCheckBoxes) {
    EXPECT_EQ(kExportKinds,
              (std::array<ExportKind, 5>{ExportKind::PvModel, ExportKind::SingleModel,
                                         ExportKind::PvRenderStyle, ExportKind::SingleRenderStyle,
                                         ExportKind::Parameters}));
}

// A weapon with a name and an index; `passing` lists the kinds whose needed cell (or record
// text) is filled.
ExportSnapshot weaponFor(const std::vector<ExportKind>& passing) {
    ExportSnapshot s;
    s.cells[kColumnName] = "M4A1";
    s.cells[kColumnIndex] = "11";
    s.rezRoot = "D:\\REZ\\";
    s.exportRoot = "D:\\out\\";
    for (const ExportKind kind : passing) {
        switch (kind) {
            case ExportKind::PvModel: s.cells[kColumnPvModel] = "Models\\PV\\PV-M4A1"; break;
            case ExportKind::SingleModel: s.cells[kSingleModel] = "Models\\M4A1.LTB"; break;
            case ExportKind::PvRenderStyle: s.cells[kPvRenderStyle] = "RS\\PV.LTC"; break;
            case ExportKind::SingleRenderStyle: s.cells[kSingleRenderStyle] = "RS\\ONE.LTC"; break;
            case ExportKind::Parameters: s.recordText = "(Weapon\r\n"; break;
        }
    }
    return s;
}

TEST(ExportChecks, EachCheckLooksAtItsOwnCellOnly) {
    for (const ExportKind filled : kExportKinds) {
        const ExportSnapshot s = weaponFor({filled});
        for (const ExportKind kind : kExportKinds) {
            EXPECT_EQ(exportCheckPasses(kind, s), kind == filled)
                << exportCheckMessage(kind) << " with only the cell of "
                << exportCheckMessage(filled) << " filled";
        }
    }
    const ExportSnapshot empty = weaponFor({});
    for (const ExportKind kind : kExportKinds) {
        EXPECT_FALSE(exportCheckPasses(kind, empty)) << exportCheckMessage(kind);
    }
}

TEST(ExportPlan, StartsTickedJobsInBoxOrderUpToTheFirstFailingCheck) {
    using K = ExportKind;
    const std::vector<K> all(kExportKinds.begin(), kExportKinds.end());
    struct Case {
        std::string why;
        std::vector<K> ticked;
        std::vector<K> passing;
        std::vector<K> jobs;
        bool stopped;
        K failedCheck;
    };
    const std::vector<Case> cases = {
        {"nothing ticked", {}, all, {}, false, K::PvModel},
        {"nothing ticked, nothing there", {}, {}, {}, false, K::PvModel},
        {"all ticked in reverse order",
         {K::Parameters, K::SingleRenderStyle, K::PvRenderStyle, K::SingleModel, K::PvModel},
         all,
         all,
         false,
         K::PvModel},
        {"unticked boxes are not checked",
         {K::Parameters, K::PvModel},
         {K::PvModel, K::Parameters},
         {K::PvModel, K::Parameters},
         false,
         K::PvModel},
        {"a failing check stops the later boxes",
         all,
         {K::PvModel, K::PvRenderStyle, K::SingleRenderStyle, K::Parameters},
         {K::PvModel},
         true,
         K::SingleModel},
        {"box 2 (column 17) is checked before box 3 (column 16)",
         {K::PvRenderStyle, K::SingleModel},
         {},
         {},
         true,
         K::SingleModel},
        {"box 3 fails after box 2 started",
         {K::PvRenderStyle, K::SingleModel, K::Parameters},
         {K::SingleModel, K::Parameters},
         {K::SingleModel},
         true,
         K::PvRenderStyle},
        {"box 4 fails after box 3 started",
         {K::PvRenderStyle, K::SingleRenderStyle},
         {K::PvRenderStyle},
         {K::PvRenderStyle},
         true,
         K::SingleRenderStyle},
        {"an empty record text", {K::Parameters}, {K::PvModel}, {}, true, K::Parameters},
        {"the first box fails", all, {K::SingleModel, K::Parameters}, {}, true, K::PvModel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const ExportPlan plan = planExports(c.ticked, weaponFor(c.passing));
        EXPECT_EQ(plan.jobs, c.jobs);
        EXPECT_EQ(plan.stopped, c.stopped);
        if (c.stopped) {
            EXPECT_EQ(plan.failedCheck, c.failedCheck);
        }
    }
}

TEST(FileNameOf, IsThePartAfterTheLastBackslashOrTheWholeValue) {
    struct Case {
        std::string path;
        std::string name;
    };
    const std::vector<Case> cases = {
        {"Models\\PLAYERVIEW\\PV-M4A1", "PV-M4A1"},
        {"\\RS\\Weapons\\M4A1.ltc", "M4A1.ltc"},
        {"\\M4A1.ltc", "M4A1.ltc"},
        {"PV-M4A1", "PV-M4A1"},
        {"Models\\", ""},
        {"\\", ""},
        {"", ""},
        {"a/b.ltb", "a/b.ltb"},  // only "\" separates
        // 乗 is "\x81\x5c" in GBK: the "\" byte inside it is no separator.
        {"Models\\\x81\x5c.ltb", "\x81\x5c.ltb"},
        {"Models\\A\x81\x5c"
         "B.ltb",
         "A\x81\x5c"
         "B.ltb"},
        {"\x81\x5c.ltb", "\x81\x5c.ltb"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fileNameOf(c.path), c.name) << c.path;
}

}  // namespace
}  // namespace qm318

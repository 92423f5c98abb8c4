#include "export/export_jobs.h"

#include <algorithm>

#include "platform/file_system.h"
#include "text/encoding.h"
#include "text/gbk_text.h"

namespace qm318 {
namespace {

// A folder or file name of the export tree, written here in UTF-8 and used in GBK.
std::string gbkName(const char* utf8) {
    return utf8ToGbk(utf8);
}

constexpr std::array<std::string_view, 5> kPvModelVariants = {"", "_BL", "_GR", "_WOMAN_BL",
                                                              "_WOMAN_GR"};

struct SingleStep {
    std::size_t column;
    const char* folder;  // sub-folder of the single folder, or null for the single folder itself
};
constexpr std::array<SingleStep, 13> kSingleSteps = {{
    {17, nullptr},
    {18, "W模型"},
    {19, "左手模型"},
    {20, "W左手模型"},
    {21, "更改模型1"},
    {22, "更改模型2"},
    {23, "更改模型3"},
    {24, "W更改模型"},
    {25, "左手更改模型"},
    {26, "W左手更改模型"},
    {27, nullptr},
    {28, nullptr},
    {29, nullptr},
}};

std::string weaponFolder(const ExportSnapshot& s) {
    return s.exportRoot + s.cells[kColumnName];
}

// Copies REZ root + source into folder under the source's file name; false when nothing of this
// run landed there.
bool copyInto(const ExportSnapshot& s, std::string_view source, const std::string& folder,
              std::string_view suffix = {}) {
    const std::string name = fileNameOf(source);
    if (name.empty()) return false;
    return copyFileTo(s.rezRoot + std::string(source) + std::string(suffix),
                      folder + "\\" + name + std::string(suffix));
}

bool exportPvModel(const ExportSnapshot& s) {
    const std::string model = s.cells[kColumnPvModel];
    const std::string folder = weaponFolder(s) + "\\" + gbkName("PV-模型贴图");
    makeFolder(weaponFolder(s));
    makeFolder(folder);
    bool plainModelCopied = false;
    for (const std::string_view variant : kPvModelVariants) {
        const bool copied = copyInto(s, model, folder, std::string(variant) + ".LTB");
        if (variant.empty()) plainModelCopied = copied;
    }
    for (const std::size_t column : {13u, 14u, 15u}) {
        if (!s.cells[column].empty()) copyInto(s, s.cells[column], folder);
    }
    return plainModelCopied;
}

bool exportSingleModel(const ExportSnapshot& s) {
    const std::string singleFolder = weaponFolder(s) + "\\" + gbkName("单-模型贴图");
    bool modelCopied = false;
    for (const SingleStep& step : kSingleSteps) {
        const std::string& value = s.cells[step.column];
        if (value.empty()) continue;
        std::string folder = singleFolder;
        if (step.column == 17) {
            makeFolder(weaponFolder(s));
            makeFolder(singleFolder);
        } else if (step.folder != nullptr) {
            folder.append("\\").append(gbkName(step.folder));
            makeFolder(folder);
        }
        const bool copied = copyInto(s, value, folder);
        if (step.column == 17) modelCopied = copied;
    }
    return modelCopied;
}

// Both render-style exports; the single one looks the file up without a leading "\".
bool exportRenderStyle(const ExportSnapshot& s, std::size_t column, const char* folderName,
                       bool stripLeadingSeparator) {
    const std::string& value = s.cells[column];
    if (value.empty()) return false;
    const std::string folder = weaponFolder(s) + "\\" + gbkName(folderName);
    makeFolder(weaponFolder(s));
    makeFolder(folder);
    const std::string_view withoutLead =
        value.starts_with('\\') ? std::string_view(value).substr(1) : std::string_view(value);
    const std::string name = fileNameOf(withoutLead);
    if (name.empty()) return false;
    const std::string source =
        s.rezRoot + (stripLeadingSeparator ? std::string(withoutLead) : value);
    return copyFileTo(source, folder + "\\" + name);
}

bool exportParameters(const ExportSnapshot& s) {
    if (s.cells[kColumnIndex].empty()) return false;
    makeFolder(weaponFolder(s));
    const std::string file =
        weaponFolder(s) + "\\" + s.cells[kColumnName] + gbkName("[QM参数].txt");
    return writeFileBytes(file, s.recordText);
}

}  // namespace

std::string fileNameOf(std::string_view path) {
    if (find(path, "\\") == kNotFound) return std::string(path);
    return textAfterLast(path, "\\", 0, true);
}

ExportSnapshot snapshotOf(const WeaponTable& table, std::size_t row, std::string rezRoot,
                          std::string exportRoot, std::string recordText) {
    ExportSnapshot snapshot;
    for (std::size_t c = 0; c < kColumnCount; ++c)
        snapshot.cells[c] = table.cell(row, c);
    snapshot.rezRoot = std::move(rezRoot);
    snapshot.exportRoot = std::move(exportRoot);
    snapshot.recordText = std::move(recordText);
    return snapshot;
}

bool runExportJob(ExportKind kind, const ExportSnapshot& snapshot) {
    switch (kind) {
        case ExportKind::PvModel: return exportPvModel(snapshot);
        case ExportKind::SingleModel: return exportSingleModel(snapshot);
        case ExportKind::PvRenderStyle: return exportRenderStyle(snapshot, 16, "PV-RS", false);
        case ExportKind::SingleRenderStyle: return exportRenderStyle(snapshot, 31, "单-RS", true);
        case ExportKind::Parameters: return exportParameters(snapshot);
    }
    return false;
}

std::string_view exportResultMessage(ExportKind kind, bool succeeded) {
    switch (kind) {
        case ExportKind::PvModel: return succeeded ? "导出 PV-模型贴图 成功" : "导出失败";
        case ExportKind::SingleModel:
            return succeeded ? "导出 单-模型贴图 成功" : "导出 单-模型贴图 失败";
        case ExportKind::PvRenderStyle: return succeeded ? "导出 PV-RS 成功" : "导出 PV-RS 失败";
        case ExportKind::SingleRenderStyle:
            return succeeded ? "导出 单_RS 成功" : "导出 单_RS 失败";
        case ExportKind::Parameters:
            return succeeded ? "导出 武器QM318参数 成功" : "导出 武器QM318参数 失败";
    }
    return {};
}

bool exportCheckPasses(ExportKind kind, const ExportSnapshot& snapshot) {
    switch (kind) {
        case ExportKind::PvModel: return !snapshot.cells[12].empty();
        case ExportKind::SingleModel: return !snapshot.cells[17].empty();
        case ExportKind::PvRenderStyle: return !snapshot.cells[16].empty();
        case ExportKind::SingleRenderStyle: return !snapshot.cells[31].empty();
        case ExportKind::Parameters: return !snapshot.recordText.empty();
    }
    return false;
}

std::string_view exportCheckMessage(ExportKind kind) {
    switch (kind) {
        case ExportKind::PvModel: return "当前没选中 或当前武器没有 PV-模型 请取消勾选再试";
        case ExportKind::SingleModel: return "当前没选中 或当前武器没有 单-模型 请取消勾选再试";
        case ExportKind::PvRenderStyle: return "当前没选中 或当前武器没有 PV-RS 请取消勾选再试";
        case ExportKind::SingleRenderStyle: return "当前没选中 或当前武器没有 单-RS 请取消勾选再试";
        case ExportKind::Parameters: return "当前没选中 或当前武器没有 QM318参数 请取消勾选再试";
    }
    return {};
}

ExportPlan planExports(const std::vector<ExportKind>& ticked, const ExportSnapshot& snapshot) {
    ExportPlan plan;
    for (const ExportKind kind : kExportKinds) {
        if (std::find(ticked.begin(), ticked.end(), kind) == ticked.end()) continue;
        if (!exportCheckPasses(kind, snapshot)) {
            plan.stopped = true;
            plan.failedCheck = kind;
            break;
        }
        plan.jobs.push_back(kind);
    }
    return plan;
}

}  // namespace qm318

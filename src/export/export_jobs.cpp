#include "export/export_jobs.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "platform/file_system.h"
#include "text/encoding.h"
#include "text/gbk_text.h"

namespace qm318 {
namespace {

namespace fs = std::filesystem;

// The real path (every symbolic link resolved) of what a Windows path names; nothing when it does
// not exist or cannot be resolved.
std::optional<fs::path> realPathOf(std::string_view windowsPath) {
    const std::optional<fs::path> mapped = mapWindowsPath(windowsPath);
    if (!mapped) return std::nullopt;
    std::error_code error;
    fs::path real = fs::canonical(*mapped, error);
    if (error) return std::nullopt;
    return real;
}

bool isWithin(const fs::path& real, const fs::path& root) {
    return std::mismatch(root.begin(), root.end(), real.begin(), real.end()).first == root.end();
}

// Keeps a job inside its two roots whatever symbolic links the trees hold: a file is read only
// when its real path lies within the REZ root's, and a folder is made or a file written only when
// the real path of the folder it goes into lies within the export root's. A link that stays within
// its root is followed like any folder or file. A file written over a link replaces the link
// itself (a temporary file is renamed onto it), never what it points to.
class Confinement {
public:
    explicit Confinement(const ExportSnapshot& s)
        : rez_(realPathOf(s.rezRoot)), out_(realPathOf(s.exportRoot)) {}

    bool copy(std::string_view source, std::string_view destination) const {
        return mayRead(source) && mayWriteInto(destination) && copyFileTo(source, destination);
    }
    bool write(std::string_view destination, std::string_view bytes) const {
        return mayWriteInto(destination) && writeFileBytes(destination, bytes);
    }
    // True when the folder is there, made now or before, and lies within the export root.
    bool makeFolder(std::string_view folder) const {
        if (!mayWriteInto(folder) || !qm318::makeFolder(folder)) return false;
        const std::optional<fs::path> real = realPathOf(folder);
        return real && isWithin(*real, *out_);
    }

private:
    bool mayRead(std::string_view source) const {
        const std::optional<fs::path> real = realPathOf(source);
        return rez_ && real && isWithin(*real, *rez_);
    }
    // Whether the folder that the path names an entry of lies within the export root.
    bool mayWriteInto(std::string_view path) const {
        const std::optional<fs::path> mapped = mapWindowsPath(path);
        if (!out_ || !mapped) return false;
        std::error_code error;
        const fs::path folder =
            fs::canonical(mapped->has_parent_path() ? mapped->parent_path() : fs::path("."), error);
        return !error && isWithin(folder, *out_);
    }

    std::optional<fs::path> rez_;
    std::optional<fs::path> out_;
};

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
bool copyInto(const ExportSnapshot& s, const Confinement& c, std::string_view source,
              const std::string& folder, std::string_view suffix = {}) {
    const std::string name = fileNameOf(source);
    if (name.empty()) return false;
    return c.copy(s.rezRoot + std::string(source) + std::string(suffix),
                  folder + "\\" + name + std::string(suffix));
}

bool exportPvModel(const ExportSnapshot& s, const Confinement& c) {
    const std::string model = s.cells[kColumnPvModel];
    const std::string folder = weaponFolder(s) + "\\" + gbkName("PV-模型贴图");
    c.makeFolder(weaponFolder(s));
    c.makeFolder(folder);
    bool plainModelCopied = false;
    for (const std::string_view variant : kPvModelVariants) {
        const bool copied = copyInto(s, c, model, folder, std::string(variant) + ".LTB");
        if (variant.empty()) plainModelCopied = copied;
    }
    for (const std::size_t column : {13u, 14u, 15u}) {
        if (!s.cells[column].empty()) copyInto(s, c, s.cells[column], folder);
    }
    return plainModelCopied;
}

bool exportSingleModel(const ExportSnapshot& s, const Confinement& c) {
    const std::string singleFolder = weaponFolder(s) + "\\" + gbkName("单-模型贴图");
    bool modelCopied = false;
    for (const SingleStep& step : kSingleSteps) {
        const std::string& value = s.cells[step.column];
        if (value.empty()) continue;
        std::string folder = singleFolder;
        if (step.column == 17) {
            c.makeFolder(weaponFolder(s));
            c.makeFolder(singleFolder);
        } else if (step.folder != nullptr) {
            folder.append("\\").append(gbkName(step.folder));
            c.makeFolder(folder);
        }
        const bool copied = copyInto(s, c, value, folder);
        if (step.column == 17) modelCopied = copied;
    }
    return modelCopied;
}

// Both render-style exports; the single one looks the file up without a leading "\".
bool exportRenderStyle(const ExportSnapshot& s, const Confinement& c, std::size_t column,
                       const char* folderName, bool stripLeadingSeparator) {
    const std::string& value = s.cells[column];
    if (value.empty()) return false;
    const std::string folder = weaponFolder(s) + "\\" + gbkName(folderName);
    c.makeFolder(weaponFolder(s));
    c.makeFolder(folder);
    const std::string_view withoutLead =
        value.starts_with('\\') ? std::string_view(value).substr(1) : std::string_view(value);
    const std::string name = fileNameOf(withoutLead);
    if (name.empty()) return false;
    const std::string source =
        s.rezRoot + (stripLeadingSeparator ? std::string(withoutLead) : value);
    return c.copy(source, folder + "\\" + name);
}

bool exportParameters(const ExportSnapshot& s, const Confinement& c) {
    if (s.cells[kColumnIndex].empty()) return false;
    c.makeFolder(weaponFolder(s));
    const std::string file =
        weaponFolder(s) + "\\" + s.cells[kColumnName] + gbkName("[QM参数].txt");
    return c.write(file, s.recordText);
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
    const Confinement c(snapshot);
    switch (kind) {
        case ExportKind::PvModel: return exportPvModel(snapshot, c);
        case ExportKind::SingleModel: return exportSingleModel(snapshot, c);
        case ExportKind::PvRenderStyle: return exportRenderStyle(snapshot, c, 16, "PV-RS", false);
        case ExportKind::SingleRenderStyle:
            return exportRenderStyle(snapshot, c, 31, "单-RS", true);
        case ExportKind::Parameters: return exportParameters(snapshot, c);
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

// Timings of exporting every weapon of a generated data file out of a generated REZ tree, and of
// the system's cp copying the same files, as the reference.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "export/export_jobs.h"
#include "loader/weapon_table_loader.h"
#include "platform/file_system.h"
#include "sample_data.h"
#include "text/encoding.h"

namespace qm318 {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kRecords = 8000;

// A fresh folder under the system's temporary folder (TMPDIR when set), removed with everything
// in it at exit.
class ScratchFolder {
public:
    ScratchFolder() {
        std::random_device seed;
        path_ = fs::temp_directory_path() /
                ("qm318-export-bench-" + std::to_string(seed()) + std::to_string(seed()));
        fs::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// A root as the export jobs take it: the folder with a "\" appended.
std::string rootOf(const fs::path& folder) {
    return folder.string() + "\\";
}

// A generated data file's table and its REZ tree, made once per record count and kept until exit.
struct Sample {
    ScratchFolder folder;
    WeaponTablePtr table;
    std::string rezRoot;
    std::size_t rezFiles = 0;

    fs::path exportFolder() const { return folder.path() / "export"; }
};

const Sample& sampleOf(std::size_t records) {
    static std::map<std::size_t, std::unique_ptr<Sample>> samples;
    std::unique_ptr<Sample>& sample = samples[records];
    if (!sample) {
        sample = std::make_unique<Sample>();
        SampleOptions options;
        options.records = records;
        sample->table = buildWeaponTable(generateSampleLta(options));
        sample->rezFiles = writeSampleRezTree(*sample->table, sample->folder.path() / "rez", {});
        sample->rezRoot = rootOf(sample->folder.path() / "rez");
    }
    return *sample;
}

// An empty export folder; what an earlier run left there is removed first.
void freshFolder(const fs::path& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
}

struct TreeSize {
    std::int64_t files = 0;
    std::int64_t bytes = 0;
};

TreeSize sizeOf(const fs::path& folder) {
    TreeSize size;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        ++size.files;
        size.bytes += std::int64_t(entry.file_size());
    }
    return size;
}

void report(benchmark::State& state, const TreeSize& perIteration) {
    state.SetItemsProcessed(state.iterations() * perIteration.files);
    state.SetBytesProcessed(state.iterations() * perIteration.bytes);
    state.counters["files"] = double(perIteration.files);
}

// Every job for every weapon row, in the order the window starts them; the number of jobs that
// failed (a file left out of the REZ tree, or a cell left out of the record).
std::size_t exportAll(const Sample& sample, const std::string& exportRoot) {
    const WeaponTable& table = *sample.table;
    std::size_t failed = 0;
    for (std::size_t row = 1; row + 1 < table.rowCount(); ++row) {
        const ExportSnapshot snapshot =
            snapshotOf(table, row, sample.rezRoot, exportRoot, std::string(table.recordText(row)));
        for (const ExportKind kind : kExportKinds)
            failed += runExportJob(kind, snapshot) ? 0 : 1;
    }
    return failed;
}

// Where the export puts each copy: the column whose value names the source (the PV model's with
// each of its endings) and the folder under the weapon's folder (UTF-8).
struct CopyStep {
    std::size_t column;
    std::string_view folderUtf8;
};
constexpr std::string_view kPvFolder = "PV-模型贴图";
constexpr std::string_view kSingleFolder = "单-模型贴图";
constexpr std::array<std::string_view, 5> kPvModelEndings = {".LTB", "_BL.LTB", "_GR.LTB",
                                                             "_WOMAN_BL.LTB", "_WOMAN_GR.LTB"};
constexpr std::array<CopyStep, 3> kPvSteps = {{{13, kPvFolder}, {14, kPvFolder}, {15, kPvFolder}}};
constexpr std::array<CopyStep, 13> kSingleSteps = {{
    {17, kSingleFolder},
    {18, "单-模型贴图/W模型"},
    {19, "单-模型贴图/左手模型"},
    {20, "单-模型贴图/W左手模型"},
    {21, "单-模型贴图/更改模型1"},
    {22, "单-模型贴图/更改模型2"},
    {23, "单-模型贴图/更改模型3"},
    {24, "单-模型贴图/W更改模型"},
    {25, "单-模型贴图/左手更改模型"},
    {26, "单-模型贴图/W左手更改模型"},
    {27, kSingleFolder},
    {28, kSingleFolder},
    {29, kSingleFolder},
}};

std::string lowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
    return text;
}

// The files one export of every weapon copies, worked out from the table and the REZ tree the
// way the jobs do it: a copy is made when its source is a regular file and its folder exists.
// Folders are keyed by their relative path in lower case, files by their name in lower case: the
// file layer finds names whatever their letter case, so a later copy replaces an earlier one.
struct CopyPlan {
    struct Folder {
        fs::path relative;                        // as the export spells it: first spelling wins
        std::map<std::string, fs::path> sources;  // by the copy's name in lower case
    };
    std::map<std::string, Folder> folders;
    // The copies the export makes, repeats included: rows that share a weapon name export into
    // the same folder, each one copying its files again.
    std::size_t copies = 0;

    // "folder/name" in lower case for every copy, to compare with an exported tree.
    std::set<std::string> keys() const {
        std::set<std::string> result;
        for (const auto& [key, folder] : folders) {
            for (const auto& [name, source] : folder.sources)
                result.insert(key + "/" + name);
        }
        return result;
    }
};

class CopyPlanner {
public:
    explicit CopyPlanner(const Sample& sample) : sample_(sample) {}

    CopyPlan plan() {
        const WeaponTable& table = *sample_.table;
        for (std::size_t row = 1; row + 1 < table.rowCount(); ++row)
            planRow(table, row);
        return std::move(plan_);
    }

private:
    void planRow(const WeaponTable& table, std::size_t row) {
        // Every row's PV job makes the weapon's folder, so the first row with a name spells it.
        const std::string name = gbkToUtf8(table.cell(row, kColumnName));
        const std::string weapon =
            weaponSpelling_.try_emplace(lowerAscii(name), name).first->second;
        const std::string model(table.cell(row, kColumnPvModel));
        if (!model.empty()) {
            for (const std::string_view ending : kPvModelEndings) {
                add(weapon, kPvFolder, model + std::string(ending));
            }
        }
        for (const CopyStep& step : kPvSteps)
            add(weapon, step.folderUtf8, table.cell(row, step.column));
        // The single-model job makes its folder (and the folders under it) only when the row has
        // a single model; without one, its other copies land only in a folder an earlier row of
        // the same name made.
        if (!table.cell(row, 17).empty()) singleFolders_.insert(lowerAscii(weapon));
        if (singleFolders_.contains(lowerAscii(weapon))) {
            for (const CopyStep& step : kSingleSteps) {
                add(weapon, step.folderUtf8, table.cell(row, step.column));
            }
        }
        add(weapon, "PV-RS", table.cell(row, 16));
        std::string_view singleStyle = table.cell(row, 31);
        if (singleStyle.starts_with('\\')) singleStyle.remove_prefix(1);
        add(weapon, "单-RS", singleStyle);
    }

    void add(const std::string& weapon, std::string_view folderUtf8, std::string_view source) {
        const std::string name = fileNameOf(source);
        if (source.empty() || name.empty()) return;
        const std::optional<fs::path>& from = sourceOf(std::string(source));
        if (!from) return;
        const fs::path relative = fs::path(weapon) / folderUtf8;
        CopyPlan::Folder& folder =
            plan_.folders
                .try_emplace(lowerAscii(relative.generic_string()), CopyPlan::Folder{relative, {}})
                .first->second;
        folder.sources[lowerAscii(gbkToUtf8(name))] = *from;
        ++plan_.copies;
    }

    // The real path of a regular file of the REZ tree, found as the jobs find it.
    const std::optional<fs::path>& sourceOf(const std::string& source) {
        auto [it, added] = sources_.try_emplace(source);
        if (added) {
            std::optional<fs::path> path = mapWindowsPath(sample_.rezRoot + source);
            if (path && fs::is_regular_file(*path)) it->second = std::move(path);
        }
        return it->second;
    }

    const Sample& sample_;
    CopyPlan plan_;
    std::map<std::string, std::string> weaponSpelling_;  // by the name in lower case
    std::set<std::string> singleFolders_;                // weapons (lower case) with that folder
    std::map<std::string, std::optional<fs::path>> sources_;
};

const CopyPlan& copyPlanOf(const Sample& sample) {
    static std::map<const Sample*, CopyPlan> plans;
    auto [it, added] = plans.try_emplace(&sample);
    if (added) it->second = CopyPlanner(sample).plan();
    return it->second;
}

// "folder/name" in lower case for every file the export copied (its parameter texts left out).
std::set<std::string> exportedCopies(const fs::path& out) {
    const std::string parameterEnding = "[QM参数].txt";
    std::set<std::string> keys;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(out)) {
        const std::string path = fs::relative(entry.path(), out).generic_string();
        if (entry.is_regular_file() && !path.ends_with(parameterEnding)) {
            keys.insert(lowerAscii(path));
        }
    }
    return keys;
}

void BM_ExportAll(benchmark::State& state) {
    const Sample& sample = sampleOf(std::size_t(state.range(0)));
    const fs::path out = sample.exportFolder();
    const std::string exportRoot = rootOf(out);
    TreeSize size;
    std::size_t failedJobs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        freshFolder(out);
        state.ResumeTiming();

        failedJobs = exportAll(sample, exportRoot);

        state.PauseTiming();
        size = sizeOf(out);
        state.ResumeTiming();
    }
    const CopyPlan& plan = copyPlanOf(sample);
    report(state, size);
    state.counters["rez_files"] = double(sample.rezFiles);
    state.counters["failed_jobs"] = double(failedJobs);
    state.counters["copies"] = double(plan.copies);
    state.counters["copies_per_second"] = benchmark::Counter(
        double(state.iterations() * std::int64_t(plan.copies)), benchmark::Counter::kIsRate);
    // The reference below copies what the plan says; it must be what the export copied.
    if (exportedCopies(out) != plan.keys()) {
        state.SkipWithError("the export copied other files than the cp reference copies");
    }
}
// The export flushes every file it writes to disk, so one pass over 8,000 weapons takes minutes
// on a disk (set TMPDIR to a memory file system to leave the disk out): one iteration each.
BENCHMARK(BM_ExportAll)->Arg(kRecords)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

void BM_CpReference(benchmark::State& state) {
    const Sample& sample = sampleOf(kRecords);
    const fs::path out = sample.exportFolder();
    // One cp per destination folder, "cp SOURCE... FOLDER", each after making its folder.
    std::vector<std::pair<fs::path, std::vector<std::string>>> calls;
    for (const auto& [key, folder] : copyPlanOf(sample).folders) {
        std::vector<std::string> argv = {"cp"};
        for (const auto& [name, source] : folder.sources)
            argv.push_back(source.string());
        argv.push_back((out / folder.relative).string());
        calls.emplace_back(out / folder.relative, std::move(argv));
    }

    TreeSize size;
    for (auto _ : state) {
        state.PauseTiming();
        freshFolder(out);
        state.ResumeTiming();

        bool failed = false;
        for (const auto& [folder, argv] : calls) {
            fs::create_directories(folder);
            if (runAndWait(argv) != 0) failed = true;
        }

        state.PauseTiming();
        size = sizeOf(out);
        state.ResumeTiming();
        if (failed) {
            state.SkipWithError("cp failed");
            break;
        }
    }
    report(state, size);
    state.counters["cp_calls"] = double(calls.size());
}
BENCHMARK(BM_CpReference)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace qm318

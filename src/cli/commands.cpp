#include "cli/commands.h"

#include <filesystem>
#include <numeric>
#include <vector>

#include "cli/progress_bar.h"
#include "loader/weapon_table_loader.h"
#include "text/encoding.h"

namespace qm318::cli {
namespace {

constexpr int kExitNotFound = 1;
constexpr int kExitBadInput = 2;

std::string describe(const LoadResult& result) {
    switch (result.error) {
        case LoadError::None: return {};
        case LoadError::NotFound: return "no such file";
        case LoadError::TooLarge: return "the file is too large to load";
        case LoadError::NotReadable:
            if (result.cause == std::errc::invalid_argument) return "not a regular file";
            return "cannot read it: " + result.cause.message();
        case LoadError::NotEnoughMemory:
            return "not enough free memory to load it; close other programs and try again";
    }
    return {};
}

// The table of the data file, or null after one line on err.
WeaponTablePtr loadOrReport(const std::string& file, std::ostream& err) {
    ProgressBar bar;
    LoadLimits limits;
    limits.mapUnchangedFile = true;  // main() reports a truncation meanwhile
    const LoadResult result = loadWeaponTableFile(
        file, [&bar](std::size_t done, std::size_t total) { bar.update(done, total); }, limits);
    if (!result.table) err << "qm318: " << file << ": " << describe(result) << '\n';
    return result.table;
}

}  // namespace

int runTable(const TableOptions& options, std::ostream& out, std::ostream& err) {
    const WeaponTablePtr table = loadOrReport(options.file, err);
    if (!table) return kExitBadInput;
    // Without --all-rows the first row (text before the first record) and the last row (the
    // sentinel record) are left out: they are the loader's, not the file's weapons.
    const std::size_t first = options.allRows ? 0 : 1;
    const std::size_t end = options.allRows ? table->rowCount() : table->rowCount() - 1;
    std::vector<std::uint32_t> rows(end > first ? end - first : 0);
    std::iota(rows.begin(), rows.end(), std::uint32_t(first));
    writeRows(out, *table, rows, options.format);
    return out.good() ? 0 : kExitBadInput;
}

int runSearch(const SearchOptions& options, std::ostream& out, std::ostream& err) {
    BrowseState state;
    state.full = loadOrReport(options.file, err);
    if (!state.full) return kExitBadInput;
    qm318::runSearch(state, options.type, utf8ToGbk(options.queryUtf8));
    const FilteredRows rows = activeRows(state);
    writeRows(out, *rows.table, rows.rows, options.format);
    return out.good() ? 0 : kExitBadInput;
}

int runShow(const ShowOptions& options, std::ostream& out, std::ostream& err) {
    const WeaponTablePtr table = loadOrReport(options.file, err);
    if (!table) return kExitBadInput;
    const std::string index = utf8ToGbk(options.indexUtf8);
    for (std::size_t row = 0; row < table->rowCount(); ++row) {
        if (table->cell(row, kColumnIndex) != index) continue;
        const std::string_view record = table->recordText(row);
        if (record.empty()) {
            err << "qm318: the row with index " << options.indexUtf8 << " has no record text\n";
            return kExitNotFound;
        }
        out << gbkToUtf8(record);
        return out.good() ? 0 : kExitBadInput;
    }
    err << "qm318: no weapon with index " << options.indexUtf8 << '\n';
    return kExitNotFound;
}

namespace {

// Runs the checks and jobs of one weapon; the messages of the jobs that ran and of a failed
// check, in order, and whether all went well.
struct WeaponExport {
    std::vector<std::string_view> messages;
    bool succeeded = true;
};

WeaponExport exportWeapon(const ExportSnapshot& snapshot, const std::vector<ExportKind>& kinds) {
    WeaponExport result;
    const ExportPlan plan = planExports(kinds, snapshot);
    for (const ExportKind kind : plan.jobs) {
        const bool succeeded = runExportJob(kind, snapshot);
        result.messages.push_back(exportResultMessage(kind, succeeded));
        result.succeeded = result.succeeded && succeeded;
    }
    if (plan.stopped) {
        result.messages.push_back(exportCheckMessage(plan.failedCheck));
        result.succeeded = false;
    }
    return result;
}

// The weapon rows --all exports: every row with an index, or those the search finds, without the
// sentinel row the loader appends.
std::vector<std::uint32_t> rowsToExport(const WeaponTablePtr& table, const ExportOptions& options) {
    FilteredRows rows = options.searchUtf8
                            ? filterRows(table, options.searchType, utf8ToGbk(*options.searchUtf8))
                            : activeRows(BrowseState{table, {}, false});
    std::erase_if(rows.rows, [&](std::uint32_t row) {
        return row + 1 == table->rowCount() || table->cell(row, kColumnIndex).empty();
    });
    return rows.rows;
}

}  // namespace

int runExport(const ExportOptions& options, std::ostream& out, std::ostream& err) {
    std::error_code error;
    if (!std::filesystem::is_directory(options.rezFolder, error)) {
        err << "qm318: --rez " << options.rezFolder << ": not a folder\n";
        return kExitBadInput;
    }
    std::filesystem::create_directories(options.outFolder, error);
    if (!std::filesystem::is_directory(options.outFolder, error)) {
        err << "qm318: --out " << options.outFolder << ": cannot create the folder\n";
        return kExitBadInput;
    }
    const WeaponTablePtr table = loadOrReport(options.file, err);
    if (!table) return kExitBadInput;
    const std::string rezRoot = utf8ToGbk(options.rezFolder) + "\\";
    const std::string exportRoot = utf8ToGbk(options.outFolder) + "\\";
    const auto snapshotAt = [&](std::size_t row) {
        return snapshotOf(*table, row, rezRoot, exportRoot, std::string(table->recordText(row)));
    };

    if (!options.all) {
        const std::string index = utf8ToGbk(options.indexUtf8);
        for (std::size_t row = 0; row < table->rowCount(); ++row) {
            if (table->cell(row, kColumnIndex) != index) continue;
            const WeaponExport result = exportWeapon(snapshotAt(row), options.kinds);
            for (const std::string_view message : result.messages)
                out << message << '\n';
            return result.succeeded ? 0 : kExitNotFound;
        }
        err << "qm318: no weapon with index " << options.indexUtf8 << '\n';
        return kExitNotFound;
    }

    const std::vector<std::uint32_t> rows = rowsToExport(table, options);
    ProgressBar bar("Exporting");
    std::size_t failedWeapons = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const WeaponExport result = exportWeapon(snapshotAt(rows[i]), options.kinds);
        bar.update(i + 1, rows.size());
        if (result.succeeded) continue;
        ++failedWeapons;
        const std::string who = gbkToUtf8(table->cell(rows[i], kColumnIndex)) + " " +
                                gbkToUtf8(table->cell(rows[i], kColumnName));
        for (const std::string_view message : result.messages)
            out << who << ": " << message << '\n';
    }
    out << "exported " << rows.size() << " weapons: " << rows.size() - failedWeapons
        << " without a failure, " << failedWeapons << " with one\n";
    return failedWeapons == 0 ? 0 : kExitNotFound;
}

}  // namespace qm318::cli

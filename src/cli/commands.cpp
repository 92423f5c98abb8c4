#include "cli/commands.h"

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
        case LoadError::NotReadable: return "cannot read it: " + result.cause.message();
    }
    return {};
}

// The table of the data file, or null after one line on err.
WeaponTablePtr loadOrReport(const std::string& file, std::ostream& err) {
    ProgressBar bar;
    const LoadResult result = loadWeaponTableFile(
        file, [&bar](std::size_t done, std::size_t total) { bar.update(done, total); });
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

}  // namespace qm318::cli

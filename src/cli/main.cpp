// qm318: the weapon table of a QM318.LTA file on the command line. It only reads the data file.

#include <signal.h>
#include <unistd.h>
#include <CLI/CLI.hpp>

#include <array>
#include <iostream>
#include <map>

#include "cli/commands.h"

namespace {

using qm318::SearchType;
using qm318::cli::RowFormat;

constexpr const char* kDefaultFile = "QM318.LTA";

const std::map<std::string, RowFormat> kFormats = {
    {"jsonl", RowFormat::JsonLines}, {"tsv", RowFormat::Tsv}, {"csv", RowFormat::Csv}};
const std::map<std::string, SearchType> kSearchTypes = {{"name", SearchType::Name},
                                                        {"index", SearchType::Index},
                                                        {"class", SearchType::Class},
                                                        {"pv-model", SearchType::PvModel}};

void addFormatOption(CLI::App& command, RowFormat& format) {
    command.add_option("--format", format, "Output format: jsonl (default), tsv or csv")
        ->transform(CLI::CheckedTransformer(kFormats, CLI::ignore_case));
}

void addFileArgument(CLI::App& command, std::string& file) {
    command.add_option("FILE", file, "The data file (default: QM318.LTA in the current folder)");
}

// The data file is mapped while a command runs (see loadOrReport); a program that truncates it
// meanwhile makes its lost part unreadable. Say so and stop, instead of dying with "Bus error".
extern "C" void reportTruncatedDataFile(int) {
    static constexpr char kMessage[] = "qm318: the data file was truncated while it was read\n";
    [[maybe_unused]] const ssize_t written = ::write(2, kMessage, sizeof kMessage - 1);
    ::_exit(2);
}

}  // namespace

int main(int argc, char** argv) {
    struct sigaction onBusError {};
    onBusError.sa_handler = reportTruncatedDataFile;
    ::sigaction(SIGBUS, &onBusError, nullptr);
    std::ios::sync_with_stdio(false);
    CLI::App app{"qm318: read the weapon table of a QM318.LTA data file (never changes the file)",
                 "qm318"};
    app.require_subcommand(1);

    qm318::cli::TableOptions table;
    table.file = kDefaultFile;
    CLI::App* tableCommand =
        app.add_subcommand("table", "Print the weapon rows, one array of 32 cells per row");
    tableCommand->add_flag("--all-rows", table.allRows,
                           "Also print the first row (text before the first record) and the last "
                           "row (the appended sentinel record), as the window's full table shows");
    addFormatOption(*tableCommand, table.format);
    addFileArgument(*tableCommand, table.file);

    qm318::cli::SearchOptions search;
    search.file = kDefaultFile;
    CLI::App* searchCommand = app.add_subcommand(
        "search", "Print the rows whose search column contains QUERY (ASCII case ignored)");
    searchCommand->add_option("QUERY", search.queryUtf8, "Text to look for")->required();
    searchCommand
        ->add_option("--by", search.type, "Search column: name (default), index, class or pv-model")
        ->transform(CLI::CheckedTransformer(kSearchTypes, CLI::ignore_case));
    addFormatOption(*searchCommand, search.format);
    addFileArgument(*searchCommand, search.file);

    qm318::cli::ShowOptions show;
    show.file = kDefaultFile;
    CLI::App* showCommand =
        app.add_subcommand("show", "Print the record text of the first weapon with index INDEX");
    showCommand->add_option("INDEX", show.indexUtf8, "The weapon index")->required();
    addFileArgument(*showCommand, show.file);

    qm318::cli::ExportOptions exportOptions;
    exportOptions.file = kDefaultFile;
    std::vector<std::string> exportArguments;
    CLI::App* exportCommand = app.add_subcommand(
        "export",
        "Export a weapon's files from the REZ tree, as the window's export does: INDEX [FILE], or "
        "--all [FILE]");
    exportCommand
        ->add_option("INDEX_FILE", exportArguments,
                     "The weapon index, then the data file (with --all: the data file)")
        ->expected(0, 2);
    exportCommand->add_option("--rez", exportOptions.rezFolder, "The unpacked REZ folder")
        ->required();
    exportCommand
        ->add_option("--out", exportOptions.outFolder,
                     "The folder to export into (created when missing)")
        ->required();
    const std::vector<std::pair<const char*, qm318::ExportKind>> kindFlags = {
        {"--pv-model", qm318::ExportKind::PvModel},
        {"--single-model", qm318::ExportKind::SingleModel},
        {"--pv-rs", qm318::ExportKind::PvRenderStyle},
        {"--single-rs", qm318::ExportKind::SingleRenderStyle},
        {"--params", qm318::ExportKind::Parameters}};
    std::array<bool, 5> kindWanted{};
    for (std::size_t i = 0; i < kindFlags.size(); ++i) {
        exportCommand->add_flag(kindFlags[i].first, kindWanted[i],
                                "Export this kind (default: --pv-model and --params, as the "
                                "window ticks them)");
    }
    exportCommand->add_flag("--all", exportOptions.all,
                            "Export every weapon (or those --search finds), one folder each");
    CLI::Option* searchOption = exportCommand->add_option(
        "--search", exportOptions.searchUtf8, "With --all: only the weapons this search finds");
    exportCommand->add_option("--by", exportOptions.searchType, "Search column for --search")
        ->transform(CLI::CheckedTransformer(kSearchTypes, CLI::ignore_case));

    try {
        app.parse(argc, argv);
        if (*exportCommand) {
            for (std::size_t i = 0; i < kindFlags.size(); ++i) {
                if (kindWanted[i]) exportOptions.kinds.push_back(kindFlags[i].second);
            }
            if (exportOptions.kinds.empty()) {
                exportOptions.kinds = {qm318::ExportKind::PvModel, qm318::ExportKind::Parameters};
            }
            if (searchOption->count() > 0 && !exportOptions.all) {
                throw CLI::ValidationError("--search", "needs --all");
            }
            const std::size_t files = exportOptions.all ? 0 : 1;  // positions taken by INDEX
            if (exportArguments.size() < files || exportArguments.size() > files + 1) {
                throw CLI::ValidationError("export", exportOptions.all
                                                         ? "takes at most FILE with --all"
                                                         : "needs INDEX [FILE]");
            }
            if (!exportOptions.all) exportOptions.indexUtf8 = exportArguments[0];
            if (exportArguments.size() > files) exportOptions.file = exportArguments[files];
        }
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        std::cerr << "qm318: " << error.what() << " (see qm318 --help)\n";
        return 2;
    }

    if (*tableCommand) return qm318::cli::runTable(table, std::cout, std::cerr);
    if (*searchCommand) return qm318::cli::runSearch(search, std::cout, std::cerr);
    if (*exportCommand) return qm318::cli::runExport(exportOptions, std::cout, std::cerr);
    return qm318::cli::runShow(show, std::cout, std::cerr);
}

#pragma once
// The qm318 subcommands. Each returns the process exit status: 0 done, 1 nothing found, 2 bad
// input (a file that cannot be loaded).

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "browse/search.h"
#include "cli/table_output.h"
#include "export/export_jobs.h"

namespace qm318::cli {

struct TableOptions {
    std::string file;
    bool allRows = false;
    RowFormat format = RowFormat::JsonLines;
};
int runTable(const TableOptions& options, std::ostream& out, std::ostream& err);

struct SearchOptions {
    std::string file;
    std::string queryUtf8;
    SearchType type = SearchType::Name;
    RowFormat format = RowFormat::JsonLines;
};
int runSearch(const SearchOptions& options, std::ostream& out, std::ostream& err);

struct ShowOptions {
    std::string file;
    std::string indexUtf8;
};
int runShow(const ShowOptions& options, std::ostream& out, std::ostream& err);

struct ExportOptions {
    std::string file;
    std::string indexUtf8;  // the weapon, unless all is set
    bool all = false;
    std::optional<std::string> searchUtf8;  // with all: only the rows this search finds
    SearchType searchType = SearchType::Name;
    std::string rezFolder;          // the unpacked REZ tree
    std::string outFolder;          // created when missing
    std::vector<ExportKind> kinds;  // what to export, in any order
};
// Prints each job's message on its own line in the window's check-box order (with all: the
// failures and a summary); 0 when every job succeeded, 1 when one failed or a check stopped it.
int runExport(const ExportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace qm318::cli

#pragma once
// The qm318 subcommands. Each returns the process exit status: 0 done, 1 nothing found, 2 bad
// input (a file that cannot be loaded).

#include <ostream>
#include <string>

#include "browse/search.h"
#include "cli/table_output.h"

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

}  // namespace qm318::cli

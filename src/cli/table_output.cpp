#include "cli/table_output.h"

#include <nlohmann/json.hpp>

#include "text/encoding.h"

namespace qm318::cli {
namespace {

std::string tsvField(std::string_view cell) {
    std::string out;
    for (const char c : cell) {
        switch (c) {
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\\': out += "\\\\"; break;
            default: out += c;
        }
    }
    return out;
}

std::string csvField(std::string_view cell) {
    if (cell.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(cell);
    std::string out = "\"";
    for (const char c : cell) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

template <typename Field>
void writeDelimited(std::ostream& out, const WeaponTable& table,
                    std::span<const std::uint32_t> rows, char delimiter, Field field) {
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        if (c > 0) out << delimiter;
        out << field(kWeaponColumns[c].titleUtf8);
    }
    out << '\n';
    for (const std::uint32_t row : rows) {
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            if (c > 0) out << delimiter;
            out << field(gbkToUtf8(table.cell(row, c)));
        }
        out << '\n';
    }
}

}  // namespace

void writeRows(std::ostream& out, const WeaponTable& table, std::span<const std::uint32_t> rows,
               RowFormat format) {
    switch (format) {
        case RowFormat::JsonLines:
            for (const std::uint32_t row : rows) {
                nlohmann::json cells = nlohmann::json::array();
                for (std::size_t c = 0; c < kColumnCount; ++c) {
                    cells.push_back(gbkToUtf8(table.cell(row, c)));
                }
                out << cells.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
            }
            break;
        case RowFormat::Tsv: writeDelimited(out, table, rows, '\t', tsvField); break;
        case RowFormat::Csv: writeDelimited(out, table, rows, ',', csvField); break;
    }
}

}  // namespace qm318::cli

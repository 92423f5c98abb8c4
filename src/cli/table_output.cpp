#include "cli/table_output.h"

#include <algorithm>
#include <array>
#include <string>
#include <thread>

#include "text/encoding.h"

namespace qm318::cli {
namespace {

// ASCII cells are their own UTF-8; the others go through ICU.
template <typename Write>
void writeUtf8(std::string_view gbk, Write write) {
    const bool ascii = std::none_of(gbk.begin(), gbk.end(),
                                    [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (ascii) {
        write(gbk);
    } else {
        write(std::string_view(gbkToUtf8(gbk)));
    }
}

// The bytes a JSON string may hold as they are: everything but quote, backslash and control
// characters.
constexpr std::array<bool, 256> kPlainJsonBytes = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 256; ++c)
        plain[std::size_t(c)] = c != '"' && c != '\\';
    return plain;
}();

bool isPlainJsonByte(char c) {
    return kPlainJsonBytes[static_cast<unsigned char>(c)];
}

// A JSON string as a JSON serialiser writes one that may hold any character: quote, backslash
// and control characters escaped, everything else as it is.
void appendJsonString(std::string& out, std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t at = 0;;) {
        std::size_t plainEnd = at;
        while (plainEnd < utf8.size() && isPlainJsonByte(utf8[plainEnd]))
            ++plainEnd;
        out.append(utf8.data() + at, plainEnd - at);
        if (plainEnd == utf8.size()) break;
        at = plainEnd + 1;
        switch (const char c = utf8[plainEnd]) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                out += "\\u00";
                out += kHex[(c >> 4) & 0xF];
                out += kHex[c & 0xF];
        }
    }
    out += '"';
}

void appendTsvField(std::string& out, std::string_view cell) {
    for (const char c : cell) {
        switch (c) {
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\\': out += "\\\\"; break;
            default: out += c;
        }
    }
}

void appendCsvField(std::string& out, std::string_view cell) {
    if (cell.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += cell;
        return;
    }
    out += '"';
    for (const char c : cell) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void appendJsonLines(std::string& out, const WeaponTable& table,
                     std::span<const std::uint32_t> rows) {
    for (const std::uint32_t row : rows) {
        out += '[';
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            if (c > 0) out += ',';
            writeUtf8(table.cell(row, c),
                      [&out](std::string_view utf8) { appendJsonString(out, utf8); });
        }
        out += "]\n";
    }
}

template <typename AppendField>
void appendTitles(std::string& out, char delimiter, AppendField appendField) {
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        if (c > 0) out += delimiter;
        appendField(out, kWeaponColumns[c].titleUtf8);
    }
    out += '\n';
}

template <typename AppendField>
void appendDelimited(std::string& out, const WeaponTable& table,
                     std::span<const std::uint32_t> rows, char delimiter, AppendField appendField) {
    for (const std::uint32_t row : rows) {
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            if (c > 0) out += delimiter;
            writeUtf8(table.cell(row, c), [&](std::string_view utf8) { appendField(out, utf8); });
        }
        out += '\n';
    }
}

// Rows are formatted in pieces of this many, two pieces at a time on two threads, and the pieces
// are written in order as each pair is done. Small pieces keep reusing the same memory, which
// stays in the cache.
constexpr std::size_t kRowsPerPiece = 512;
constexpr std::size_t kPieceBytes = 512 * 1024;

template <typename AppendRows>
void writeInPieces(std::ostream& out, std::span<const std::uint32_t> rows, AppendRows appendRows) {
    const auto pieceAt = [&](std::size_t start) {
        start = std::min(start, rows.size());
        return rows.subspan(start, std::min(kRowsPerPiece, rows.size() - start));
    };
    std::string pieces[2];
    for (std::string& piece : pieces)
        piece.reserve(kPieceBytes);
    for (std::size_t first = 0; first < rows.size(); first += 2 * kRowsPerPiece) {
        std::thread second([&] { appendRows(pieces[1], pieceAt(first + kRowsPerPiece)); });
        appendRows(pieces[0], pieceAt(first));
        second.join();
        for (std::string& piece : pieces) {
            out.write(piece.data(), std::streamsize(piece.size()));
            piece.clear();
        }
    }
}

}  // namespace

void writeRows(std::ostream& out, const WeaponTable& table, std::span<const std::uint32_t> rows,
               RowFormat format) {
    std::string titles;
    switch (format) {
        case RowFormat::JsonLines:
            writeInPieces(out, rows, [&](std::string& text, std::span<const std::uint32_t> piece) {
                appendJsonLines(text, table, piece);
            });
            return;
        case RowFormat::Tsv:
            appendTitles(titles, '\t', appendTsvField);
            out << titles;
            writeInPieces(out, rows, [&](std::string& text, std::span<const std::uint32_t> piece) {
                appendDelimited(text, table, piece, '\t', appendTsvField);
            });
            return;
        case RowFormat::Csv:
            appendTitles(titles, ',', appendCsvField);
            out << titles;
            writeInPieces(out, rows, [&](std::string& text, std::span<const std::uint32_t> piece) {
                appendDelimited(text, table, piece, ',', appendCsvField);
            });
            return;
    }
}

}  // namespace qm318::cli

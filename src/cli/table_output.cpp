#include "cli/table_output.h"

#include <algorithm>
#include <string>

#include "text/encoding.h"

namespace qm318::cli {
namespace {

// The output is gathered here and written in large pieces; a row never needs more than a few
// kilobytes, so each row goes through this buffer once.
class OutputBuffer {
public:
    explicit OutputBuffer(std::ostream& out) : out_(out) { text_.reserve(kFlushAt + 64 * 1024); }
    ~OutputBuffer() { flush(); }

    std::string& text() { return text_; }
    void endRow() {
        text_ += '\n';
        if (text_.size() >= kFlushAt) flush();
    }

private:
    static constexpr std::size_t kFlushAt = 1 << 20;
    void flush() {
        out_.write(text_.data(), std::streamsize(text_.size()));
        text_.clear();
    }
    std::ostream& out_;
    std::string text_;
};

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// ASCII cells are their own UTF-8; the others go through ICU.
template <typename Write>
void writeUtf8(std::string_view gbk, Write write) {
    if (isAscii(gbk)) {
        write(gbk);
    } else {
        write(std::string_view(gbkToUtf8(gbk)));
    }
}

// The bytes a JSON string may hold as they are: everything but quote, backslash and control
// characters.
bool isPlainJsonByte(char c) {
    return c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20;
}

// A JSON string as a JSON serialiser writes one that may hold any character: quote, backslash
// and control characters escaped, everything else as it is.
void appendJsonString(std::string& out, std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    auto plainEnd = utf8.begin();
    for (auto at = utf8.begin(); at != utf8.end(); at = plainEnd) {
        plainEnd = std::find_if_not(at, utf8.end(), isPlainJsonByte);
        out.append(at, plainEnd);
        if (plainEnd == utf8.end()) break;
        switch (const char c = *plainEnd++) {
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

void writeJsonLines(OutputBuffer& buffer, const WeaponTable& table,
                    std::span<const std::uint32_t> rows) {
    std::string& out = buffer.text();
    for (const std::uint32_t row : rows) {
        out += '[';
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            if (c > 0) out += ',';
            writeUtf8(table.cell(row, c),
                      [&out](std::string_view utf8) { appendJsonString(out, utf8); });
        }
        out += ']';
        buffer.endRow();
    }
}

template <typename AppendField>
void writeDelimited(OutputBuffer& buffer, const WeaponTable& table,
                    std::span<const std::uint32_t> rows, char delimiter, AppendField appendField) {
    std::string& out = buffer.text();
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        if (c > 0) out += delimiter;
        appendField(out, kWeaponColumns[c].titleUtf8);
    }
    buffer.endRow();
    for (const std::uint32_t row : rows) {
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            if (c > 0) out += delimiter;
            writeUtf8(table.cell(row, c), [&](std::string_view utf8) { appendField(out, utf8); });
        }
        buffer.endRow();
    }
}

}  // namespace

void writeRows(std::ostream& out, const WeaponTable& table, std::span<const std::uint32_t> rows,
               RowFormat format) {
    OutputBuffer buffer(out);
    switch (format) {
        case RowFormat::JsonLines: writeJsonLines(buffer, table, rows); break;
        case RowFormat::Tsv: writeDelimited(buffer, table, rows, '\t', appendTsvField); break;
        case RowFormat::Csv: writeDelimited(buffer, table, rows, ',', appendCsvField); break;
    }
}

}  // namespace qm318::cli

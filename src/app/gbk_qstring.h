#pragma once
// GBK texts of the core to and from Qt strings, through the core's ICU conversions.

#include <QString>

#include <string>
#include <string_view>

namespace qm318 {

QString fromGbk(std::string_view gbk);
std::string toGbk(const QString& text);

// The window's own texts, written in the sources as UTF-16 or UTF-8 literals.
inline QString text(const char16_t* utf16) {
    return QString::fromUtf16(utf16);
}
inline QString fromUtf8(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

}  // namespace qm318

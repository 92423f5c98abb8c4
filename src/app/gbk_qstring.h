#pragma once
// GBK texts of the core to and from Qt strings, through the core's ICU conversions.

#include <QString>

#include <string>
#include <string_view>

namespace qm318 {

QString fromGbk(std::string_view gbk);
std::string toGbk(const QString& text);

}  // namespace qm318

#include "app/gbk_qstring.h"

#include "text/encoding.h"

namespace qm318 {

QString fromGbk(std::string_view gbk) {
    return QString::fromStdU16String(toUtf16(gbk));
}

std::string toGbk(const QString& text) {
    return utf16ToMultiByte(text.toStdU16String(), kCodePageGbk, true);
}

}  // namespace qm318

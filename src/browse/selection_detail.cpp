#include "browse/selection_detail.h"

namespace qm318 {

std::string nameBoxText(std::string_view index, std::string_view name) {
    constexpr std::string_view kOpen = "\xa1\xbe";    // 【
    constexpr std::string_view kClose = "\xa1\xbf ";  // 】 and a blank
    std::string text;
    text.reserve(kOpen.size() + index.size() + kClose.size() + name.size());
    text.append(kOpen).append(index).append(kClose).append(name);
    return text;
}

}  // namespace qm318

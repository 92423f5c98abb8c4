#pragma once
// What the window shows of the focused weapon.

#include <string>
#include <string_view>

namespace qm318 {

// "【" + index + "】 " + name, in GBK.
std::string nameBoxText(std::string_view index, std::string_view name);

}  // namespace qm318

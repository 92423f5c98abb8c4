#include "model/weapon_columns.h"

namespace qm318 {

namespace {
constexpr WeaponColumn quoted(std::string_view title, int width, std::string_view key) {
    return {title, width, Alignment::Left, key, CellRule::Quoted, 0, false};
}
constexpr WeaponColumn centred(std::string_view title, int width, std::string_view key,
                               CellRule rule) {
    // The blank that ends the key: the search starts at the key's last character.
    return {title, width, Alignment::Centre, key, rule, int(key.size()) + 2, false};
}
}  // namespace

const std::array<WeaponColumn, kColumnCount> kWeaponColumns = {{
    quoted("武器名称", 150, "WeaponName"),
    centred("索引", 36, "WeaponIndex", CellRule::FirstDigits),
    centred("类型", 36, "WeaponClass", CellRule::BlankField),
    centred("特殊类型", 60, "SpecialWeaponType", CellRule::BlankField),
    centred("配对武器", 60, "PairWeapon", CellRule::BlankField),
    centred("配对类型", 60, "PairType", CellRule::BlankField),
    centred("模式限定", 60, "ModeLimitedWeapon", CellRule::BlankField),
    centred("链接武器索引", 84, "LinkWeaponIndex", CellRule::UpToParen),
    centred("主武器索引", 72, "MainWeaponIndex", CellRule::UpToParen),
    centred("链接武器模式检查1", 114, "LinkWeaponModeCheck1", CellRule::UpToParen),
    centred("链接武器模式检查2", 114, "LinkWeaponModeCheck2", CellRule::UpToParen),
    quoted("武器标准名称", 84, "StandardName"),
    quoted("PV-模型路径", 78, "PViewModelFileName"),
    quoted("PV-模型贴图1", 84, "PViewSkinFileName"),
    quoted("PV-模型贴图2", 84, "PViewSkinFileName2"),
    quoted("PV-模型贴图3", 84, "PViewSkinFileName3"),
    quoted("PV-RS", 42, "PViewRenderStyleFileName"),
    quoted("单-模型路径", 80, "ModelFileName"),
    quoted("W单-模型路径", 84, "WModelFileName"),
    quoted("左手-模型路径", 90, "LeftHandModelFileName"),
    quoted("W左手-模型路径", 96, "WLeftHandModelFileName"),
    quoted("更改模型路径1", 90, "ChangeModelFileName"),
    quoted("更改模型路径2", 90, "ChangeModelFileName2"),
    quoted("更改模型路径3", 90, "ChangeModelFileName3"),
    quoted("W更改模型路径", 90, "WChangeModelFileName"),
    quoted("左手更改模型路径", 108, "LeftHandChangeModelFileName"),
    {"W左手更改模型路径", 114, Alignment::Left, "WLeftHandChangeModelFileName", CellRule::Quoted, 0,
     true},
    quoted("单-贴图路径1", 84, "SkinFileName"),
    quoted("单-贴图路径2", 84, "SkinFileName2"),
    quoted("单-贴图路径3", 84, "SkinFileName3"),
    quoted("单-贴图路径4", 84, "SkinFileName4"),
    quoted("单-RS", 42, "RenderStyleFileName"),
}};

std::string linePatternOf(const WeaponColumn& column) {
    const std::string afterKey = column.keyPrefixMatch ? ".+ \\)$" : " .+ \\)$";
    return "^ \\(" + std::string(column.key) + afterKey;
}

}  // namespace qm318

#include "sample_data.h"

#include <algorithm>
#include <charconv>
#include <random>
#include <string_view>
#include <vector>

#include "text/encoding.h"

namespace qm318 {
namespace {

constexpr std::size_t kMinKeyLines = 120;
constexpr std::size_t kMaxKeyLines = 180;

// Uniform draws by plain modulo over mt19937's output: the standard distributions differ between
// standard libraries, and a seed must give the same bytes with every one of them.
class Draw {
public:
    explicit Draw(std::uint32_t seed) : engine_(seed) {}

    std::int64_t between(std::int64_t low, std::int64_t high) {
        return low + std::int64_t(engine_() % std::uint32_t(high - low + 1));
    }
    std::size_t below(std::size_t count) { return engine_() % count; }
    bool percent(std::uint32_t chance) { return engine_() % 100 < chance; }

private:
    std::mt19937 engine_;
};

struct Model {
    std::string_view file;         // ASCII, as the model and skin paths spell it
    std::string_view displayUtf8;  // how weapon names begin
    int weaponClass;
};

constexpr Model kModels[] = {
    {"M4A1", "M4A1", 2},        {"AK47", "AK47", 2},
    {"M16A4", "M16A4", 2},      {"FAMAS", "FAMAS", 2},
    {"QBZ95", "QBZ95", 2},      {"AN94", "AN94", 2},
    {"SCAR-L", "SCAR-L", 2},    {"AWM", "AWM", 3},
    {"M82A1", "巴雷特", 3},     {"M700", "M700", 3},
    {"SVD", "SVD", 3},          {"MP5", "MP5", 4},
    {"P90", "P90", 4},          {"UZI", "UZI", 4},
    {"Thompson", "汤姆逊", 4},  {"M249", "M249", 5},
    {"MG3", "MG3", 5},          {"SPAS12", "SPAS-12", 6},
    {"XM1014", "XM1014", 6},    {"M1887", "M1887", 6},
    {"USP", "USP", 1},          {"DesertEagle", "沙漠之鹰", 1},
    {"Glock18", "格洛克", 1},   {"Knife", "军刀", 0},
    {"Kukri", "廓尔喀军刀", 0}, {"Axe", "斧头", 0},
    {"HE", "手雷", 7},          {"Flash", "闪光弹", 7},
    {"Smoke", "烟雾弹", 7},
};

struct Variant {
    std::string_view utf8;
    std::string_view code;  // ASCII, as the skin paths spell it
};

constexpr Variant kVariants[] = {
    {"黑龙", "BLACKDRAGON"}, {"火麒麟", "BEAST"},    {"黄金", "GOLD"},       {"雷神", "THOR"},
    {"青龙", "AZUREDRAGON"}, {"白虎", "WHITETIGER"}, {"朱雀", "PHOENIX"},    {"玄武", "TORTOISE"},
    {"死神", "REAPER"},      {"暗夜", "NIGHT"},      {"烈焰", "FLAME"},      {"冰蓝", "ICE"},
    {"迷彩", "CAMO"},        {"樱花", "SAKURA"},     {"幻影", "PHANTOM"},    {"赤龙", "REDDRAGON"},
    {"星耀", "STAR"},        {"极光", "AURORA"},     {"审判者", "JUDGE"},    {"战龙", "WARDRAGON"},
    {"银狐", "SILVERFOX"},   {"翡翠", "JADE"},       {"金龙", "GOLDDRAGON"}, {"贵族", "NOBLE"},
};

constexpr std::string_view kTailsUtf8[] = {" 改", " 战神", " 觉醒", " 传说", "-S", " 2代", " 终极"};

constexpr std::string_view kDescriptionsUtf8[] = {
    "经典突击步枪，火力稳定",     "高精度狙击步枪，一击致命", "英雄级武器，附带专属特效",
    "限时活动奖励武器",           "近战武器，攻击速度快",     "轻量冲锋枪，移动灵活",
    "重机枪，弹容量大，换弹较慢", "霰弹枪，近距离威力巨大",   "投掷武器，范围伤害",
    "赛季通行证奖励，永久使用",
};

// The texts above in the forms a record uses; names are GBK, converted once.
struct Texts {
    struct ModelText {
        std::string file;
        std::string lower;  // render style paths spell the model in lower case
        std::string displayGbk;
        int weaponClass;
    };
    struct VariantText {
        std::string nameGbk;  // "-" and the variant, appended to the weapon name
        std::string look;     // "-" and the code, appended to skin file names
    };
    std::vector<ModelText> models;
    std::vector<VariantText> variants;
    std::vector<std::string> tailsGbk;
    std::vector<std::string> descriptionsGbk;
};

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
    return lower;
}

std::string dashed(std::string_view text) {
    std::string result = "-";
    result += text;
    return result;
}

const Texts& texts() {
    static const Texts built = [] {
        Texts t;
        for (const Model& m : kModels) {
            t.models.push_back(
                {std::string(m.file), lowerAscii(m.file), utf8ToGbk(m.displayUtf8), m.weaponClass});
        }
        for (const Variant& v : kVariants) {
            t.variants.push_back({utf8ToGbk(dashed(v.utf8)), dashed(v.code)});
        }
        for (std::string_view tail : kTailsUtf8)
            t.tailsGbk.push_back(utf8ToGbk(tail));
        for (std::string_view d : kDescriptionsUtf8)
            t.descriptionsGbk.push_back(utf8ToGbk(d));
        return t;
    }();
    return built;
}

// One record's weapon: what all its lines agree on.
struct Weapon {
    std::int64_t index = 0;
    int weaponClass = 0;
    const Texts::ModelText* model = nullptr;
    std::string nameGbk;
    std::string_view look;  // empty for the model's own look
};

Weapon drawWeapon(Draw& draw, std::int64_t index) {
    const Texts& t = texts();
    Weapon weapon;
    weapon.index = index;
    weapon.model = &t.models[draw.below(t.models.size())];
    weapon.nameGbk = weapon.model->displayGbk;
    if (draw.percent(80)) {
        const Texts::VariantText& variant = t.variants[draw.below(t.variants.size())];
        weapon.nameGbk += variant.nameGbk;
        weapon.look = variant.look;
    }
    if (draw.percent(35)) weapon.nameGbk += t.tailsGbk[draw.below(t.tailsGbk.size())];
    // Mode weapons carry classes of their own beyond the ordinary ones.
    weapon.weaponClass = draw.percent(10) ? int(draw.between(8, 20)) : weapon.model->weaponClass;
    return weapon;
}

enum class ValueKind {
    Name,         // the weapon's name, quoted
    Index,        // the weapon's index
    Class,        // the weapon's class
    Integer,      // a number from low to high
    OtherIndex,   // -1 or an index a little below the weapon's own
    ModeCheck,    // two flags, "1 0"
    Decimal,      // a number from low to high thousandths, with six decimals
    Vector,       // three such numbers
    Path,         // the pattern, quoted, with {M} the model, {m} in lower case, {V} the look
    Description,  // a Chinese sentence, quoted
};

struct LayoutKey {
    std::string key;
    ValueKind kind;
    std::int64_t low = 0;
    std::int64_t high = 0;
    std::string pattern;
    bool column = false;    // one of the table's 32 columns
    bool required = false;  // never left out of a record
};

class LayoutBuilder {
public:
    void column(std::string_view key, ValueKind kind, std::string_view pattern = {}) {
        add(key, kind, 0, 0, pattern, true, kind == ValueKind::Name || kind == ValueKind::Index);
    }
    void columnNumber(std::string_view key, std::int64_t low, std::int64_t high) {
        add(key, ValueKind::Integer, low, high, {}, true, false);
    }
    void integer(std::string_view key, std::int64_t low, std::int64_t high) {
        add(key, ValueKind::Integer, low, high, {}, false, false);
    }
    void decimal(std::string_view key, std::int64_t low, std::int64_t high) {
        add(key, ValueKind::Decimal, low, high, {}, false, false);
    }
    void vector(std::string_view key, std::int64_t low, std::int64_t high) {
        add(key, ValueKind::Vector, low, high, {}, false, false);
    }
    void path(std::string_view key, std::string_view pattern) {
        add(key, ValueKind::Path, 0, 0, pattern, false, false);
    }
    void other(std::string_view key, ValueKind kind) { add(key, kind, 0, 0, {}, false, false); }

    std::vector<LayoutKey> take() { return std::move(keys_); }

private:
    void add(std::string_view key, ValueKind kind, std::int64_t low, std::int64_t high,
             std::string_view pattern, bool column, bool required) {
        keys_.push_back(
            {std::string(key), kind, low, high, std::string(pattern), column, required});
    }

    std::vector<LayoutKey> keys_;
};

void addIdentityKeys(LayoutBuilder& b) {
    b.column("WeaponName", ValueKind::Name);
    b.column("WeaponIndex", ValueKind::Index);
    b.column("StandardName", ValueKind::Path, "{M}{V}");
    b.other("WeaponDescription", ValueKind::Description);
    b.column("WeaponClass", ValueKind::Class);
    b.columnNumber("SpecialWeaponType", 0, 6);
    b.column("PairWeapon", ValueKind::OtherIndex);
    b.columnNumber("PairType", 0, 3);
    b.columnNumber("ModeLimitedWeapon", 0, 1);
    b.column("LinkWeaponIndex", ValueKind::OtherIndex);
    b.column("MainWeaponIndex", ValueKind::OtherIndex);
    b.column("LinkWeaponModeCheck1", ValueKind::ModeCheck);
    b.column("LinkWeaponModeCheck2", ValueKind::ModeCheck);
    b.integer("ShopItemType", 0, 9);
    b.integer("NeedRankLevel", 0, 99);
    b.integer("TeamRestrict", 0, 2);
    b.integer("SlotNumber", 0, 5);
    b.integer("IsNotForSale", 0, 1);
    b.path("InventoryIconFileName", "Interface\\Icons\\{M}{V}.dtx");
    b.path("HudIconFileName", "Interface\\HUD\\{m}{V}.dtx");
}

void addModelKeys(LayoutBuilder& b) {
    // A stem: the exports add a variant suffix and ".LTB".
    b.column("PViewModelFileName", ValueKind::Path, "Models\\PLAYERVIEW\\PV-{M}");
    b.column("PViewSkinFileName", ValueKind::Path, "SkinsSA\\PLAYERVIEW\\PV-{M}{V}.dtx");
    b.column("PViewSkinFileName2", ValueKind::Path, "SkinsSA\\PLAYERVIEW\\PV-Hand{V}.dtx");
    b.column("PViewSkinFileName3", ValueKind::Path, "SkinsSA\\PLAYERVIEW\\PV-{M}{V}_S.dtx");
    b.column("PViewRenderStyleFileName", ValueKind::Path, "RS\\PV\\{m}.ltc");
    b.decimal("PViewScale", 800, 1200);
    b.vector("PViewPos", -20000, 20000);
    b.vector("PViewRot", -90000, 90000);
    b.integer("PViewFOV", 50, 75);
    b.column("ModelFileName", ValueKind::Path, "Models\\Weapons\\{M}\\{M}.ltb");
    b.column("WModelFileName", ValueKind::Path, "Models\\Weapons\\{M}\\W-{M}.ltb");
    b.column("LeftHandModelFileName", ValueKind::Path, "Models\\Weapons\\{M}\\{M}_L.ltb");
    b.column("WLeftHandModelFileName", ValueKind::Path, "Models\\Weapons\\{M}\\W-{M}_L.ltb");
    b.column("ChangeModelFileName", ValueKind::Path, "Models\\Weapons\\{M}\\{M}_C1.ltb");
    b.column("ChangeModelFileName2", ValueKind::Path, "Models\\Weapons\\{M}\\{M}_C2.ltb");
    b.column("ChangeModelFileName3", ValueKind::Path, "Models\\Weapons\\{M}\\{M}_C3.ltb");
    b.column("WChangeModelFileName", ValueKind::Path, "Models\\Weapons\\{M}\\W-{M}_C.ltb");
    b.column("LeftHandChangeModelFileName", ValueKind::Path, "Models\\Weapons\\{M}\\{M}_LC.ltb");
    b.column("WLeftHandChangeModelFileName", ValueKind::Path, "Models\\Weapons\\{M}\\W-{M}_LC.ltb");
    b.column("SkinFileName", ValueKind::Path, "SkinsSA\\Weapons\\{M}\\{M}{V}.dtx");
    b.column("SkinFileName2", ValueKind::Path, "SkinsSA\\Weapons\\{M}\\{M}{V}_2.dtx");
    b.column("SkinFileName3", ValueKind::Path, "SkinsSA\\Weapons\\{M}\\{M}{V}_3.dtx");
    b.column("SkinFileName4", ValueKind::Path, "SkinsSA\\Weapons\\{M}\\{M}{V}_4.dtx");
    b.column("RenderStyleFileName", ValueKind::Path, "RS\\Weapons\\{m}.ltc");
    b.decimal("ModelScale", 800, 1200);
    b.vector("HandModelOffset", -5000, 5000);
    b.path("DropModelFileName", "Models\\Weapons\\{M}\\D-{M}.ltb");
    b.path("DropSkinFileName", "SkinsSA\\Weapons\\{M}\\D-{M}{V}.dtx");
    b.path("ScopeSkinFileName", "SkinsSA\\Weapons\\{M}\\{M}_Scope.dtx");
}

void addCombatKeys(LayoutBuilder& b) {
    b.integer("Damage", 10, 120);
    for (std::string_view part : {"Head", "Chest", "Stomach", "Arm", "Leg"}) {
        b.decimal("DamageRatio" + std::string(part), 500, 4000);
        b.decimal("ArmorRatio" + std::string(part), 100, 1000);
    }
    b.integer("Range", 500, 20000);
    b.decimal("RangeModifier", 500, 1000);
    b.decimal("FireDelay", 50, 1500);
    b.decimal("FireDelaySecondary", 50, 1500);
    b.integer("AmmoCount", 1, 200);
    b.integer("MaxAmmoCount", 0, 400);
    b.integer("AmmoPerShot", 1, 1);
    b.integer("ShotsPerFire", 1, 12);
    b.decimal("ReloadTime", 1000, 4500);
    b.decimal("MoveSpeed", 700, 1100);
    b.decimal("ZoomMoveSpeed", 300, 900);
    b.decimal("FireMoveSpeed", 500, 1000);
    b.integer("Penetration", 0, 3);
    b.decimal("ArmorPenetration", 0, 1000);
    b.decimal("Knockback", 0, 3000);
    b.integer("ZoomFOV", 10, 60);
    b.integer("ZoomLevels", 0, 3);
    b.integer("CrosshairType", 0, 5);
    b.integer("CrosshairSize", 8, 40);
    b.integer("AutoFire", 0, 1);
    b.integer("BurstCount", 0, 3);
    b.decimal("HeadshotBonus", 1000, 4000);
    b.decimal("WeightRatio", 500, 1500);
    // Aim disturbance: one bound pair per stance.
    for (std::string_view stem : {"Perturb", "Recoil", "Spread", "Sway"}) {
        for (std::string_view stance : {"Stand", "Crouch", "Walk", "Run", "Jump", "Zoom"}) {
            b.decimal(std::string(stem) + std::string(stance) + "Min", 0, 5000);
            b.decimal(std::string(stem) + std::string(stance) + "Max", 0, 15000);
        }
    }
    for (std::string_view stance : {"Stand", "Crouch", "Walk", "Run", "Jump", "Zoom"}) {
        b.decimal("RecoilRecovery" + std::string(stance), 100, 3000);
    }
}

void addAnimationKeys(LayoutBuilder& b) {
    for (std::string_view anim : {"Idle", "Fire", "FireLast", "Reload", "ReloadEmpty", "Select",
                                  "Deselect", "ZoomIn", "ZoomOut", "Melee", "Inspect"}) {
        const std::string name(anim);
        b.path(name + "AnimName", "PV_{M}_" + name);
        b.decimal(name + "AnimRatio", 500, 2000);
        b.path(name + "SoundFileName", "Snd\\Weapon\\{m}_" + lowerAscii(name) + ".wav");
    }
}

void addEffectKeys(LayoutBuilder& b) {
    b.path("MuzzleFlashFX", "FX\\Muzzle\\{m}_muzzle.fx");
    b.path("ShellEjectFX", "FX\\Shell\\{m}_shell.fx");
    b.path("ImpactFX", "FX\\Impact\\bullet_impact.fx");
    b.path("TracerFX", "FX\\Tracer\\{m}{V}_tracer.fx");
    b.vector("ShellEjectPos", -3000, 3000);
    b.vector("ShellEjectDir", -1000, 1000);
    b.vector("MuzzlePos", -3000, 3000);
    b.path("ShellModelFileName", "Models\\Shells\\{m}_shell.ltb");
    b.decimal("MuzzleFlashScale", 500, 2000);
    b.integer("TracerFrequency", 0, 5);
}

// Every key a record can hold, in the order records write them.
const std::vector<LayoutKey>& recordLayout() {
    static const std::vector<LayoutKey> layout = [] {
        LayoutBuilder b;
        addIdentityKeys(b);
        addModelKeys(b);
        addCombatKeys(b);
        addAnimationKeys(b);
        addEffectKeys(b);
        return b.take();
    }();
    return layout;
}

void appendInteger(std::string& out, std::int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

// Thousandths written with six decimals, as the game's own files write their numbers.
void appendDecimal(std::string& out, std::int64_t thousandths) {
    if (thousandths < 0) out += '-';
    const std::int64_t magnitude = thousandths < 0 ? -thousandths : thousandths;
    appendInteger(out, magnitude / 1000);
    const std::int64_t fraction = magnitude % 1000;
    out += '.';
    out += char('0' + fraction / 100);
    out += char('0' + fraction / 10 % 10);
    out += char('0' + fraction % 10);
    out += "000";
}

void appendPath(std::string& out, std::string_view pattern, const Weapon& weapon) {
    out += '"';
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '{' && i + 2 < pattern.size() && pattern[i + 2] == '}') {
            const char field = pattern[i + 1];
            out += field == 'M'   ? std::string_view(weapon.model->file)
                   : field == 'm' ? std::string_view(weapon.model->lower)
                                  : weapon.look;
            i += 2;
        } else {
            out += pattern[i];
        }
    }
    out += '"';
}

void appendValue(std::string& out, const LayoutKey& entry, const Weapon& weapon, Draw& draw) {
    switch (entry.kind) {
        case ValueKind::Name:
            out += '"';
            out += weapon.nameGbk;
            out += '"';
            return;
        case ValueKind::Index: return appendInteger(out, weapon.index);
        case ValueKind::Class: return appendInteger(out, weapon.weaponClass);
        case ValueKind::Integer: return appendInteger(out, draw.between(entry.low, entry.high));
        case ValueKind::OtherIndex: {
            const bool linked = weapon.index > 1 && draw.percent(35);
            const std::int64_t first = std::max<std::int64_t>(1, weapon.index - 200);
            return appendInteger(out, linked ? draw.between(first, weapon.index - 1) : -1);
        }
        case ValueKind::ModeCheck:
            appendInteger(out, draw.between(0, 1));
            out += ' ';
            return appendInteger(out, draw.between(0, 1));
        case ValueKind::Decimal: return appendDecimal(out, draw.between(entry.low, entry.high));
        case ValueKind::Vector:
            for (int axis = 0; axis < 3; ++axis) {
                if (axis > 0) out += ' ';
                appendDecimal(out, draw.between(entry.low, entry.high));
            }
            return;
        case ValueKind::Path: return appendPath(out, entry.pattern, weapon);
        case ValueKind::Description: {
            const std::vector<std::string>& pool = texts().descriptionsGbk;
            out += '"';
            out += pool[draw.below(pool.size())];
            out += '"';
            return;
        }
    }
}

class RecordWriter {
public:
    RecordWriter(std::string& out, std::string_view eol) : out_(out), eol_(eol) {
        const std::vector<LayoutKey>& layout = recordLayout();
        for (std::size_t k = 0; k < layout.size(); ++k) {
            if (!layout[k].column) continue;
            ++columnCount_;
            if (!layout[k].required) optionalColumns_.push_back(k);
        }
        otherCount_ = layout.size() - columnCount_;
    }

    void write(Draw& draw, const Weapon& weapon) {
        const std::vector<LayoutKey>& layout = recordLayout();
        const std::size_t columns = chooseLeftOutColumns(draw);
        const std::size_t keyLines = std::size_t(draw.between(kMinKeyLines, kMaxKeyLines));
        // Other keys fill the record up to its length, picked in layout order so that every
        // record lists its keys in the same order.
        std::size_t wanted = std::min(otherCount_, keyLines - columns);
        std::size_t remaining = otherCount_;
        line("(Weapon");
        for (std::size_t k = 0; k < layout.size(); ++k) {
            const LayoutKey& entry = layout[k];
            bool take = false;
            if (entry.column) {
                take = !leftOut_[k];
            } else {
                take = draw.below(remaining) < wanted;
                wanted -= take ? 1 : 0;
                --remaining;
            }
            if (take) keyLine(entry, weapon, draw);
        }
        if (draw.percent(90)) line(")");
    }

private:
    // Most records hold every column; some lack a few. Gives the number of columns kept.
    std::size_t chooseLeftOutColumns(Draw& draw) {
        leftOut_.assign(recordLayout().size(), false);
        std::size_t kept = columnCount_;
        if (!draw.percent(30)) return kept;
        for (auto count = draw.between(1, 4); count > 0; --count) {
            const std::size_t k = optionalColumns_[draw.below(optionalColumns_.size())];
            if (leftOut_[k]) continue;
            leftOut_[k] = true;
            --kept;
        }
        return kept;
    }

    void keyLine(const LayoutKey& entry, const Weapon& weapon, Draw& draw) {
        out_ += " (";
        out_ += entry.key;
        out_ += ' ';
        appendValue(out_, entry, weapon, draw);
        out_ += " )";
        out_ += eol_;
    }

    void line(std::string_view text) {
        out_ += text;
        out_ += eol_;
    }

    std::string& out_;
    std::string_view eol_;
    std::size_t columnCount_ = 0;
    std::size_t otherCount_ = 0;
    std::vector<std::size_t> optionalColumns_;  // layout positions of the columns a record may lack
    std::vector<bool> leftOut_;
};

void writePreamble(std::string& out, std::string_view eol, const SampleOptions& options) {
    const auto line = [&](std::string_view text) {
        out += text;
        out += eol;
    };
    line("; QM318 weapon definitions");
    line(utf8ToGbk("; 穿越火线 武器数据（样本）"));
    std::string counts = "; records: ";
    appendInteger(counts, std::int64_t(options.records));
    counts += ", seed: ";
    appendInteger(counts, options.seed);
    line(counts);
    line("(WeaponList");
    line(" (ListVersion 318 )");
}

}  // namespace

std::string generateSampleLta(const SampleOptions& options) {
    const std::string_view eol = options.crlf ? "\r\n" : "\n";
    std::string out;
    out.reserve(options.records * 5300 + 1024);
    writePreamble(out, eol, options);

    Draw draw(options.seed);
    RecordWriter writer(out, eol);
    std::int64_t index = 0;
    for (std::size_t r = 0; r < options.records; ++r) {
        index += draw.between(1, 3);
        writer.write(draw, drawWeapon(draw, index));
    }
    out += ")";
    out += eol;
    return out;
}

}  // namespace qm318

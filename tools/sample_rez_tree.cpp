// The REZ tree that goes with a made-up QM318.LTA file: see writeSampleRezTree.

#include <array>
#include <cerrno>
#include <fstream>
#include <optional>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "model/weapon_columns.h"
#include "platform/file_system.h"
#include "sample_data.h"
#include "text/encoding.h"

namespace qm318 {
namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 5> kPvModelEndings = {".LTB", "_BL.LTB", "_GR.LTB",
                                                             "_WOMAN_BL.LTB", "_WOMAN_GR.LTB"};
// The columns that name one file each: the PV skins and render style, the single models and
// skins the single-model export copies, and the single render style.
constexpr std::array<std::size_t, 18> kFileColumns = {13, 14, 15, 16, 17, 18, 19, 20, 21,
                                                      22, 23, 24, 25, 26, 27, 28, 29, 31};

// The files a REZ path is checked by, always written and spelled as here.
constexpr std::array<std::string_view, 2> kMarkerFiles = {"DUST2.DAT",
                                                          "Models\\CHARACTER\\M-MOTION.LTB"};

// The names of a GBK path in UTF-8, as the tool's file layer reads them; nothing when a name
// cannot be one name of a real path or there is no name at all.
std::optional<std::vector<std::string>> utf8Names(std::string_view gbkPath) {
    std::optional<std::vector<std::string>> names = windowsPathNames(gbkPath);
    if (!names || names->empty()) return std::nullopt;
    return names;
}

// ASCII letters only: lookups ignore the case of those and no others. UTF-8 bytes of other
// characters are all 0x80 or above, so changing bytes one by one is safe.
std::string lowerAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    }
    return result;
}

std::string upperAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
    return result;
}

std::string swappedAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') {
            c = char(c - 'a' + 'A');
        } else if (c >= 'A' && c <= 'Z') {
            c = char(c - 'A' + 'a');
        }
    }
    return result;
}

// The same for every spelling of a path: the names in lower case joined by "/".
std::string keyOf(const std::vector<std::string>& names, std::size_t count) {
    std::string key;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) key += '/';
        key += lowerAscii(names[i]);
    }
    return key;
}

// FNV-1a over the salt and the key, then a 64-bit finaliser so that the low bits (taken modulo
// small numbers) are well mixed.
std::uint64_t hashOf(std::uint64_t salt, std::string_view key) {
    std::uint64_t h = 0xcbf29ce484222325u;
    const auto add = [&h](unsigned char byte) {
        h ^= byte;
        h *= 0x100000001b3u;
    };
    for (int shift = 0; shift < 64; shift += 8)
        add((unsigned char)(salt >> shift));
    for (const char c : key)
        add((unsigned char)c);
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdu;
    h ^= h >> 33;
    h *= 0xc4ceb3fe1a85ec53u;
    h ^= h >> 33;
    return h;
}

// Separate salts keep the choice of missing files apart from the choice of spellings.
std::uint64_t missingSalt(std::uint32_t seed) {
    return std::uint64_t(seed) << 8 | 1;
}
std::uint64_t caseSalt(std::uint32_t seed) {
    return std::uint64_t(seed) << 8 | 2;
}

std::string contentOf(const std::string& key, std::size_t fileBytes) {
    std::uint64_t state = hashOf(0, key);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string bytes;
    bytes.reserve(fileBytes + 64);
    for (int shift = 60; shift >= 0; shift -= 4)
        bytes += kHex[(state >> shift) & 15];
    bytes += ' ';
    bytes += key;
    bytes += '\n';
    // Then printable filler from a xorshift generator started from the path's hash.
    while (bytes.size() < fileBytes) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        bytes += char(' ' + state % 95);
    }
    bytes.resize(fileBytes);
    return bytes;
}

// Places files under the REZ folder, one spelling per name in every folder.
class TreeWriter {
public:
    TreeWriter(const fs::path& root, const RezTreeOptions& options) : options_(options) {
        fs::create_directories(root);
        folders_.emplace(std::string(), Folder{root, listing(root)});
    }

    // Writes the file unless this call wrote it already; true when it was written now. A file
    // that cannot be placed (its folder is a file, or the file is a folder) is left out.
    bool write(const std::vector<std::string>& names, bool respell, const std::string& content) {
        const std::string key = keyOf(names, names.size());
        if (!written_.insert(key).second) return false;

        std::string folderKey;
        for (std::size_t i = 0; i + 1 < names.size(); ++i) {
            std::string childKey = keyOf(names, i + 1);
            if (!folders_.contains(childKey)) {
                Folder& parent = folders_.at(folderKey);
                const fs::path child = parent.real / entryFor(parent, names[i], childKey, respell);
                if (fs::exists(child) && !fs::is_directory(child)) return false;
                fs::create_directory(child);
                folders_.emplace(childKey, Folder{child, listing(child)});
            }
            folderKey = std::move(childKey);
        }

        Folder& folder = folders_.at(folderKey);
        const fs::path file = folder.real / entryFor(folder, names.back(), key, respell);
        if (fs::is_directory(file)) return false;
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(content.data(), std::streamsize(content.size()));
        out.close();
        if (!out) {
            throw fs::filesystem_error("cannot write the file", file,
                                       std::error_code(errno, std::generic_category()));
        }
        return true;
    }

private:
    struct Folder {
        fs::path real;
        // The spelling in use for each name, by the name in lower case.
        std::unordered_map<std::string, std::string> entries;
    };

    // What a folder already holds. When several entries differ only in letter case, the first in
    // byte order is the one the file layer finds, so that one is used.
    static std::unordered_map<std::string, std::string> listing(const fs::path& folder) {
        std::unordered_map<std::string, std::string> entries;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            std::string name = entry.path().filename().native();
            auto [it, added] = entries.try_emplace(lowerAscii(name), name);
            // std::string compares bytes as unsigned char, which gives byte order.
            if (!added && name < it->second) it->second = std::move(name);
        }
        return entries;
    }

    // The spelling of name in folder: the one already there, else a new one, remembered.
    std::string entryFor(Folder& folder, const std::string& name, const std::string& key,
                         bool respell) {
        auto [it, added] = folder.entries.try_emplace(lowerAscii(name), name);
        if (added && respell && options_.otherLetterCase) it->second = spelling(name, key);
        return it->second;
    }

    std::string spelling(const std::string& name, const std::string& key) const {
        switch (hashOf(caseSalt(options_.seed), key) % 3) {
            case 0: return lowerAscii(name);
            case 1: return upperAscii(name);
            default: return swappedAscii(name);
        }
    }

    const RezTreeOptions& options_;
    std::unordered_map<std::string, Folder> folders_;  // by key; "" is the REZ folder
    std::unordered_set<std::string> written_;          // keys of the files written
};

}  // namespace

std::string sampleRezFileBytes(std::string_view gbkPath, std::size_t fileBytes) {
    const std::optional<std::vector<std::string>> names = utf8Names(gbkPath);
    return contentOf(names ? keyOf(*names, names->size()) : std::string(), fileBytes);
}

std::size_t writeSampleRezTree(const WeaponTable& table, const std::filesystem::path& rezFolder,
                               const RezTreeOptions& options) {
    TreeWriter writer(rezFolder, options);
    std::size_t written = 0;
    for (const std::string_view marker : kMarkerFiles) {
        const std::vector<std::string> names = *utf8Names(marker);
        const std::string content = contentOf(keyOf(names, names.size()), options.fileBytes);
        written += writer.write(names, false, content) ? 1 : 0;
    }

    const auto place = [&](const std::string& gbkPath) {
        const std::optional<std::vector<std::string>> names = utf8Names(gbkPath);
        if (!names) return;
        const std::string key = keyOf(*names, names->size());
        if (hashOf(missingSalt(options.seed), key) % 100 < options.missingPercent) return;
        written += writer.write(*names, true, contentOf(key, options.fileBytes)) ? 1 : 0;
    };
    // Row 0 is the text before the first record and the last row the appended sentinel.
    for (std::size_t row = 1; row + 1 < table.rowCount(); ++row) {
        const std::string_view model = table.cell(row, kColumnPvModel);
        if (!model.empty()) {
            for (const std::string_view ending : kPvModelEndings) {
                place(std::string(model) + std::string(ending));
            }
        }
        for (const std::size_t column : kFileColumns) {
            const std::string_view value = table.cell(row, column);
            if (!value.empty()) place(std::string(value));
        }
    }
    return written;
}

}  // namespace qm318

// Windows paths from arbitrary bytes mapped onto a small folder tree made once at start-up. The
// tree is the working folder, so a path without a leading separator is mapped against it; every
// path is also mapped with the tree's own absolute path put in front. A mapped path must stay in
// the tree, hold no "." or ".." name, and name each entry the way file_system.h says: the exact
// spelling when it exists, else the first entry in byte order equal to the name with ASCII letters
// compared without regard to case, else the name as written.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "fuzz_check.h"
#include "platform/file_system.h"
#include "text/gbk_text.h"

namespace {

namespace fs = std::filesystem;
using qm318::fuzz::literal;

fs::path treeRoot;
std::size_t treeRootNames = 0;  // the names of its absolute path

void removeTree() {
    std::error_code ignored;
    fs::remove_all(treeRoot, ignored);
}

// Folders and files whose names differ in letter case only, and a name in Chinese (武器 on disk
// in UTF-8, "\xce\xe4\xc6\xf7" in GBK).
void makeTree(const fs::path& root) {
    for (const char* folder : {"Models/CHARACTER", "Models/character", "models/Character",
                               "\xe6\xad\xa6\xe5\x99\xa8/AK47", "rez/a b"}) {
        fs::create_directories(root / folder);
    }
    for (const char* file : {"Models/CHARACTER/M-MOTION.LTB", "Models/character/m-motion.ltb",
                             "models/Character/M-Motion.ltb",
                             "\xe6\xad\xa6\xe5\x99\xa8/AK47/pv.ltb", "QM318.LTA", "qm318.lta"}) {
        std::ofstream(root / file) << "x";
    }
}

// The entry of folder that the name should map to, or the name itself when none fits.
std::string expectedEntry(const fs::path& folder, const std::string& name) {
    std::error_code error;
    if (fs::symlink_status(folder / name, error).type() != fs::file_type::not_found) return name;
    std::optional<std::string> best;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string entry = it->path().filename().native();
        if (qm318::equalsIgnoringAsciiCase(entry, name) && (!best || entry < *best)) best = entry;
    }
    return best.value_or(name);
}

// Checks a mapped path against the names below the tree root that it was mapped from.
void checkMapped(const fs::path& mapped, const std::vector<std::string>& names,
                 const std::string& what) {
    const fs::path below = mapped.lexically_relative(treeRoot);
    FUZZ_CHECK(!below.empty() && *below.begin() != "..", what + " left the tree");
    std::vector<std::string> components;
    for (const fs::path& component : below) {
        FUZZ_CHECK(component != "..", what + " holds a \"..\" name");
        components.push_back(component.native());
    }
    // The root itself is ".", the one dot name there can be.
    if (names.empty()) {
        FUZZ_CHECK(below == ".", what + " is not the tree root");
        return;
    }
    FUZZ_CHECK(components.size() == names.size(),
               what + " has " + std::to_string(components.size()) +
                   " names below the tree root, expected " + std::to_string(names.size()));
    for (const std::string& component : components) {
        FUZZ_CHECK(component != ".", what + " holds a \".\" name");
    }

    fs::path expected = treeRoot;
    bool present = true;
    for (const std::string& name : names) {
        expected /= present ? expectedEntry(expected, name) : name;
        std::error_code error;
        present = fs::symlink_status(expected, error).type() != fs::file_type::not_found;
    }
    FUZZ_CHECK(expected == mapped, what + ", expected " + literal(expected.native()));
}

// Maps windowsPath, whose first rootNames names spell the tree root (none when the path is mapped
// against the working folder, which is the tree root).
void checkPath(const std::string& windowsPath, std::size_t rootNames) {
    const std::optional<std::vector<std::string>> names = qm318::windowsPathNames(windowsPath);
    const std::optional<fs::path> mapped = qm318::mapWindowsPath(windowsPath);
    const std::string what = literal(windowsPath) + " mapped to " +
                             (mapped ? literal(mapped->native()) : std::string("nothing"));
    FUZZ_CHECK(names.has_value() == mapped.has_value(), what + ": names and mapping disagree");
    if (!mapped) return;
    for (const std::string& name : *names) {
        FUZZ_CHECK(!name.empty() && name != "." && name != ".." &&
                       name.find('/') == std::string::npos && name.find('\0') == std::string::npos,
                   what + ": name " + literal(name));
    }
    for (const fs::path& component : *mapped) {
        FUZZ_CHECK(component != "." && component != "..", what + " holds a dot name");
    }
    FUZZ_CHECK(mapped->is_absolute() == (rootNames > 0) && names->size() >= rootNames,
               what + ": where it starts");
    checkMapped(mapped->is_absolute() ? *mapped : treeRoot / *mapped,
                std::vector<std::string>(names->begin() + std::ptrdiff_t(rootNames), names->end()),
                what);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (fs::temp_directory_path() / "qm318-path-fuzz-XXXXXX").native();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    treeRoot = fs::canonical(pattern);
    treeRootNames = std::size_t(std::distance(treeRoot.begin(), treeRoot.end())) - 1;
    makeTree(treeRoot);
    std::atexit(removeTree);
    fs::current_path(treeRoot);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path(reinterpret_cast<const char*>(data), size);
    if (!path.empty() && path[0] != '\\' && path[0] != '/') checkPath(path, 0);
    checkPath(treeRoot.native() + "\\" + path, treeRootNames);
    return 0;
}

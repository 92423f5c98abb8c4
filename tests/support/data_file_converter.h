#pragma once
// The converter the window runs on the data file at every load: Debian's unix2dos, quietly, in a
// UTF-8 locale, through the tool's own process runner.

#include <cstdlib>
#include <filesystem>

#include "platform/file_system.h"

namespace qm318::test_support {

inline bool unix2dosInstalled() {
    return std::system("command -v unix2dos > /dev/null 2>&1") == 0;
}

inline void runUnix2dos(const std::filesystem::path& file) {
    runAndWait({"unix2dos", "-q", file.string()}, {"LC_ALL=C.UTF-8"});
}

}  // namespace qm318::test_support

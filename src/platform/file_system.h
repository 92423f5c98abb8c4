#pragma once
// Files, folders and child processes named the way the data file and the window name them:
// Windows paths in GBK bytes, "\" (or "/") between the names, letter case not significant.
//
// On Linux a path maps onto the real tree: every name becomes UTF-8, and an existing file or
// folder is found whatever the letter case of each name (the exact spelling first, else the entry
// equal to it with ASCII letters compared without regard to case, the first in byte order when
// several are). Names that do not exist yet keep their spelling, so new files and folders are
// created as written. A path with a "." or ".." name is refused, so that no value can reach outside
// the folder it is joined to; empty names between doubled separators are skipped. A path beginning
// with a separator starts at the root, any other one at the current working directory.
//
// Nothing here throws: failures are false, -1 or nothing.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm318 {

// The names of the path in UTF-8, empty ones dropped; nothing when the path is refused (as below).
std::optional<std::vector<std::string>> windowsPathNames(std::string_view windowsPath);

// The real path, or nothing when the path is refused: empty, with a "." or ".." name, or with a
// zero byte.
std::optional<std::filesystem::path> mapWindowsPath(std::string_view windowsPath);

// True when a file or a folder is there (a symbolic link counts by what it points to).
bool pathExists(std::string_view windowsPath);

// The bytes of a regular file; nothing when it is missing, unreadable or not a regular file.
std::optional<std::string> readFileBytes(std::string_view windowsPath);

// Creates or replaces the file: the bytes go to a temporary file in the same folder, which is then
// renamed over the target, so readers see the old file or the new one, never a part. On failure
// the old file is untouched and no temporary file is left. A replaced file keeps its permission
// bits. Exported files are not flushed to disk one by one: they can be exported again.
bool writeFileBytes(std::string_view windowsPath, std::string_view bytes);
// The same for a path of this system, used as it is (the tool's own files), and flushed to disk
// before the rename, so that a power cut leaves the old content or the new one.
bool writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// Copies a regular file, creating or replacing the destination the way writeFileBytes does. False
// when the source is missing or not a regular file, or the destination's folder is missing.
bool copyFileTo(std::string_view source, std::string_view destination);

// Creates one folder. True when it was created or is already there as a folder; false when its
// parent is missing or a file has that name.
bool makeFolder(std::string_view windowsPath);

// Removes a file (a symbolic link itself, never what it points to); never removes a folder.
bool deleteFile(std::string_view windowsPath);

// Runs argv[0], looked up in PATH, with argv as its arguments and the current environment plus
// extraEnvironment ("NAME=value" entries, which add to or override the current ones). Its standard
// input and outputs are /dev/null. Waits for it without a time limit. Returns its exit status, or
// -1 when it could not be started (also for an empty argv or an entry without "=") or was ended
// by a signal.
int runAndWait(const std::vector<std::string>& argv,
               const std::vector<std::string>& extraEnvironment = {});

// Whether a file may be rewritten in place: it and its folder are writable by this user and are
// not marked read-only (no write permission for the owner), which holds even for root, who may
// write anything.
bool mayRewriteInPlace(const std::filesystem::path& file);

// The folder holding the running executable; empty when it cannot be found.
std::filesystem::path programFolder();

}  // namespace qm318

#include "platform/file_system.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <utility>

#include "text/encoding.h"
#include "text/gbk_text.h"

extern char** environ;

namespace qm318 {
namespace fs = std::filesystem;

namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// Bytes that make a two-byte GBK character. A separator byte can be the second byte of one (as in
// "\x81\\"), so the path is cut into names character by character, never byte by byte.
bool isGbkPair(unsigned char lead, unsigned char trail) {
    const bool leadOk = lead >= 0x81 && lead <= 0xfe;
    const bool trailOk = (trail >= 0x40 && trail <= 0x7e) || (trail >= 0x80 && trail <= 0xfe);
    return leadOk && trailOk;
}

// The GBK names between separators, empty ones dropped.
std::vector<std::string> splitNames(std::string_view path) {
    std::vector<std::string> names(1);
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (i + 1 < path.size() && isGbkPair(path[i], path[i + 1])) {
            names.back().append(path.substr(i, 2));
            ++i;
        } else if (isSeparator(path[i])) {
            if (!names.back().empty()) names.emplace_back();
        } else {
            names.back().push_back(path[i]);
        }
    }
    if (names.back().empty()) names.pop_back();
    return names;
}

bool isDotName(std::string_view name) {
    return name == "." || name == "..";
}

// The name in UTF-8, or nothing when it cannot stand as one name of a real path.
std::optional<std::string> realName(const std::string& gbkName) {
    if (isDotName(gbkName)) return std::nullopt;
    std::string name = gbkToUtf8(gbkName);
    // Checked again after the conversion so that no substitute character can smuggle in a
    // separator or a dot name.
    if (name.empty() || isDotName(name) || name.find('/') != std::string::npos) {
        return std::nullopt;
    }
    return name;
}

// The entry of folder spelled name, else the first in byte order equal to it with ASCII letters
// compared without regard to case; nothing when there is none or the folder cannot be listed.
std::optional<std::string> findEntry(const fs::path& folder, const std::string& name) {
    const fs::path where = folder.empty() ? fs::path(".") : folder;
    struct stat info {};
    if (::lstat((where / name).c_str(), &info) == 0) return name;

    std::optional<std::string> best;
    std::error_code error;
    for (fs::directory_iterator it(where, error), end; !error && it != end; it.increment(error)) {
        const std::string entry = it->path().filename().native();
        // std::string compares bytes as unsigned char, which gives byte order.
        if (equalsIgnoringAsciiCase(entry, name) && (!best || entry < *best)) best = entry;
    }
    return best;
}

// Closes a descriptor on every path out of a function.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    // Closes now and reports whether the close went well (it can report a late write error).
    bool reset() {
        const int fd = std::exchange(fd_, -1);
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

// A regular file opened for reading, or -1. O_NONBLOCK keeps the open of a FIFO from waiting for
// a writer; the check on the open descriptor then turns it away.
int openRegularFile(std::string_view windowsPath) {
    const std::optional<fs::path> path = mapWindowsPath(windowsPath);
    if (!path) return -1;
    const int fd = ::open(path->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Bytes read into buffer, 0 at the end of the file, -1 on an error.
ssize_t readSome(int fd, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size);
        if (got >= 0 || errno != EINTR) return got;
    }
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        bytes.remove_prefix(std::size_t(put));
    }
    return true;
}

constexpr std::size_t kChunkSize = std::size_t(1) << 16;

std::string randomSuffix() {
    thread_local std::mt19937_64 generator(
        std::random_device{}() ^ std::uint64_t(::getpid()) ^
        std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(generator()));
    return text;
}

// A new temporary file in folder, removed again unless commit renames it onto its target.
class TemporaryFile {
public:
    explicit TemporaryFile(const fs::path& folder) : fd_(create(folder, path_)) {}
    ~TemporaryFile() {
        fd_.reset();
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return fd_.get(); }

    // Renames the file over target, flushed to disk first when durable.
    bool commit(const fs::path& target, bool durable) {
        if ((durable && ::fsync(fd_.get()) != 0) || !fd_.reset()) return false;
        if (::rename(path_.c_str(), target.c_str()) != 0) return false;
        path_.clear();
        return true;
    }

private:
    // The descriptor of a new file with a name not taken yet, its path in path; -1 and an empty
    // path when it cannot be made.
    static int create(const fs::path& folder, fs::path& path) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            path = folder / (".qm318-" + randomSuffix() + ".tmp");
            // 0666 lets the umask decide the bits, as for any file the user creates.
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) return fd;
            if (errno != EEXIST) break;
        }
        path.clear();
        return -1;
    }

    fs::path path_;  // declared before fd_: create sets it while fd_ is initialised
    Descriptor fd_;
};

// Best effort: makes a rename in folder survive a crash; the file itself is already on disk.
void syncFolder(const fs::path& folder) {
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) ::fsync(fd.get());
}

// Creates or replaces target with what fill writes into the descriptor it is given. Readers see the
// old file or the new one, never a part; a durable replacement also survives a power cut.
bool replaceAtomically(const std::optional<fs::path>& target, bool durable,
                       const std::function<bool(int)>& fill) {
    if (!target) return false;
    struct stat old {};
    const bool replacing = ::stat(target->c_str(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode)) return false;

    const fs::path folder = target->has_parent_path() ? target->parent_path() : fs::path(".");
    TemporaryFile temporary(folder);
    if (temporary.fd() < 0) return false;
    // Best effort: some file systems (FAT mounts, say) refuse permission changes.
    if (replacing && S_ISREG(old.st_mode)) ::fchmod(temporary.fd(), old.st_mode & 07777);
    if (!fill(temporary.fd()) || !temporary.commit(*target, durable)) return false;
    if (durable) syncFolder(folder);
    return true;
}

// The current environment with the extra "NAME=value" entries put in, replacing any entry of the
// same name; nothing when an extra entry has no name.
std::optional<std::vector<std::string>> mergedEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> environment;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        environment.emplace_back(*entry);
    }
    for (const std::string& entry : extra) {
        const std::size_t equals = entry.find('=');
        if (equals == std::string::npos || equals == 0) return std::nullopt;
        const std::string_view prefix(entry.data(), equals + 1);
        std::erase_if(environment, [&](const std::string& e) { return e.starts_with(prefix); });
        environment.push_back(entry);
    }
    return environment;
}

// The zero-terminated pointer array that exec-style calls take; it points into strings.
std::vector<char*> pointersTo(const std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (const std::string& s : strings) {
        pointers.push_back(const_cast<char*>(s.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Starts argv[0] with its standard streams on /dev/null, all signals unblocked and at their
// default actions (so a signal this process ignores stays deliverable to the child); -1 when it
// cannot be started.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (::posix_spawn_file_actions_init(&actions) != 0) return -1;
    if (::posix_spawnattr_init(&attributes) != 0) {
        ::posix_spawn_file_actions_destroy(&actions);
        return -1;
    }
    sigset_t none;
    sigset_t all;
    ::sigemptyset(&none);
    ::sigfillset(&all);
    const bool prepared =
        ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
        ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0) == 0 &&
        ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0) == 0 &&
        ::posix_spawnattr_setsigmask(&attributes, &none) == 0 &&
        ::posix_spawnattr_setsigdefault(&attributes, &all) == 0 &&
        ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) ==
            0;
    pid_t pid = -1;
    const std::vector<char*> arguments = pointersTo(argv);
    const std::vector<char*> variables = pointersTo(environment);
    // posix_spawnp reports a program that cannot be run as an error here rather than as an exit
    // status of the child, so a missing program is told apart from one that exits with 127.
    if (!prepared || ::posix_spawnp(&pid, argv[0].c_str(), &actions, &attributes, arguments.data(),
                                    variables.data()) != 0) {
        pid = -1;
    }
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
    return pid;
}

}  // namespace

std::optional<std::vector<std::string>> windowsPathNames(std::string_view windowsPath) {
    if (windowsPath.empty() || windowsPath.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (const std::string& gbkName : splitNames(windowsPath)) {
        std::optional<std::string> name = realName(gbkName);
        if (!name) return std::nullopt;
        names.push_back(std::move(*name));
    }
    return names;
}

std::optional<fs::path> mapWindowsPath(std::string_view windowsPath) {
    const std::optional<std::vector<std::string>> names = windowsPathNames(windowsPath);
    if (!names) return std::nullopt;
    fs::path resolved = isSeparator(windowsPath.front()) ? fs::path("/") : fs::path();
    // Once a name is missing, nothing below it can exist, so the rest is taken as spelled.
    bool lookingUp = true;
    for (const std::string& name : *names) {
        std::optional<std::string> found;
        if (lookingUp) found = findEntry(resolved, name);
        lookingUp = found.has_value();
        resolved /= found.value_or(name);
    }
    return resolved;
}

bool pathExists(std::string_view windowsPath) {
    const std::optional<fs::path> path = mapWindowsPath(windowsPath);
    std::error_code error;
    return path && fs::exists(fs::status(*path, error));
}

std::optional<std::string> readFileBytes(std::string_view windowsPath) {
    const Descriptor fd(openRegularFile(windowsPath));
    if (fd.get() < 0) return std::nullopt;
    std::string bytes;
    std::vector<char> buffer(kChunkSize);
    for (;;) {
        const ssize_t got = readSome(fd.get(), buffer.data(), buffer.size());
        if (got < 0) return std::nullopt;
        if (got == 0) return bytes;
        bytes.append(buffer.data(), std::size_t(got));
    }
}

bool writeFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
    return replaceAtomically(target, true, [bytes](int fd) { return writeAll(fd, bytes); });
}

bool writeFileBytes(std::string_view windowsPath, std::string_view bytes) {
    return replaceAtomically(mapWindowsPath(windowsPath), false,
                             [bytes](int fd) { return writeAll(fd, bytes); });
}

bool copyFileTo(std::string_view source, std::string_view destination) {
    const Descriptor in(openRegularFile(source));
    if (in.get() < 0) return false;
    return replaceAtomically(mapWindowsPath(destination), false, [&in](int out) {
        std::vector<char> buffer(kChunkSize);
        for (;;) {
            const ssize_t got = readSome(in.get(), buffer.data(), buffer.size());
            if (got <= 0) return got == 0;
            if (!writeAll(out, std::string_view(buffer.data(), std::size_t(got)))) return false;
        }
    });
}

bool makeFolder(std::string_view windowsPath) {
    const std::optional<fs::path> path = mapWindowsPath(windowsPath);
    if (!path) return false;
    if (::mkdir(path->c_str(), 0777) == 0) return true;
    std::error_code error;
    return errno == EEXIST && fs::is_directory(*path, error);
}

bool deleteFile(std::string_view windowsPath) {
    const std::optional<fs::path> path = mapWindowsPath(windowsPath);
    // unlink never removes a folder: it fails with EISDIR.
    return path && ::unlink(path->c_str()) == 0;
}

int runAndWait(const std::vector<std::string>& argv,
               const std::vector<std::string>& extraEnvironment) {
    if (argv.empty() || argv.front().empty()) return -1;
    const std::optional<std::vector<std::string>> environment = mergedEnvironment(extraEnvironment);
    if (!environment) return -1;
    const pid_t pid = spawn(argv, *environment);
    if (pid < 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool mayRewriteInPlace(const fs::path& file) {
    const auto writable = [](const fs::path& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 && (info.st_mode & S_IWUSR) != 0 &&
               ::access(path.c_str(), W_OK) == 0;
    };
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    return writable(file) && writable(folder);
}

fs::path programFolder() {
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : executable.parent_path();
}

}  // namespace qm318

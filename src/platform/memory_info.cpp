#include "platform/memory_info.h"

#include <algorithm>
#include <fstream>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace qm318 {
namespace {

#if defined(__linux__)
std::optional<std::uint64_t> memAvailableFromProc() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kibibytes = 0;
    std::string unit;
    while (meminfo >> key >> kibibytes) {
        std::getline(meminfo, unit);
        if (key == "MemAvailable:") return kibibytes * 1024;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> readNumber(const char* path) {
    std::ifstream file(path);
    std::uint64_t value = 0;
    if (file >> value) return value;
    return std::nullopt;  // missing, or "max"
}

// The room left under a cgroup v2 memory limit, which a container sets below the machine's.
std::optional<std::uint64_t> roomInControlGroup() {
    const std::optional<std::uint64_t> limit = readNumber("/sys/fs/cgroup/memory.max");
    const std::optional<std::uint64_t> used = readNumber("/sys/fs/cgroup/memory.current");
    if (!limit || !used) return std::nullopt;
    return *limit > *used ? *limit - *used : 0;
}
#endif

}  // namespace

std::optional<std::uint64_t> availableMemoryBytes() {
#if defined(__linux__)
    std::optional<std::uint64_t> available = memAvailableFromProc();
    if (const std::optional<std::uint64_t> room = roomInControlGroup()) {
        available = available ? std::min(*available, *room) : *room;
    }
    return available;
#elif defined(_WIN32)
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return std::nullopt;
    return status.ullAvailPhys;
#else
    return std::nullopt;
#endif
}

}  // namespace qm318

// The data file survives a load that is killed at any moment: a child process runs the window's
// load with the real unix2dos converter on a large LF file and is killed with SIGKILL after a
// random delay spread over the load's duration. Once every process the load started has ended,
// the file must be byte for byte either what it was or what the conversion makes of it: never
// missing, never a mix.
//
// Half the runs kill the loading process alone (unix2dos, if it was started, then finishes on its
// own, as when the window alone is killed); the other half kill its whole process group, unix2dos
// included (as when the terminal the window was started from is closed). A killed unix2dos may
// leave its temporary file (d2utmp*) behind, but never in place of the data file.
//
// QM318_KILL_RUNS sets the number of runs (default 8); QM318_KILL_SEED the seed of the delays.

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "loader/weapon_table_loader.h"
#include "sample_data.h"
#include "support/data_file_converter.h"
#include "support/temp_dir.h"

namespace qm318 {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using test_support::TempDir;

unsigned long fromEnvironment(const char* name, unsigned long fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::strtoul(value, nullptr, 10) : fallback;
}

// Starts the window's load of file in a child process of its own process group.
pid_t startLoad(const fs::path& file) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::setpgid(0, 0);
        const LoadResult result = loadAndConvertDataFile(file, {}, test_support::runUnix2dos);
        ::_exit(result.table && result.fileConverted ? 0 : 1);
    }
    if (child > 0) ::setpgid(child, child);  // also here, so the group exists before any kill
    return child;
}

// Makes this process the one that orphaned descendants are handed to, for its lifetime.
class Subreaper {
public:
    Subreaper() { EXPECT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0); }
    ~Subreaper() { ::prctl(PR_SET_CHILD_SUBREAPER, 0); }
    Subreaper(const Subreaper&) = delete;
    Subreaper& operator=(const Subreaper&) = delete;
};

// Waits for the child, then for every process it left behind: this process is their subreaper,
// so orphans come to it. Gives the child's wait status.
int waitForAll(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int orphan = 0;
    while (::waitpid(-1, &orphan, 0) > 0 || errno == EINTR) {
    }
    return status;
}

// The file's bytes, read in one piece (byte-wise reading is slow in a sanitizer build).
std::string wholeFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    if (!in) return {};
    std::string bytes(std::size_t(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), std::streamsize(bytes.size()));
    return bytes;
}

std::vector<fs::path> temporaryFilesIn(const fs::path& folder) {
    std::vector<fs::path> found;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with("d2utmp")) found.push_back(entry.path());
    }
    return found;
}

TEST(KillDuringLoad, TheDataFileIsAlwaysWholeOldOrWholeNew) {
    if (!test_support::unix2dosInstalled()) GTEST_SKIP() << "unix2dos is not installed";
    const Subreaper subreaper;
    const unsigned long runs = fromEnvironment("QM318_KILL_RUNS", 8);
    const unsigned long seed = fromEnvironment("QM318_KILL_SEED", std::random_device{}());

    SampleOptions options;
    options.records = 6000;  // about 30 MB
    const std::string original = generateSampleLta(options);
    // What the conversion makes of a sample file is the same sample with CR LF line breaks (the
    // data file conversion test checks that against unixToDos); generated rather than converted
    // here, which is far quicker in a sanitizer build.
    options.crlf = true;
    const std::string converted = generateSampleLta(options);
    ASSERT_NE(original, converted);

    TempDir dir;
    const fs::path file = dir.path() / "QM318.LTA";

    // One load to its end, timed, to spread the kills over.
    dir.write("QM318.LTA", original);
    const Clock::time_point begun = Clock::now();
    const pid_t first = startLoad(file);
    ASSERT_GT(first, 0);
    const int firstStatus = waitForAll(first);
    const auto loadTime =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - begun);
    ASSERT_TRUE(WIFEXITED(firstStatus) && WEXITSTATUS(firstStatus) == 0);
    ASSERT_TRUE(wholeFile(file) == converted) << "a load that is not killed converts the file";

    std::mt19937_64 random(seed);
    // A little past the load's end, so that some runs finish before the kill.
    std::uniform_int_distribution<std::int64_t> delay(0, loadTime.count() * 11 / 10);
    struct Tally {
        unsigned long old = 0, whole = 0, finished = 0, leftovers = 0;
    };
    Tally alone, group;
    for (unsigned long run = 0; run < runs; ++run) {
        SCOPED_TRACE("run " + std::to_string(run) + ", seed " + std::to_string(seed));
        for (const fs::path& leftover : temporaryFilesIn(dir.path()))
            fs::remove(leftover);
        dir.write("QM318.LTA", original);

        const bool wholeGroup = run % 2 == 1;
        const pid_t child = startLoad(file);
        ASSERT_GT(child, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(wholeGroup ? -child : child, SIGKILL);
        const int status = waitForAll(child);

        Tally& tally = wholeGroup ? group : alone;
        if (WIFEXITED(status)) ++tally.finished;
        tally.leftovers += temporaryFilesIn(dir.path()).size();
        ASSERT_TRUE(fs::exists(file)) << "the data file is missing";
        const std::string now = wholeFile(file);
        if (now == original) {
            ++tally.old;
        } else if (now == converted) {
            ++tally.whole;
        } else {
            FAIL() << "the data file is neither the old nor the converted one: " << now.size()
                   << " bytes (old " << original.size() << ", converted " << converted.size()
                   << ")";
        }
    }
    for (const auto& [name, tally] : {std::pair{"loader killed alone", alone},
                                      std::pair{"whole process group killed", group}}) {
        std::cout << name << ": " << tally.old << " unchanged, " << tally.whole << " converted ("
                  << tally.finished << " loads had finished), " << tally.leftovers
                  << " leftover temporary files\n";
    }
    std::cout << runs << " runs, seed " << seed << ", one load takes " << loadTime.count() / 1000
              << " ms\n";
}

}  // namespace
}  // namespace qm318

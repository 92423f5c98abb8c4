// The window's load and the data file on disk: the file is handed to the converter only when the
// conversion could change it and the file may be rewritten in place; otherwise it stays exactly as
// it was (same bytes, same inode, same modification time), and the table is the same either way.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "loader/line_endings.h"
#include "loader/weapon_table_loader.h"
#include "sample_data.h"
#include "support/data_file_converter.h"
#include "support/temp_dir.h"

namespace qm318 {
namespace {

namespace fs = std::filesystem;
using test_support::readBytes;
using test_support::TempDir;

struct FileIdentity {
    ino_t inode = 0;
    timespec modified{};
    bool operator==(const FileIdentity& other) const {
        return inode == other.inode && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};

FileIdentity identityOf(const fs::path& file) {
    struct stat info {};
    EXPECT_EQ(::stat(file.c_str(), &info), 0) << file;
    return {info.st_ino, info.st_mtim};
}

// Gives a folder its permission bits until the end of the scope, then 0755 again so that the
// temporary folder can be removed.
class FolderMode {
public:
    FolderMode(fs::path folder, fs::perms mode) : folder_(std::move(folder)) {
        fs::permissions(folder_, mode);
    }
    ~FolderMode() { fs::permissions(folder_, fs::perms(0755)); }

private:
    fs::path folder_;
};

std::string sample(bool crlf) {
    SampleOptions options;
    options.records = 30;
    options.crlf = crlf;
    return generateSampleLta(options);
}

TEST(DataFileConversion, TheFileIsRewrittenOnlyWhenItCanChangeAndMayBeWritten) {
    if (!test_support::unix2dosInstalled()) GTEST_SKIP() << "unix2dos is not installed";
    const std::string lf = sample(false);
    const std::string crlf = sample(true);
    ASSERT_EQ(unixToDos(lf), crlf);
    struct Case {
        std::string why;
        std::string bytes;
        fs::perms fileMode;
        fs::perms folderMode;
        bool converted;
    };
    const std::vector<Case> cases = {
        {"a writable LF file", lf, fs::perms(0644), fs::perms(0755), true},
        {"a writable CR LF file", crlf, fs::perms(0644), fs::perms(0755), false},
        // Root may write anything, so only the mode bits tell that these are not to be changed.
        {"a read-only LF file", lf, fs::perms(0444), fs::perms(0755), false},
        {"an LF file in a read-only folder", lf, fs::perms(0644), fs::perms(0555), false},
        {"a read-only LF file in a read-only folder", lf, fs::perms(0444), fs::perms(0555), false},
        // unix2dos takes a file with a control byte for binary and leaves it alone.
        {"an LF file with a control byte", lf + "\x01\n", fs::perms(0644), fs::perms(0755), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        TempDir dir;
        fs::create_directory(dir.path() / "data");
        const fs::path file = dir.write("data/QM318.LTA", c.bytes);
        fs::permissions(file, c.fileMode);
        const FileIdentity before = identityOf(file);

        std::mutex mutex;
        std::vector<fs::path> calls;
        const FileConverter recordingConverter = [&](const fs::path& path) {
            {
                const std::lock_guard<std::mutex> lock(mutex);
                calls.push_back(path);
            }
            test_support::runUnix2dos(path);
        };
        LoadResult result;
        {
            const FolderMode folderMode(dir.path() / "data", c.folderMode);
            result = loadAndConvertDataFile(file, {}, recordingConverter);
        }

        ASSERT_EQ(result.error, LoadError::None);
        ASSERT_NE(result.table, nullptr);
        const WeaponTablePtr expected = buildWeaponTable(c.bytes);
        EXPECT_EQ(result.table->rowCount(), expected->rowCount());
        EXPECT_TRUE(result.table->text() == expected->text()) << "the table text differs";
        EXPECT_EQ(result.fileConverted, c.converted);
        if (c.converted) {
            EXPECT_EQ(calls, std::vector<fs::path>{file});
            EXPECT_TRUE(readBytes(file) == unixToDos(c.bytes)) << "the file is not converted";
        } else {
            EXPECT_TRUE(calls.empty());
            EXPECT_TRUE(readBytes(file) == c.bytes) << "the file changed";
            EXPECT_EQ(identityOf(file), before) << "the file was replaced or written";
            EXPECT_EQ(fs::status(file).permissions(), c.fileMode);
        }
        // Nothing else appeared beside the file.
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(dir.path() / "data"))
            names.push_back(entry.path().filename().string());
        EXPECT_EQ(names, std::vector<std::string>{"QM318.LTA"});
    }
}

}  // namespace
}  // namespace qm318

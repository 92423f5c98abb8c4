#include "platform/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/auxv.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/file_size_limit.h"
#include "support/temp_dir.h"

namespace qm318 {
namespace {

using test_support::FileSizeLimit;

namespace fs = std::filesystem;
using namespace std::string_literals;
using test_support::readBytes;
using test_support::TempDir;

// GBK bytes of names used below, with their UTF-8 spelling on disk.
const std::string kUnpackGbk = "\xbd\xe2\xb0\xfc";  // 解包
const std::string kUnpackUtf8 = "\xe8\xa7\xa3\xe5\x8c\x85";
const std::string kNewGbk = "\xd0\xc2";  // 新
const std::string kNewUtf8 = "\xe6\x96\xb0";
// A GBK character whose second byte is "\" (0x5C): 乗.
const std::string kBackslashTrailGbk = "\x81\x5c";
const std::string kBackslashTrailUtf8 = "\xe4\xb9\x97";
// Two GBK characters whose second bytes are "A" and "a": 丄 and 乤, different characters.
const std::string kTrailUpperAGbk = "\x81\x41";
const std::string kTrailUpperAUtf8 = "\xe4\xb8\x84";
const std::string kTrailLowerAUtf8 = "\xe4\xb9\xa4";
// Full-width letters: ＡＢ exists on disk, ａｂ must not find it (only ASCII ignores case).
const std::string kWideUpperGbk = "\xa3\xc1\xa3\xc2";
const std::string kWideUpperUtf8 = "\xef\xbc\xa1\xef\xbc\xa2";
const std::string kWideLowerGbk = "\xa3\xe1\xa3\xe2";
const std::string kWideLowerUtf8 = "\xef\xbd\x81\xef\xbd\x82";

const std::string kModelBytes = "m4a1 model bytes";

// Every entry under a folder with what it is: a file's bytes, "<folder>", "<link>" or "<other>".
std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = fs::relative(entry.path(), root).string();
        if (entry.is_symlink()) {
            entries[name] = "<link>";
        } else if (entry.is_regular_file()) {
            entries[name] = readBytes(entry.path());
        } else {
            entries[name] = entry.is_directory() ? "<folder>" : "<other>";
        }
    }
    return entries;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Bytes of every value, repeated past the size of one read.
std::string bigContent() {
    std::string bytes;
    for (int i = 0; i < 300000; ++i)
        bytes.push_back(char((i * 7 + i / 256) & 0xff));
    return bytes;
}

// Makes folder the working folder until the end of the scope.
class WorkingFolder {
public:
    explicit WorkingFolder(const fs::path& folder) : saved_(fs::current_path()) {
        fs::current_path(folder);
    }
    ~WorkingFolder() { fs::current_path(saved_); }

private:
    fs::path saved_;
};

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string rootText = dir_.path().string();
        ASSERT_TRUE(std::all_of(rootText.begin(), rootText.end(), [](char c) {
            return (unsigned char)c < 0x80;
        })) << "the temporary folder must have an ASCII path to be written in GBK";
        fs::create_directories(real("Models/PlayerView"));
        write("Models/PlayerView/pv-m4a1.ltb", kModelBytes);
        fs::create_directories(real(kUnpackUtf8));
        write(kUnpackUtf8 + "/Tex.dtx", "texture");
        fs::create_directories(real("dup"));
        write("dup/ABC.txt", "upper");
        write("dup/Abc.txt", "mixed");
        write("dup/abc.txt", "lower");
        fs::create_directories(real(kBackslashTrailUtf8));
        write(kBackslashTrailUtf8 + "/inner.txt", "inner");
        fs::create_directories(real(kTrailLowerAUtf8));
        fs::create_directories(real(kWideUpperUtf8));
        fs::create_directories(real("Empty"));
        fs::create_directories(real("x[1]"));
    }

    fs::path real(const std::string& utf8Relative) const { return dir_.path() / utf8Relative; }
    void write(const std::string& utf8Relative, std::string_view bytes) const {
        dir_.write(utf8Relative, bytes);
    }
    // The temporary folder as an absolute Windows path, followed by "\" and relative.
    std::string win(const std::string& relative) const {
        std::string root = dir_.path().string();
        std::replace(root.begin(), root.end(), '/', '\\');
        return root + "\\" + relative;
    }
    std::map<std::string, std::string> tree() const { return snapshot(dir_.path()); }

    TempDir dir_;
};

// The mapped path as text, "<refused>" when the path is refused.
std::string mapped(std::string_view windowsPath) {
    const std::optional<fs::path> path = mapWindowsPath(windowsPath);
    return path ? path->string() : "<refused>";
}

TEST_F(FileSystemTest, MapsEachNameToTheEntryOnDiskWhateverItsCase) {
    struct Case {
        std::string windows;
        std::string expected;  // UTF-8, relative to the temporary folder
    };
    const std::vector<Case> cases = {
        {"Models\\PlayerView\\pv-m4a1.ltb", "Models/PlayerView/pv-m4a1.ltb"},
        {"MODELS\\PLAYERVIEW\\PV-M4A1.LTB", "Models/PlayerView/pv-m4a1.ltb"},
        {"models/playerview/Pv-M4a1.Ltb", "Models/PlayerView/pv-m4a1.ltb"},
        {"MODELS\\\\PlayerView//\\/PV-M4A1.LTB\\\\", "Models/PlayerView/pv-m4a1.ltb"},
        {kUnpackGbk + "\\TEX.DTX", kUnpackUtf8 + "/Tex.dtx"},
        // Exact spelling first, else the first match in byte order.
        {"DUP\\abc.txt", "dup/abc.txt"},
        {"dup\\Abc.txt", "dup/Abc.txt"},
        {"dup\\aBc.TXT", "dup/ABC.txt"},
        // Missing names are kept as spelled, below a resolved parent too.
        {"MODELS\\NewFolder\\New.TXT", "Models/NewFolder/New.TXT"},
        {kUnpackGbk + "\\" + kNewGbk + ".TXT", kUnpackUtf8 + "/" + kNewUtf8 + ".TXT"},
        {"models\\playerview\\PV-M4A1.LTB\\Below", "Models/PlayerView/pv-m4a1.ltb/Below"},
        {"Models\\...", "Models/..."},
        // A "\" that is the second byte of a GBK character does not separate names.
        {kBackslashTrailGbk + "\\INNER.TXT", kBackslashTrailUtf8 + "/inner.txt"},
        // Case is ignored on the UTF-8 names, never on GBK bytes or on non-ASCII letters.
        {kTrailUpperAGbk, kTrailUpperAUtf8},
        {kWideLowerGbk, kWideLowerUtf8},
        {kWideUpperGbk, kWideUpperUtf8},
        {"X{1}", "X{1}"},  // "[" and "{" differ by the same bit as "A" and "a"
        {"X[1]", "x[1]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(mapped(win(c.windows)), real(c.expected).string()) << c.windows;
    }
}

TEST_F(FileSystemTest, PathsWithoutALeadingSeparatorStartAtTheWorkingFolder) {
    const WorkingFolder inside(real("Models"));
    EXPECT_EQ(mapped("playerview\\PV-M4A1.LTB"), "PlayerView/pv-m4a1.ltb");
    EXPECT_EQ(mapped("PLAYERVIEW//New"), "PlayerView/New");
    EXPECT_EQ(readFileBytes("PlayerView\\PV-m4a1.ltb"), kModelBytes);

    std::string fromRoot = real("models").string();  // "/" separators, misspelled case
    EXPECT_EQ(mapped(fromRoot + "/PlayerView"), real("Models/PlayerView").string());
    EXPECT_EQ(mapped("/" + fromRoot + "\\PlayerView"), real("Models/PlayerView").string());
}

TEST_F(FileSystemTest, RefusesEmptyPathsAndDotNames) {
    const std::vector<std::string> refused = {
        "",      "..",        ".",         "a\\..\\b",  ".\\x",
        "a\\.",  "a/..",      "\\..\\tmp", "a\\\\..\\", win("Models\\..\\dup"),
        "a\0b"s, "\\x\\.\\y",
    };
    for (const std::string& path : refused)
        EXPECT_EQ(mapped(path), "<refused>") << path;
}

TEST_F(FileSystemTest, EveryOperationRefusesPathsThatCouldLeaveTheirFolder) {
    fs::create_directories(real("work/a"));
    write("work/b", "b");
    write("outside", "outside");
    const auto before = tree();
    const WorkingFolder inside(real("work"));
    // Each would reach an existing file or folder, or make a new one, if it were let through.
    const std::vector<std::string> refused = {
        "a\\..\\b",
        ".\\b",
        "a\\.\\b",
        "..\\outside",
        "a\\..\\new",
        "..\\new",
        "..",
        ".",
        "",
        win("work\\..\\outside"),
        "a/../b",
        "..\\",
        win("work\\.\\b"),
    };
    for (const std::string& path : refused) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(pathExists(path));
        EXPECT_FALSE(readFileBytes(path).has_value());
        EXPECT_FALSE(writeFileBytes(path, "X"));
        EXPECT_FALSE(copyFileTo(path, "copy"));
        EXPECT_FALSE(copyFileTo("b", path));
        EXPECT_FALSE(makeFolder(path));
        EXPECT_FALSE(deleteFile(path));
    }
    EXPECT_EQ(tree(), before);
    // The same operations with a plain name do act, so the checks above can fail.
    EXPECT_TRUE(copyFileTo("B", "copy"));
    EXPECT_EQ(readFileBytes("copy"), "b");
}

TEST_F(FileSystemTest, PathExistsForFilesAndFoldersWhateverTheirCase) {
    fs::create_symlink(real("nowhere"), real("dangling"));
    fs::create_symlink(real("Models"), real("link"));
    const std::vector<std::pair<std::string, bool>> cases = {
        {"MODELS\\playerview\\PV-M4A1.LTB", true},
        {"models", true},
        {kUnpackGbk, true},
        {kUnpackGbk + "\\tex.dtx", true},
        {"LINK\\PlayerView", true},
        {"Models\\missing", false},
        {"Models\\PlayerView\\pv-m4a1.ltb\\x", false},
        {"dangling", false},
        {kTrailUpperAGbk, false},
        {kWideLowerGbk, false},
    };
    for (const auto& [path, exists] : cases)
        EXPECT_EQ(pathExists(win(path)), exists) << path;
}

TEST_F(FileSystemTest, ReadGivesTheExactBytesWhateverTheCase) {
    const std::string binary = "a\0b\xff\r\n\x81\x5c"s;
    write(kUnpackUtf8 + "/Bin.dat", binary);
    write(kUnpackUtf8 + "/Big.bin", bigContent());
    write("Empty.txt", "");
    EXPECT_EQ(readFileBytes(win(kUnpackGbk + "\\bin.DAT")), binary);
    EXPECT_EQ(readFileBytes(win(kUnpackGbk + "/BIG.BIN")), bigContent());
    EXPECT_EQ(readFileBytes(win("MODELS\\PlayerView\\PV-M4A1.ltb")), kModelBytes);
    EXPECT_EQ(readFileBytes(win("empty.TXT")), "");
}

TEST_F(FileSystemTest, ReadGivesNothingForWhatIsNotARegularFile) {
    ASSERT_EQ(::mkfifo(real("pipe").c_str(), 0600), 0);
    for (const std::string path : {"Models\\missing.ltb", "Models", "MODELS\\PLAYERVIEW", "PIPE",
                                   "Models\\PlayerView\\pv-m4a1.ltb\\x"}) {
        EXPECT_FALSE(readFileBytes(win(path)).has_value()) << path;
    }
}

TEST_F(FileSystemTest, ReadOfAnUnreadableFileGivesNothing) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not apply to root";
    fs::permissions(real("Models/PlayerView/pv-m4a1.ltb"), fs::perms::none);
    EXPECT_FALSE(readFileBytes(win("Models\\PlayerView\\pv-m4a1.ltb")).has_value());
}

TEST_F(FileSystemTest, WriteCreatesAFileAsSpelledInAFolderFoundWhateverItsCase) {
    const std::string bytes = "new\0\xff\r\n"s;
    ASSERT_TRUE(writeFileBytes(win(kUnpackGbk + "\\" + kNewGbk + ".TXT"), bytes));
    EXPECT_EQ(readBytes(real(kUnpackUtf8 + "/" + kNewUtf8 + ".TXT")), bytes);
    EXPECT_EQ(namesIn(real(kUnpackUtf8)),
              (std::vector<std::string>{"Tex.dtx", kNewUtf8 + ".TXT"}));  // no temporary file

    ASSERT_TRUE(writeFileBytes(win("EMPTY\\Nothing.txt"), ""));
    EXPECT_TRUE(fs::is_regular_file(real("Empty/Nothing.txt")));
    EXPECT_EQ(fs::file_size(real("Empty/Nothing.txt")), 0u);
}

TEST_F(FileSystemTest, WriteReplacesTheFileSpelledInAnyCase) {
    ASSERT_TRUE(writeFileBytes(win("MODELS\\PLAYERVIEW\\PV-M4A1.LTB"), "short"));
    EXPECT_EQ(readBytes(real("Models/PlayerView/pv-m4a1.ltb")), "short");
    EXPECT_EQ(namesIn(real("Models/PlayerView")), std::vector<std::string>{"pv-m4a1.ltb"});
    ASSERT_TRUE(writeFileBytes(win("Models\\PlayerView\\pv-m4a1.ltb"), bigContent()));
    EXPECT_EQ(readBytes(real("Models/PlayerView/pv-m4a1.ltb")), bigContent());
}

TEST_F(FileSystemTest, WriteKeepsTheModeOfAReplacedFileAndUsesTheUmaskForANewOne) {
    const mode_t savedMask = ::umask(022);
    fs::permissions(real("dup/abc.txt"), fs::perms(0640));
    const bool replaced = writeFileBytes(win("dup\\abc.txt"), "replaced");
    const bool created = writeFileBytes(win("dup\\fresh.txt"), "fresh");
    ::umask(savedMask);
    ASSERT_TRUE(replaced);
    ASSERT_TRUE(created);
    EXPECT_EQ(fs::status(real("dup/abc.txt")).permissions(), fs::perms(0640));
    EXPECT_EQ(fs::status(real("dup/fresh.txt")).permissions(), fs::perms(0644));
}

TEST_F(FileSystemTest, WriteFailsWhenTheFolderIsMissingOrTheTargetIsAFolder) {
    const auto before = tree();
    for (const std::string path : {"Missing\\x.txt", "Models\\Missing\\x.txt", "Models\\PlayerView",
                                   "EMPTY", "Models\\PlayerView\\pv-m4a1.ltb\\x"}) {
        EXPECT_FALSE(writeFileBytes(win(path), "X")) << path;
    }
    EXPECT_EQ(tree(), before);
}

TEST_F(FileSystemTest, AFailedWriteOrCopyLeavesTheOldFileAndNoTemporaryFile) {
    write("Big.bin", bigContent());
    const auto before = tree();
    const std::string target = win("Models\\PlayerView\\PV-M4A1.LTB");
    const std::vector<std::pair<const char*, std::function<bool()>>> operations = {
        {"write", [&] { return writeFileBytes(target, bigContent()); }},
        {"copy", [&] { return copyFileTo(win("big.bin"), target); }},
    };
    for (const auto& [name, operation] : operations) {
        bool succeeded = true;
        {
            const FileSizeLimit limit(4096);
            succeeded = operation();
        }
        EXPECT_FALSE(succeeded) << name;
        EXPECT_EQ(tree(), before) << name;
    }
    ASSERT_TRUE(writeFileBytes(target, bigContent())) << "without the limit the write succeeds";
}

TEST_F(FileSystemTest, WriteIntoAReadOnlyFolderFailsAndLeavesTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not apply to root";
    const auto before = tree();
    fs::permissions(real("Models/PlayerView"), fs::perms(0555));
    const bool written = writeFileBytes(win("Models\\PlayerView\\pv-m4a1.ltb"), "new");
    const bool copied = copyFileTo(win("dup\\abc.txt"), win("Models\\PlayerView\\pv-m4a1.ltb"));
    fs::permissions(real("Models/PlayerView"), fs::perms(0755));
    EXPECT_FALSE(written);
    EXPECT_FALSE(copied);
    EXPECT_EQ(tree(), before);
}

TEST_F(FileSystemTest, CopyMakesAnExactCopyFoundThroughAnyCase) {
    write(kUnpackUtf8 + "/Big.bin", bigContent());
    ASSERT_TRUE(copyFileTo(win(kUnpackGbk + "\\BIG.BIN"), win("models\\PlayerView\\Copy.BIN")));
    EXPECT_EQ(readBytes(real("Models/PlayerView/Copy.BIN")), bigContent());
    EXPECT_EQ(namesIn(real("Models/PlayerView")),
              (std::vector<std::string>{"Copy.BIN", "pv-m4a1.ltb"}));
}

TEST_F(FileSystemTest, CopyReplacesAnExistingDestination) {
    ASSERT_TRUE(copyFileTo(win(kUnpackGbk + "\\tex.dtx"), win("MODELS\\PLAYERVIEW\\PV-M4A1.LTB")));
    EXPECT_EQ(readBytes(real("Models/PlayerView/pv-m4a1.ltb")), "texture");
    EXPECT_EQ(namesIn(real("Models/PlayerView")), std::vector<std::string>{"pv-m4a1.ltb"});
    EXPECT_EQ(readBytes(real(kUnpackUtf8 + "/Tex.dtx")), "texture");
}

TEST_F(FileSystemTest, CopyOfAFileOntoItselfKeepsItsContent) {
    const auto before = tree();
    EXPECT_TRUE(copyFileTo(win("dup\\abc.txt"), win("DUP\\abc.txt")));
    EXPECT_EQ(tree(), before);
}

TEST_F(FileSystemTest, CopyFailsWithoutARegularSourceOrADestinationFolder) {
    ASSERT_EQ(::mkfifo(real("pipe").c_str(), 0600), 0);
    const auto before = tree();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Models\\missing.ltb", "dup\\out.txt"},  // no source
        {"Models\\PlayerView", "dup\\out.txt"},   // a folder as source
        {"PIPE", "dup\\out.txt"},                 // not a regular file (and no hang)
        {"dup\\abc.txt", "Missing\\out.txt"},     // no destination folder
        {"dup\\abc.txt", "Models"},               // a folder as destination
        {"dup\\abc.txt", "Models\\PlayerView\\pv-m4a1.ltb\\x"},
    };
    for (const auto& [source, destination] : cases) {
        EXPECT_FALSE(copyFileTo(win(source), win(destination))) << source << " -> " << destination;
    }
    EXPECT_EQ(tree(), before);
}

TEST_F(FileSystemTest, MakeFolderCreatesOneLevelAsSpelled) {
    ASSERT_TRUE(makeFolder(win("MODELS\\NewOne")));
    EXPECT_TRUE(fs::is_directory(real("Models/NewOne")));
    EXPECT_EQ(namesIn(real("Models")), (std::vector<std::string>{"NewOne", "PlayerView"}));
    ASSERT_TRUE(makeFolder(win(kUnpackGbk + "\\" + kNewGbk)));
    EXPECT_TRUE(fs::is_directory(real(kUnpackUtf8 + "/" + kNewUtf8)));
}

TEST_F(FileSystemTest, MakeFolderAcceptsAFolderThatIsThereWhateverItsCase) {
    const auto before = tree();
    EXPECT_TRUE(makeFolder(win("models\\PLAYERVIEW")));
    EXPECT_TRUE(makeFolder(win("Empty")));
    EXPECT_EQ(tree(), before);
}

TEST_F(FileSystemTest, MakeFolderFailsWithoutAParentOrOverAFile) {
    const auto before = tree();
    for (const std::string path : {"Missing\\Child", "Models\\Missing\\Child",
                                   "Models\\PlayerView\\PV-M4A1.LTB", "dup\\abc.txt\\Child"}) {
        EXPECT_FALSE(makeFolder(win(path))) << path;
    }
    EXPECT_EQ(tree(), before);
}

TEST_F(FileSystemTest, DeleteRemovesAFileSpelledInAnyCase) {
    ASSERT_TRUE(deleteFile(win("MODELS\\PLAYERVIEW\\PV-M4A1.LTB")));
    EXPECT_FALSE(fs::exists(real("Models/PlayerView/pv-m4a1.ltb")));
    EXPECT_TRUE(fs::is_directory(real("Models/PlayerView")));
    EXPECT_FALSE(deleteFile(win("Models\\PlayerView\\pv-m4a1.ltb"))) << "already gone";
}

TEST_F(FileSystemTest, DeleteNeverRemovesAFolder) {
    fs::create_symlink(real("Models"), real("link"));
    const auto before = tree();
    for (const std::string path : {"Models\\PlayerView", "EMPTY", "Models\\missing.ltb"}) {
        EXPECT_FALSE(deleteFile(win(path) + "\\")) << path;
        EXPECT_FALSE(deleteFile(win(path))) << path;
    }
    EXPECT_EQ(tree(), before);
    // A link to a folder is removed as a link; the folder stays.
    ASSERT_TRUE(deleteFile(win("LINK")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(real("link"))));
    EXPECT_EQ(readBytes(real("Models/PlayerView/pv-m4a1.ltb")), kModelBytes);
}

// Shell commands that succeed when the environment the shell was started with holds exactly one
// entry for the name (the shell's own variables would hide duplicates).
constexpr const char* kCountOld =
    "test \"$(tr '\\0' '\\n' < /proc/$$/environ | grep -c '^QM318_TEST_OLD=')\" = 1";
constexpr const char* kCountX =
    "test \"$(tr '\\0' '\\n' < /proc/$$/environ | grep -c '^QM318_TEST_X=')\" = 1";

TEST(RunAndWait, GivesTheExitStatusOrMinusOne) {
    ::setenv("QM318_TEST_OLD", "old", 1);
    ::setenv("QM318_TEST_OLDER", "kept", 1);
    ::unsetenv("QM318_TEST_X");
    struct Case {
        std::vector<std::string> argv;
        std::vector<std::string> environment;
        int expected;
    };
    const std::vector<Case> cases = {
        {{"sh", "-c", "exit 3"}, {}, 3},
        {{"sh", "-c", "exit 0"}, {}, 0},
        {{"sh", "-c", "exit 127"}, {}, 127},
        {{"true"}, {}, 0},
        {{"false"}, {}, 1},
        {{"qm318-no-such-program-anywhere"}, {}, -1},
        {{}, {}, -1},
        {{""}, {}, -1},
        {{"sh", "-c", "kill -KILL $$"}, {}, -1},
        {{"sh", "-c", "test \"$1\" = 'a b'", "sh", "a b"}, {}, 0},
        {{"sh", "-c", "test \"$QM318_TEST_X\" = 1"}, {"QM318_TEST_X=1"}, 0},
        {{"sh", "-c", "test \"$QM318_TEST_X\" = 1"}, {}, 1},
        {{"sh", "-c", "test \"$QM318_TEST_X\" = 2"}, {"QM318_TEST_X=1", "QM318_TEST_X=2"}, 0},
        {{"sh", "-c", "test \"$QM318_TEST_OLD\" = old"}, {}, 0},
        {{"sh", "-c", "test \"$QM318_TEST_OLD\" = new"}, {"QM318_TEST_OLD=new"}, 0},
        {{"sh", "-c", "test -z \"$QM318_TEST_OLD\""}, {"QM318_TEST_OLD="}, 0},
        // One entry per name in the block the child gets (getenv would see only the first).
        {{"sh", "-c", kCountOld}, {"QM318_TEST_OLD=new"}, 0},
        {{"sh", "-c", kCountX}, {"QM318_TEST_X=1", "QM318_TEST_X=2"}, 0},
        // Overriding a name leaves a longer name that begins with it alone.
        {{"sh", "-c", "test \"$QM318_TEST_OLDER\" = kept"}, {"QM318_TEST_OLD=new"}, 0},
        {{"true"}, {"NO_EQUALS_SIGN"}, -1},
        {{"true"}, {"=value"}, -1},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& a : c.argv)
            shown += "[" + a + "]";
        EXPECT_EQ(runAndWait(c.argv, c.environment), c.expected) << shown;
    }
    ::unsetenv("QM318_TEST_OLD");
    ::unsetenv("QM318_TEST_OLDER");
    EXPECT_EQ(::getenv("QM318_TEST_X"), nullptr) << "the extra entries are for the child only";
}

// Puts a file on this process's standard input and outputs until the end of the scope.
class StandardStreamsOnFile {
public:
    explicit StandardStreamsOnFile(const fs::path& file) {
        const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        for (int stream = 0; stream < 3; ++stream) {
            saved_[stream] = ::dup(stream);
            ::dup2(fd, stream);
        }
        ::close(fd);
    }
    ~StandardStreamsOnFile() {
        for (int stream = 0; stream < 3; ++stream) {
            ::dup2(saved_[stream], stream);
            ::close(saved_[stream]);
        }
    }

private:
    int saved_[3] = {-1, -1, -1};
};

TEST(RunAndWait, TheChildStreamsAreDevNullWhateverThisProcessHas) {
    const TempDir dir;
    const fs::path file = dir.path() / "streams";
    int status = -2;
    {
        const StandardStreamsOnFile streams(file);
        status = runAndWait({"sh", "-c",
                             "echo out; echo err >&2; "
                             "for fd in 0 1 2; do [ \"$(readlink /proc/$$/fd/$fd)\" = /dev/null ] "
                             "|| exit 1; done"});
    }
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readBytes(file), "");
}

TEST(RunAndWait, TheChildGetsDefaultActionsForSignalsIgnoredHere) {
    const sighandler_t saved = ::signal(SIGTERM, SIG_IGN);
    const int status = runAndWait({"sh", "-c", "kill -TERM $$; exit 0"});
    ::signal(SIGTERM, saved);
    EXPECT_EQ(status, -1) << "the child should have been ended by SIGTERM";
}

volatile sig_atomic_t alarmsSeen = 0;
void countAlarm(int) {
    alarmsSeen = alarmsSeen + 1;
}

TEST(RunAndWait, KeepsWaitingWhenASignalInterruptsTheWait) {
    struct sigaction action {};
    struct sigaction saved {};
    action.sa_handler = countAlarm;
    action.sa_flags = 0;  // no SA_RESTART: waitpid returns EINTR
    ::sigemptyset(&action.sa_mask);
    ::sigaction(SIGALRM, &action, &saved);
    itimerval every20ms{{0, 20000}, {0, 20000}};
    ::setitimer(ITIMER_REAL, &every20ms, nullptr);
    alarmsSeen = 0;

    const int status = runAndWait({"sh", "-c", "sleep 0.3; exit 5"});

    itimerval off{};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &saved, nullptr);
    EXPECT_GT(alarmsSeen, 0);
    EXPECT_EQ(status, 5);
}

TEST(ProgramFolder, IsTheFolderOfTheRunningTestProgram) {
    // The name this program was started by, as given to exec: independent of /proc/self/exe.
    const fs::path started = reinterpret_cast<const char*>(::getauxval(AT_EXECFN));
    const fs::path folder = programFolder();
    EXPECT_TRUE(folder.is_absolute()) << folder;
    EXPECT_TRUE(fs::equivalent(folder, fs::absolute(started).parent_path())) << folder;
    EXPECT_TRUE(fs::equivalent(folder / started.filename(), started)) << folder;
}

}  // namespace
}  // namespace qm318

// The qm318 program run as a user runs it, on generated data files.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "sample_data.h"
#include "support/temp_dir.h"

namespace qm318 {
namespace {

using test_support::readBytes;
using test_support::TempDir;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

CliRun runCli(const TempDir& dir, const std::string& arguments) {
    const std::string out = (dir.path() / "stdout").string();
    const std::string err = (dir.path() / "stderr").string();
    const std::string command = "cd '" + dir.path().string() + "' && '" + QM318_CLI_PATH + "' " +
                                arguments + " > '" + out + "' 2> '" + err + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readBytes(out), readBytes(err)};
}

std::string sample(std::size_t records, bool crlf) {
    SampleOptions options;
    options.records = records;
    options.crlf = crlf;
    return generateSampleLta(options);
}

std::size_t lineCount(const std::string& text) {
    return std::size_t(std::count(text.begin(), text.end(), '\n'));
}

TEST(Cli, TableIsTheSameForLfAndCrLfFilesAndLeavesThemUntouched) {
    TempDir dir;
    const std::string lf = sample(30, false);
    dir.write("lf.lta", lf);
    dir.write("crlf.lta", sample(30, true));
    const CliRun fromLf = runCli(dir, "table lf.lta");
    const CliRun fromCrLf = runCli(dir, "table crlf.lta");
    ASSERT_EQ(fromLf.status, 0) << fromLf.err;
    EXPECT_EQ(fromLf.out, fromCrLf.out);
    EXPECT_EQ(lineCount(fromLf.out), 30u);
    EXPECT_EQ(fromLf.err, "");
    EXPECT_EQ(readBytes(dir.path() / "lf.lta"), lf) << "the data file is never changed";

    const CliRun all = runCli(dir, "table --all-rows lf.lta");
    EXPECT_EQ(lineCount(all.out), 32u);
    EXPECT_NE(all.out.find("[\"BY：青石匠\",\"9999\""), std::string::npos);
}

TEST(Cli, FormatsSearchAndShow) {
    TempDir dir;
    dir.write("QM318.LTA",
              "(Weapon\n (WeaponIndex 7 )\n (WeaponName \"AK, \\\"47\\\" 黄金\" )\n"
              " (WeaponClass 3 )\n(Weapon\n (WeaponIndex 8 )\n (WeaponName \"m4\\ta\" )\n");
    // The file is UTF-8 here; the tool reads it as GBK, so write it in GBK first.
    ASSERT_EQ(std::system(("cd '" + dir.path().string() +
                           "' && iconv -f UTF-8 -t CP936 QM318.LTA > g && mv g QM318.LTA")
                              .c_str()),
              0);

    const CliRun jsonl = runCli(dir, "table");  // QM318.LTA in the current folder by default
    ASSERT_EQ(jsonl.status, 0) << jsonl.err;
    std::string firstRow = R"(["AK, \\","7","3")";
    for (int c = 3; c < 32; ++c)
        firstRow += R"(,"")";
    EXPECT_EQ(jsonl.out.substr(0, jsonl.out.find('\n')), firstRow + "]");

    const CliRun csv = runCli(dir, "search AK --format csv");
    EXPECT_EQ(csv.status, 0);
    EXPECT_EQ(csv.out.substr(csv.out.find('\n') + 1, 12), "\"AK, \\\",7,3,");

    const CliRun byIndex = runCli(dir, "search 8 --by index --format tsv");
    EXPECT_EQ(lineCount(byIndex.out), 2u);  // titles and one row
    EXPECT_EQ(byIndex.out.substr(0, 12), "武器名称");

    const CliRun show = runCli(dir, "show 8");
    EXPECT_EQ(show.status, 0);
    EXPECT_EQ(show.out, "(Weapon\r\n (WeaponIndex 8 )\r\n (WeaponName \"m4\\ta\" )\r\n\r\n");

    const CliRun sentinel = runCli(dir, "show 9999");
    EXPECT_EQ(sentinel.status, 1);
    EXPECT_EQ(sentinel.out, "");
    EXPECT_NE(sentinel.err, "");
    EXPECT_EQ(runCli(dir, "show 12345").status, 1);
}

TEST(Cli, JsonLinesEscapeWhatJsonRequires) {
    TempDir dir;
    dir.write("QM318.LTA",
              "(Weapon\r\n (WeaponIndex 7 )\r\n (WeaponName \"a\\b\tc\x01"
              "d\xc4\xa3/\x7f\" )\r\n (WeaponClass x\x1fy\b\f )\r\n");
    const CliRun jsonl = runCli(dir, "table");
    ASSERT_EQ(jsonl.status, 0) << jsonl.err;
    EXPECT_EQ(jsonl.out.substr(0, jsonl.out.find(",\"\"")),
              "[\"a\\\\b\\tc\\u0001d模/\x7f\",\"7\",\"x\\u001fy\\b\\f\"");
}

TEST(Cli, BadInputGivesOneLineOnStderrAndStatus2) {
    TempDir dir;
    for (const char* arguments : {"table missing.lta", "table .", "table --format xml", "search",
                                  "show", "frobnicate", "table --no-such-flag"}) {
        const CliRun run = runCli(dir, arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_EQ(lineCount(run.err), 1u) << arguments << ": " << run.err;
    }
    for (const char* arguments : {"--help", "table --help", "search --help", "show --help"}) {
        const CliRun run = runCli(dir, arguments);
        EXPECT_EQ(run.status, 0) << arguments;
        EXPECT_NE(run.out.find("Usage"), std::string::npos) << arguments;
    }
}

// A data file of two weapons and a REZ tree spelled in other letter case than the file.
void writeExportFixture(const TempDir& dir) {
    dir.write("QM318.LTA",
              "(Weapon\n (WeaponName \"AK47\" )\n (WeaponIndex 5 )\n"
              " (PViewModelFileName \"Models\\PLAYERVIEW\\PV-AK\" )\n"
              " (PViewRenderStyleFileName \"RS\\PV\\ak.ltc\" )\n"
              "(Weapon\n (WeaponName \"M4\" )\n (WeaponIndex 6 )\n"
              " (PViewModelFileName \"Models\\PLAYERVIEW\\PV-M4\" )\n");
    std::filesystem::create_directories(dir.path() / "rez" / "models" / "playerview");
    std::filesystem::create_directories(dir.path() / "rez" / "rs" / "pv");
    dir.write("rez/models/playerview/pv-ak.ltb", "ak model");
    dir.write("rez/rs/pv/AK.LTC", "ak style");
}

TEST(Cli, ExportPrintsEachJobsMessageInCheckBoxOrder) {
    TempDir dir;
    writeExportFixture(dir);
    const CliRun defaults = runCli(dir, "export 5 --rez rez --out out");
    EXPECT_EQ(defaults.status, 0) << defaults.err;
    EXPECT_EQ(defaults.out, "导出 PV-模型贴图 成功\n导出 武器QM318参数 成功\n");
    EXPECT_EQ(readBytes(dir.path() / "out" / "AK47" / "PV-模型贴图" / "PV-AK.LTB"), "ak model");

    const CliRun styles = runCli(dir, "export 5 --params --pv-rs --single-rs --rez rez --out out");
    EXPECT_EQ(styles.status, 1);  // no single render style: the check stops the later box
    EXPECT_EQ(styles.out, "导出 PV-RS 成功\n当前没选中 或当前武器没有 单-RS 请取消勾选再试\n");
    EXPECT_EQ(readBytes(dir.path() / "out" / "AK47" / "PV-RS" / "ak.ltc"), "ak style");

    const CliRun missingModel = runCli(dir, "export 6 --rez rez --out out --pv-model");
    EXPECT_EQ(missingModel.status, 1);
    EXPECT_EQ(missingModel.out, "导出失败\n");

    EXPECT_EQ(runCli(dir, "export 7 --rez rez --out out").status, 1);
    for (const char* bad :
         {"export --rez rez --out out", "export 5 --out out", "export 5 --rez nowhere --out out",
          "export 5 --rez rez --out out x.lta", "export 5 6 --all --rez rez --out out"}) {
        const CliRun run = runCli(dir, bad);
        EXPECT_EQ(run.status, 2) << bad;
        EXPECT_EQ(lineCount(run.err), 1u) << bad << ": " << run.err;
    }
}

TEST(Cli, ExportAllTwiceGivesTheSameTree) {
    TempDir dir;
    writeExportFixture(dir);
    const auto tree = [&] {
        std::vector<std::string> files;
        for (const auto& entry :
             std::filesystem::recursive_directory_iterator(dir.path() / "all")) {
            files.push_back(entry.path().string() + "=" +
                            (entry.is_regular_file() ? readBytes(entry.path()) : "/"));
        }
        std::sort(files.begin(), files.end());
        return files;
    };
    const CliRun first = runCli(dir, "export --all --rez rez --out all");
    EXPECT_EQ(first.status, 1);  // M4's model is missing from the tree
    EXPECT_EQ(first.out,
              "6 M4: 导出失败\n6 M4: 导出 武器QM318参数 成功\n"
              "exported 2 weapons: 1 without a failure, 1 with one\n");
    const auto once = tree();
    EXPECT_EQ(runCli(dir, "export --all --rez rez --out all").out, first.out);
    EXPECT_EQ(tree(), once);
    EXPECT_EQ(once.size(), 7u);  // two weapon folders, two PV folders, a model, two texts

    const CliRun searched = runCli(dir, "export --all --search ak --rez rez --out some");
    EXPECT_EQ(searched.status, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "some" / "M4"));
}

}  // namespace
}  // namespace qm318

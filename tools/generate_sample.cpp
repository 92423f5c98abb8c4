// qm318-sample: writes a made-up QM318.LTA file, for trying the tool and for measuring it, and
// on request a REZ tree holding the files its weapons name.

#include <CLI/CLI.hpp>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <utility>

#include "loader/weapon_table_loader.h"
#include "sample_data.h"

namespace {

constexpr int kExitWriteFailed = 1;
constexpr int kExitBadArguments = 2;
// About 5 GB: far past what the loader accepts, and it keeps a mistyped count (such as a
// negative one, which would wrap around) from exhausting memory.
constexpr std::size_t kMaxRecords = 1'000'000;

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), std::streamsize(bytes.size()));
    file.close();
    return bool(file);
}

}  // namespace

int main(int argc, char** argv) {
    qm318::SampleOptions options;
    std::string output;
    std::string rezFolder;
    CLI::App app{"qm318-sample: write a made-up QM318.LTA weapon file (GBK text)", "qm318-sample"};
    app.add_option("--records", options.records, "Number of weapon records (about 5 KB each)")
        ->capture_default_str()
        ->check(CLI::Range(std::size_t(0), kMaxRecords));
    app.add_option("--seed", options.seed, "Seed of the random choices")->capture_default_str();
    app.add_flag("--crlf", options.crlf, "CR LF line breaks instead of LF");
    app.add_option("--rez", rezFolder,
                   "Also write a REZ tree for the file into this folder (with the same seed)");
    app.add_option("OUTPUT", output, "The file to write")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        std::cerr << "qm318-sample: " << error.what() << " (see qm318-sample --help)\n";
        return kExitBadArguments;
    }

    std::string bytes = qm318::generateSampleLta(options);
    if (!writeFile(output, bytes)) {
        std::cerr << "qm318-sample: cannot write " << output << '\n';
        return kExitWriteFailed;
    }
    if (rezFolder.empty()) return 0;

    // The tree follows the table the tool itself builds from the file.
    qm318::RezTreeOptions rezOptions;
    rezOptions.seed = options.seed;
    try {
        const qm318::WeaponTablePtr table = qm318::buildWeaponTable(std::move(bytes));
        qm318::writeSampleRezTree(*table, rezFolder, rezOptions);
    } catch (const std::filesystem::filesystem_error& error) {
        std::cerr << "qm318-sample: cannot write the REZ tree: " << error.what() << '\n';
        return kExitWriteFailed;
    }
    return 0;
}

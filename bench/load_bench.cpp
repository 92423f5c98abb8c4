// Timings of loading, cell extraction, search, record lookup and the command line over generated
// data files of 8,000 and 80,000 records (fixed seeds), written to a temporary folder.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "browse/search.h"
#include "loader/row_extraction.h"
#include "loader/weapon_table_loader.h"
#include "platform/file_read.h"
#include "platform/file_system.h"
#include "sample_data.h"
#include "text/encoding.h"

namespace qm318 {
namespace {

constexpr std::size_t kRecords = 8000;         // about 40 MB
constexpr std::size_t kLargeRecords = 80'000;  // about 400 MB
constexpr std::uint32_t kSeed = 318;

// The generated data files, each written on first use, so that only the files of the selected
// benchmarks are made; removed when the program ends.
class SampleFiles {
public:
    ~SampleFiles() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    const std::filesystem::path& path(std::size_t records, bool crlf) {
        auto [it, made] = files_.try_emplace({records, crlf});
        if (made) {
            std::filesystem::create_directories(folder_);
            SampleOptions options;
            options.records = records;
            options.seed = kSeed;
            options.crlf = crlf;
            const std::string bytes = generateSampleLta(options);
            it->second = folder_ / (std::to_string(records) + (crlf ? "-crlf.lta" : "-lf.lta"));
            std::ofstream(it->second, std::ios::binary)
                .write(bytes.data(), std::streamsize(bytes.size()));
        }
        return it->second;
    }

private:
    std::filesystem::path folder_ =
        std::filesystem::temp_directory_path() / ("qm318-bench-" + std::to_string(::getpid()));
    std::map<std::pair<std::size_t, bool>, std::filesystem::path> files_;
};

SampleFiles& sampleFiles() {
    static SampleFiles files;
    return files;
}

const WeaponTablePtr& sampleTable(std::size_t records) {
    static std::map<std::size_t, WeaponTablePtr> tables;
    WeaponTablePtr& table = tables[records];
    if (!table) table = loadWeaponTableFile(sampleFiles().path(records, true)).table;
    return table;
}

// The whole load of a file on disk (from the page cache after the first run), as the window and
// the command line make it.
void BM_LoadFile(benchmark::State& state, std::size_t records, bool crlf) {
    const std::filesystem::path& file = sampleFiles().path(records, crlf);
    std::size_t rows = 0;
    for (auto _ : state) {
        LoadResult result = loadWeaponTableFile(file);
        rows = result.table->rowCount();
        benchmark::DoNotOptimize(result);
        state.PauseTiming();
        result.table.reset();  // freeing the old table is not part of a load
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(std::filesystem::file_size(file)));
    state.SetItemsProcessed(state.iterations() * std::int64_t(rows));
}
BENCHMARK_CAPTURE(BM_LoadFile, 8000_crlf, kRecords, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadFile, 8000_lf, kRecords, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadFile, 80000_crlf, kLargeRecords, true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_LoadFile, 80000_lf, kLargeRecords, false)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// `qm318 table FILE > /dev/null`, the whole process.
void BM_CliTable(benchmark::State& state, std::size_t records, bool crlf) {
    const std::string file = sampleFiles().path(records, crlf).string();
    for (auto _ : state) {
        if (runAndWait({QM318_CLI_PATH, "table", file}) != 0) {
            state.SkipWithError("qm318 table failed");
            return;
        }
    }
}
BENCHMARK_CAPTURE(BM_CliTable, 8000_crlf, kRecords, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_CliTable, 8000_lf, kRecords, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_CliTable, 80000_crlf, kLargeRecords, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

// The load's stages on their own, over the 8,000-record file, to see where a load spends its time.
struct PreparedBlocks {
    TextBuffer text;
    std::vector<TextSpan> blocks;

    std::string_view block(const TextSpan& span) const {
        return text.view().substr(span.offset, span.length);
    }
};

const PreparedBlocks& preparedBlocks() {
    static const PreparedBlocks prepared = [] {
        std::error_code error;
        PreparedBlocks p{
            prepareTableText(*readWholeFileToBuffer(sampleFiles().path(kRecords, false), error)),
            {}};
        p.blocks = splitWeaponBlocks(p.text.view());
        return p;
    }();
    return prepared;
}

void reportBlocks(benchmark::State& state, const PreparedBlocks& prepared) {
    state.SetBytesProcessed(state.iterations() * std::int64_t(prepared.text.size()));
    state.SetItemsProcessed(state.iterations() * std::int64_t(prepared.blocks.size()));
}

void BM_PrepareText(benchmark::State& state, bool crlf) {
    const std::filesystem::path& file = sampleFiles().path(kRecords, crlf);
    std::error_code error;
    for (auto _ : state) {
        state.PauseTiming();
        std::optional<TextBuffer> bytes = readWholeFileToBuffer(file, error, SIZE_MAX, 4096);
        state.ResumeTiming();
        TextBuffer text = prepareTableText(std::move(*bytes));
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(std::filesystem::file_size(file)));
}
BENCHMARK_CAPTURE(BM_PrepareText, 8000_crlf, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PrepareText, 8000_lf, false)->Unit(benchmark::kMillisecond);

void BM_SplitBlocks(benchmark::State& state) {
    const PreparedBlocks& prepared = preparedBlocks();
    for (auto _ : state) {
        std::vector<TextSpan> blocks = splitWeaponBlocks(prepared.text.view());
        benchmark::DoNotOptimize(blocks);
    }
    reportBlocks(state, prepared);
}
BENCHMARK(BM_SplitBlocks)->Unit(benchmark::kMillisecond);

// The one-pass extraction and the one-regular-expression-per-column reference over the same
// weapon blocks, both on one thread.
void BM_ExtractOnePass(benchmark::State& state) {
    const PreparedBlocks& prepared = preparedBlocks();
    for (auto _ : state) {
        for (const TextSpan& span : prepared.blocks) {
            CellSpans cells = extractCells(prepared.block(span));
            benchmark::DoNotOptimize(cells);
        }
    }
    reportBlocks(state, prepared);
}
BENCHMARK(BM_ExtractOnePass)->Unit(benchmark::kMillisecond);

void BM_ExtractReference(benchmark::State& state) {
    const PreparedBlocks& prepared = preparedBlocks();
    for (auto _ : state) {
        MatcherRowExtractor extractor;
        for (const TextSpan& span : prepared.blocks) {
            auto cells = extractor.extract(prepared.block(span));
            benchmark::DoNotOptimize(cells);
        }
    }
    reportBlocks(state, prepared);
}
// 32 regular expressions per block make one pass take seconds.
BENCHMARK(BM_ExtractReference)->Unit(benchmark::kMillisecond)->Iterations(1);

// One keystroke's filter over the 80,000-row table.
void BM_Search(benchmark::State& state, SearchType type, std::string_view queryUtf8) {
    const WeaponTablePtr& table = sampleTable(kLargeRecords);
    const std::string query = utf8ToGbk(queryUtf8);
    std::size_t matches = 0;
    for (auto _ : state) {
        FilteredRows found = filterRows(table, type, query);
        matches = found.rows.size();
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(table->rowCount()));
    state.counters["matches"] = double(matches);
}
BENCHMARK_CAPTURE(BM_Search, name_ascii_80000, SearchType::Name, "m4")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, name_chinese_80000, SearchType::Name, "黑龙")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, index_80000, SearchType::Index, "123")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Search, pv_model_80000, SearchType::PvModel, "ak47")
    ->Unit(benchmark::kMillisecond);

// The focused row's record in the 80,000-row table, as the detail box gets it.
void BM_RecordLookup(benchmark::State& state) {
    const WeaponTablePtr& table = sampleTable(kLargeRecords);
    const std::size_t row = table->rowCount() / 2;
    for (auto _ : state) {
        std::string_view record = table->recordText(row);
        benchmark::DoNotOptimize(record);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["record_bytes"] = double(table->recordText(row).size());
}
BENCHMARK(BM_RecordLookup);

}  // namespace
}  // namespace qm318

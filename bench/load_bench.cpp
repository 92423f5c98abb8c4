// Timings of loading, cell extraction, search and record lookup over generated data files.

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "browse/search.h"
#include "loader/row_extraction.h"
#include "loader/weapon_table_loader.h"
#include "sample_data.h"
#include "text/encoding.h"

namespace qm318 {
namespace {

constexpr std::size_t kRecords = 8000;         // about 40 MB
constexpr std::size_t kLargeRecords = 80'000;  // about 400 MB

// Generated files, made on first use and kept for the benchmarks after it, so that a file is only
// made when a benchmark that reads it is selected.
const std::string& sampleFile(std::size_t records, bool crlf) {
    static std::map<std::pair<std::size_t, bool>, std::string> files;
    auto [it, made] = files.try_emplace({records, crlf});
    if (made) {
        SampleOptions options;
        options.records = records;
        options.crlf = crlf;
        it->second = generateSampleLta(options);
    }
    return it->second;
}

const WeaponTablePtr& sampleTable() {
    static const WeaponTablePtr table = buildWeaponTable(sampleFile(kRecords, false));
    return table;
}

void BM_Load(benchmark::State& state, std::size_t records, bool crlf) {
    const std::string& file = sampleFile(records, crlf);
    std::size_t rows = 0;
    for (auto _ : state) {
        // The loader takes the bytes by value; the copy stands in for reading the file.
        state.PauseTiming();
        TextBuffer bytes(file);
        state.ResumeTiming();

        WeaponTablePtr table = buildWeaponTable(std::move(bytes));
        rows = table->rowCount();
        benchmark::DoNotOptimize(table);

        state.PauseTiming();
        table.reset();  // freeing the old table is not part of a load
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(file.size()));
    state.SetItemsProcessed(state.iterations() * std::int64_t(rows));
}
BENCHMARK_CAPTURE(BM_Load, 8000_lf, kRecords, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, 8000_crlf, kRecords, true)->Unit(benchmark::kMillisecond);
// Each run copies and converts about 400 MB: a few iterations give a steady figure.
BENCHMARK_CAPTURE(BM_Load, 80000_lf, kLargeRecords, false)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The load's first two stages on their own, to see where a load spends its time.
void BM_PrepareText(benchmark::State& state, bool crlf) {
    const std::string& file = sampleFile(kRecords, crlf);
    for (auto _ : state) {
        state.PauseTiming();
        TextBuffer bytes(file);
        state.ResumeTiming();
        TextBuffer text = prepareTableText(std::move(bytes));
        benchmark::DoNotOptimize(text);
        state.PauseTiming();
        text = {};
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(file.size()));
}
BENCHMARK_CAPTURE(BM_PrepareText, 8000_lf, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PrepareText, 8000_crlf, true)->Unit(benchmark::kMillisecond);

// The one-pass extraction and the one-regular-expression-per-column reference over the same
// weapon blocks, so the two can be compared.
struct PreparedBlocks {
    TextBuffer text;
    std::vector<TextSpan> blocks;

    std::string_view block(const TextSpan& span) const {
        return text.view().substr(span.offset, span.length);
    }
};

const PreparedBlocks& preparedBlocks() {
    static const PreparedBlocks prepared = [] {
        PreparedBlocks p{prepareTableText(TextBuffer(sampleFile(kRecords, false))), {}};
        p.blocks = splitWeaponBlocks(p.text.view());
        return p;
    }();
    return prepared;
}

void reportBlocks(benchmark::State& state, const PreparedBlocks& prepared) {
    state.SetBytesProcessed(state.iterations() * std::int64_t(prepared.text.size()));
    state.SetItemsProcessed(state.iterations() * std::int64_t(prepared.blocks.size()));
}

void BM_SplitBlocks(benchmark::State& state) {
    const PreparedBlocks& prepared = preparedBlocks();
    for (auto _ : state) {
        std::vector<TextSpan> blocks = splitWeaponBlocks(prepared.text.view());
        benchmark::DoNotOptimize(blocks);
    }
    reportBlocks(state, prepared);
}
BENCHMARK(BM_SplitBlocks)->Unit(benchmark::kMillisecond);

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

void BM_Search(benchmark::State& state, SearchType type, std::string_view queryUtf8) {
    const WeaponTablePtr& table = sampleTable();
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
BENCHMARK_CAPTURE(BM_Search, name_ascii, SearchType::Name, "m4")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Search, name_chinese, SearchType::Name, "黑龙")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Search, index, SearchType::Index, "123")->Unit(benchmark::kMicrosecond);

void BM_RecordLookup(benchmark::State& state) {
    const WeaponTablePtr& table = sampleTable();
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
